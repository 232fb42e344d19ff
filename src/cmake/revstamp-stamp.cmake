# The stamp of revstamp_stamp() (revstampConfig.cmake), run in the tool's
# folder at build time:
#
#   cmake -DTOOL=<tool> -DMODE=<1|2> -DFILE=<file> -DLINE=<line> -DSTAMP=<regex>
#         -DMARKER=<marker> -DNAMED=<the marker as the build tool names it>
#         -P revstamp-stamp.cmake
#
# Runs the tool, then asks Git for HEAD's hash and where its files are. It
# touches the marker, and writes <marker>.d for the build tool: Git's files
# that a commit, a checkout or a reset changes, as Git has them now, so that
# the next stamp comes when one of them changes. When the file doesn't hold
# the stamped line with HEAD's hash, it warns and lists a file that never
# exists, so that the next build tries again.
execute_process(COMMAND "${TOOL}" "${MODE}")
execute_process(COMMAND git rev-parse --short HEAD
                RESULT_VARIABLE failed OUTPUT_VARIABLE hash ERROR_VARIABLE why
                OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND git rev-parse --absolute-git-dir --git-common-dir --symbolic-full-name HEAD
                OUTPUT_VARIABLE said ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REPLACE "\n" ";" said "${said}")
list(LENGTH said answers)
file(STRINGS "${FILE}" text)
set(retry "${MARKER}.again")
if(failed OR NOT answers EQUAL 3)
  string(REGEX MATCH "(fatal|error): [^\n]*" why "${why}")
  message(WARNING "revstamp: Git gave no hash for HEAD (${why}): ${FILE} is not stamped with it. "
          "Make 'git rev-parse --short HEAD' work in its folder.")
  set(git "")
else()
  list(GET said 0 git)
  list(GET said 1 common)
  list(GET said 2 ref)
  get_filename_component(common "${common}" ABSOLUTE)
  string(REPLACE "[0-9a-f][0-9a-f][0-9a-f][0-9a-f]+" "${hash}" stamped "${STAMP}")
  string(REGEX MATCH "${STAMP}" old "${text}")
  if(text MATCHES "${stamped}")
    set(retry "")
  elseif(old)
    message(WARNING "revstamp: ${FILE} holds ${old}, not HEAD's ${hash}: Git didn't restore it "
            "(its index lock held?), or the committed file holds that stamp; then commit the line "
            "as ${LINE} again.")
  else()
    string(FIND "${text}" "${LINE}" at)
    if(at EQUAL -1)
      message(WARNING "revstamp: ${FILE} holds no line ${LINE}, which is what the tool replaces "
              "(spacing, quotes and case as written here): the commit is not stamped.")
    else()
      message(WARNING "revstamp: ${FILE} still holds ${LINE}: the tool couldn't rewrite it "
              "(read-only, or held open by another program).")
    endif()
  endif()
endif()

# Git's files: HEAD and its log in Git's own folder; in the common one, the
# folder of the loose ref HEAD names (which a commit creates or replaces;
# the nearest that exists, should Git have pruned it), the packed refs and
# the reftable.
set(deps "${FILE}" ${retry})
foreach(path "${git}/HEAD" "${git}/logs/HEAD" "${common}/packed-refs"
             "${common}/reftable/tables.list")
  if(git AND EXISTS "${path}")
    list(APPEND deps "${path}")
  endif()
endforeach()
if(git AND ref MATCHES "^refs/")
  get_filename_component(folder "${common}/${ref}" DIRECTORY)
  while(NOT EXISTS "${folder}" AND folder MATCHES "/refs/")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
  list(APPEND deps "${folder}")
endif()
set(depfile "${NAMED}:")
foreach(dep IN LISTS deps)
  string(REGEX REPLACE "([ #])" "\\\\\\1" dep "${dep}")
  string(REPLACE "$" "$$" dep "${dep}")
  string(APPEND depfile " \\\n  ${dep}")
endforeach()
file(WRITE "${MARKER}.d" "${depfile}\n")
file(TOUCH "${MARKER}")

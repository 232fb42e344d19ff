# The stamp of revstamp_stamp() (revstampConfig.cmake), run in the stamped
# file's folder at build time:
#
#   cmake -DTOOL=<the package's tool> -DMODE=<1|2> -DNAME=<the folder's name>
#         -DFILE=<file> -DCOPY=<copy>
#         -DMARKER=<marker> -DNAMED=<the marker as the build tool names it>
#         -DKEEP=<ON: stamp FILE itself> -DSTRICT=<ON: warnings are errors>
#         -P revstamp-stamp.cmake
#
# Touches the marker first, so that anything Git writes from then on makes
# the next build stamp again (with KEEP, after the tool, which rewrites the
# file); then asks Git for HEAD and where its files are.
# When the copy doesn't carry HEAD's hash, or the file changed since the
# copy was made, it copies the file and runs the tool on the copy, in a
# folder of the copy's own named like the file's, with Git's variables
# pointing the tool's commands at the repository: its hash command answers,
# and its restore, which finds no such file there, touches nothing of the
# work tree. Then it writes <marker>.d for the build tool: the file and
# Git's files that a commit, a checkout or a reset changes, as Git has them
# now. A copy that won't carry HEAD's hash warns (revstamp-warnings.txt) and
# lists a file that never exists, so that the next build tries again.
#
# Included from revstampConfig.cmake, it only defines its functions.

# Function: _revstamp_say
# Description: the warning <code> of revstamp-warnings.txt, its {names}
# filled in from the caller's variables of those names, as <severity>.
set_property(GLOBAL PROPERTY revstamp_warnings "${CMAKE_CURRENT_LIST_DIR}/revstamp-warnings.txt")
function(_revstamp_say severity code)
  get_property(table GLOBAL PROPERTY revstamp_warnings)
  file(STRINGS "${table}" said REGEX "^${code}\t")
  string(REGEX REPLACE "^${code}\t" "" said "${said}")
  string(REGEX MATCHALL "{[a-z]+}" names "${said}")
  foreach(name IN LISTS names)
    string(REGEX REPLACE "[{}]" "" variable "${name}")
    string(REPLACE "${name}" "${${variable}}" said "${said}")
  endforeach()
  message(${severity} "${code}: revstamp: ${said}")
endfunction()

# Function: _revstamp_line
# Description: for <mode> in the folder <name>, sets <line> to the line the
# tool looks for, and <start> and <end> to what a stamp's line holds around
# its hash.
function(_revstamp_line mode name line start end)
  if(mode STREQUAL "1")
    set(${start} "VALUE \"OriginalFilename\", \"" PARENT_SCOPE)
    set(${end} "\"" PARENT_SCOPE)
    set(${line} "VALUE \"OriginalFilename\", \"${name}.exe\"" PARENT_SCOPE)
  else()
    set(${start} "[assembly: AssemblyCopyright(\"" PARENT_SCOPE)
    set(${end} "\")]" PARENT_SCOPE)
    set(${line} "[assembly: AssemblyCopyright(\"\")]" PARENT_SCOPE)
  endif()
endfunction()

# Function: _revstamp_stamp_in
# Description: the first stamp in <text>: <start>, 4 to 64 of 0-9a-f,
# <end>; sets <stamp> to it and <hash> to its hash, or both empty.
function(_revstamp_stamp_in text start end stamp hash)
  foreach(part start end)
    string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" ${part} "${${part}}")
  endforeach()
  set(found "")
  set(digits "")
  if(text MATCHES "${start}([0-9a-f][0-9a-f][0-9a-f][0-9a-f]+)${end}")
    set(found "${CMAKE_MATCH_0}")
    set(digits "${CMAKE_MATCH_1}")
    string(LENGTH "${digits}" length)
    if(length GREATER 64)
      set(found "")
      set(digits "")
    endif()
  endif()
  set(${stamp} "${found}" PARENT_SCOPE)
  set(${hash} "${digits}" PARENT_SCOPE)
endfunction()

if(NOT CMAKE_SCRIPT_MODE_FILE)
  return()
endif()

# Function: _revstamp_copy
# Description: COPY becomes the file's copy, writable, whatever it held.
# (file(COPY) would leave a copy alone that has the file's time to the
# second.)
function(_revstamp_copy)
  get_filename_component(into "${COPY}" DIRECTORY)
  file(REMOVE "${COPY}")
  file(COPY "${FILE}" DESTINATION "${into}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

_revstamp_line("${MODE}" "${NAME}" LINE START END)
set(severity WARNING)
if(STRICT)
  set(severity SEND_ERROR)
endif()
set(off "remove revstamp_stamp()")
get_filename_component(tool "${TOOL}" NAME)
file(STRINGS "${FILE}" found)  # the file before the tool
if(KEEP)
  # The tool rewrites the file, which the stamp depends on: the marker comes
  # after it. Should a commit land before Git is asked, the file doesn't hold
  # HEAD's hash below, and the next build tries again.
  execute_process(COMMAND "./${tool}" "${MODE}")
endif()
get_filename_component(folder "${MARKER}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
file(TOUCH "${MARKER}")
execute_process(COMMAND git rev-parse HEAD --absolute-git-dir --git-common-dir
                        --symbolic-full-name HEAD
                RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE why
                OUTPUT_STRIP_TRAILING_WHITESPACE)
string(REPLACE "\n" ";" said "${said}")
list(LENGTH said answers)
get_filename_component(work "${COPY}" DIRECTORY)
if(MODE STREQUAL "2")
  get_filename_component(work "${work}" DIRECTORY)  # above Properties/
endif()
set(retry "${MARKER}.again")
set(git "")
if(failed OR NOT answers EQUAL 4)
  # No hash to be had: the file is compiled as it is, and the next build
  # waits for a change.
  string(REGEX MATCH "[^\n]+" why "${why}")
  if(NOT why)
    set(why "${failed}")
  endif()
  set(file "${FILE}")
  _revstamp_say(${severity} RS1001)
  if(NOT KEEP)
    _revstamp_copy()
  endif()
  if(NOT STRICT)
    set(retry "")
  endif()
else()
  list(GET said 0 commit)
  list(GET said 1 git)
  list(GET said 2 common)
  list(GET said 3 ref)
  get_filename_component(common "${common}" ABSOLUTE)
  if(NOT KEEP)
    set(text "")
    if(EXISTS "${COPY}")
      file(STRINGS "${COPY}" text)
    endif()
    _revstamp_stamp_in("${text}" "${START}" "${END}" stamp hash)
    string(FIND "${commit}" "${hash}" at)
    if(NOT EXISTS "${COPY}" OR "${FILE}" IS_NEWER_THAN "${COPY}" OR NOT hash OR NOT at EQUAL 0)
      _revstamp_copy()
      file(COPY "${TOOL}" DESTINATION "${work}" USE_SOURCE_PERMISSIONS)
      set(ENV{GIT_DIR} "${git}")
      set(ENV{GIT_WORK_TREE} "${work}")
      set(ENV{GIT_INDEX_FILE} "${work}/.revstamp-index")
      execute_process(COMMAND "./${tool}" "${MODE}" WORKING_DIRECTORY "${work}")
    endif()
  endif()
  # What the compiler reads: HEAD's hash, or a word on why not.
  set(file "${COPY}")
  set(line "${LINE}")
  file(STRINGS "${COPY}" text)
  _revstamp_stamp_in("${text}" "${START}" "${END}" stamp hash)
  string(FIND "${commit}" "${hash}" at)
  string(FIND "${text}" "${LINE}" unstamped)
  string(FIND "${found}" "${stamp}" before)
  if(hash AND at EQUAL 0)
    set(retry "")
  elseif(stamp AND before EQUAL -1)
    # A stamp the tool made just now, of a commit that isn't HEAD any more
    # (one landed during the stamp): the next build stamps again.
  elseif(stamp)
    _revstamp_say(${severity} RS1003)
  elseif(unstamped EQUAL -1)
    _revstamp_say(${severity} RS1002)
  else()
    _revstamp_say(${severity} RS1004)
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
# Escaped as Make and Ninja read a depfile, the marker's own path too.
set(depfile "")
foreach(dep IN LISTS NAMED deps)
  string(REGEX REPLACE "([ #])" "\\\\\\1" dep "${dep}")
  string(REPLACE "$" "$$" dep "${dep}")
  if(depfile STREQUAL "")
    set(depfile "${dep}:")
  else()
    string(APPEND depfile " \\\n  ${dep}")
  endif()
endforeach()
file(WRITE "${MARKER}.d" "${depfile}\n")

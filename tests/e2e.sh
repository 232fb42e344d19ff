#!/usr/bin/env bash
# End-to-end tests: the built tool, copied into throwaway Git repositories
# that hold the example project, and run from there as a pre-build step runs
# it, against real Git. One scenario for each way through the program; the
# rules in between (the mode, the texts, the quoting, the command-line
# splitting, what a stamp keeps of an edit) are unit tests.
#
#   e2e.sh <revstamp> <test binary> [<runner>...]   the runner, if any,
#                                                   starts each run (qemu)
#   e2e.sh <revstamp.exe> <test binary.exe>         under Wine, with the
#                                                   git.exe in $WINDOWS_GIT
#   ONLY=<text> e2e.sh ...                          the scenarios named so
#
# On POSIX a wrapper records Git's calls; under Wine, Git for Windows traces
# them (GIT_TRACE).
tool=$(realpath "$1") && tests=$(realpath "$2") &&
  example=$(cd "$(dirname "$0")/../example/Widget" && pwd) ||
  { echo "usage: $0 <tool> <test binary> [<runner>...]" >&2; exit 2; }
wine=""
runner=("${@:3}")
exe=revstamp sep=/  # the stand-in hands git '/' for '\'
if [[ $tool == *.exe ]]; then
  wine=wine exe=revstamp.exe sep=\\ runner=()
  [ -x "${WINDOWS_GIT:-}/git.exe" ] ||
    { echo "e2e (wine): no git.exe in WINDOWS_GIT" >&2; exit 1; }
fi
root=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/revstamp-e2e.XXXXXX")") &&
  trap 'rm -rf "$root"' EXIT
source "$(dirname "$0")/lib.sh"
# Wine's prefix stays where it is when HOME is Git's below.
export GIT_CEILING_DIRECTORIES=$root WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
log=$root/git.log
mkdir "$root/bin" "$root/home"
printf '#!/bin/sh\nprintf "[%%s]" "$@" >>"%s"; echo >>"%s"\nexec "%s" "$@"\n' \
  "$log" "$log" "$(command -v git)" >"$root/bin/git"
chmod +x "$root/bin/git"
# Git warns on its error stream at every command, and succeeds; any owner's
# repository will do (a run as another user).
printf '[core]\n\tfsyncObjectFiles = true\n[safe]\n\tdirectory = *\n' >"$root/home/.gitconfig"
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
# Under Wine, git.exe can't write to a Unix pipe (it reads the pipe's name,
# which Wine leaves empty): its version comes through a file.
if [ -n "$wine" ]; then
  wine "$WINDOWS_GIT/git.exe" --version </dev/null >"$root/version" 2>&1
  echo "e2e (wine): real $(cat "$root/version")"
else
  echo "e2e (posix): real $(git --version)"
fi
rc_line() { echo "VALUE \"OriginalFilename\", \"$1\""; }
cs_line() { echo "[assembly: AssemblyCopyright(\"${1:-}\")]"; }
restore() { echo "[checkout][--ignore-skip-worktree-bits][--][$1]"; }

# add_project <path>: the example project at <path> in $repo, named after
# its last folder: its resource script renamed and naming <name>.exe,
# committed, with the tool beside it. new_project: in a fresh repository,
# with a scratch folder of the scenario's own, $here.
add_project() {
  proj=$repo/$1 name=${1##*/}
  mkdir -p "$proj"
  cp -R "$example/." "$proj/"
  [ "$name" = Widget ] || mv "$proj/Widget.rc" "$proj/$name.rc"
  replace_first "$proj/$name.rc" '"Widget.exe"' "\"$name.exe\""
  git_ add -A
  git_ commit -qm project
  cp "$tool" "$proj/$exe"
}
new_project() {
  repo=$(mktemp -d "$root/repo.XXXXXX") here=$repo.here
  mkdir "$here"
  git_ init -q
  echo "$exe" >>"$repo/.git/info/exclude"
  add_project "$1"
}
# Under Wine, Git for Windows takes the index's stat data for its own, as on
# a Windows machine, where no other Git writes it; else it rewrites each
# clean file it restores (Linux git's inodes differ).
windows_refresh() {
  [ -z "$wine" ] || (cd "$repo" && wine "$WINDOWS_GIT/git.exe" update-index -q --refresh) \
    </dev/null &>/dev/null || true
}

# launch [args...]: starts the tool ($exe, or as TOOL names it) in $proj,
# with Git on its path or, with NO_GIT set, none; WRAP: a command to run it
# under (POSIX).
launch() {
  local path=$root/bin:$PATH winepath
  winepath=$(winpath "${WINDOWS_GIT:-}")
  [ -z "${NO_GIT:-}" ] || path=/nonexistent winepath='C:\nonexistent'
  cd "$proj"
  if [ -n "$wine" ]; then
    WINEPATH=$winepath GIT_TRACE=$(winpath "$log") HOME=$root/home wine "./$exe" "$@"
  else
    PATH=$path HOME=$root/home ${WRAP:-} "${runner[@]}" "${TOOL:-./$exe}" "$@"
  fi
}
# run_tool [args...]: one run, which must end with 0 and print nothing.
# Sets $calls: the git calls it made after asking for the hash, a line
# each. start_tool and end_tool do the same around whatever the test does
# meanwhile; $pid is the run's.
start_tool() {
  rm -f "$log"
  (launch "$@") >"$root/out" 2>&1 &
  pid=$!
}
end_tool() {
  local status=0
  wait "$pid" || status=$?
  expect_eq "exit status and output" "$status $(cat "$root/out")" "0 "
  calls=$(cat "$log" 2>/dev/null || true)
  if [ -n "$wine" ]; then  # Git quotes as sh
    calls=$(sed -n 's/.* trace: built-in: git //p' <<<"$calls" |
      while read -r line; do eval "set -- $line"; printf '[%s]' "$@"; echo; done)
  fi
  [[ -z $calls || $calls == "[rev-parse][--short][HEAD]"* ]]
  calls=$(sed 1d <<<"$calls")
}
run_tool() {
  start_tool "$@"
  end_tool
}
# running <command...>: the command holds while the run goes on, or once
# it has ended: a sign, not a time.
running() { "$@" || { kill -0 "$pid" 2>/dev/null && return 1; "$@"; }; }
tries() { [ "$(cat "$log" 2>/dev/null | grep -c checkout)" -ge "$1" ]; }
now() { date +%s%3N; }
# at_once <project>...: one run in the first project alone, then one in each
# at once, which must end within twice the time of the one alone. $log
# then holds their calls.
at_once() {
  local t one p pids=()
  t=$(now)
  proj=$repo/$1 run_tool
  one=$(($(now) - t))
  rm -f "$log"
  t=$(now)
  for p in "$@"; do (proj=$repo/$p && launch; echo "$?") >"$here/out.$p" 2>&1 & pids+=($!); done
  wait "${pids[@]}"
  [ $(($(now) - t)) -lt $((2 * one)) ]
  expect_eq "statuses and output" "$(cat "${@/#/$here/out.}")" "$(printf '0\n%.0s' "$@")"
}
# hold <path>...: another process holds each file, or on POSIX the work
# tree's lock of each entry, until `release`; returns once it does. A
# holder whose scenario ended first lets go once its signs are gone.
hold() {
  local p args=()
  signs=$(mktemp -d "$root/signs.XXXXXX")
  for p in "$signs" "$@"; do args+=("$([ -z "$wine" ] && echo "$p" || winpath "$p")"); done
  $wine "${runner[@]}" "$tests" --child=hold "${args[@]}" &
  holder=$!
  until_ test -e "$signs/held"
}
release() { touch "$signs/release"; wait "$holder"; }

# expect_file <file> [<text> <replacement>]: the file in $proj holds its
# committed bytes, with the first <text> replaced.
expect_file() {
  git_ show "HEAD:${proj#"$repo"/}/$1" >"$root/expected"
  [ $# -lt 3 ] || replace_first "$root/expected" "$2" "$3"
  cmp "$root/expected" "$proj/$1" || fail "$(diff <(cat -A "$root/expected") <(cat -A "$proj/$1"))"
}
rc_stamped() { expect_file "$name.rc" "$(rc_line "$name.exe")" "$(rc_line "$(head_hash)")"; }
cs_stamped() { expect_file Properties/AssemblyInfo.cs "$(cs_line)" "$(cs_line "$(head_hash)")"; }
expect_calls() { expect_eq "git calls after the hash" "$calls" "$1"; }
# state <file>: the file's bytes and time, to 100 ns, as Windows keeps it.
state() { md5sum <"$proj/$1"; stat -c %y "$proj/$1" | cut -c1-27; }

scenario 'modes 1 and 2 stamp their targets, mode 3 nothing' <<'EOF'
new_project Widget
# The rewrite is a new file, which a hard link doesn't follow, with what
# the old one was besides its bytes: its permissions (POSIX), its
# attributes (Windows). A run killed outright left its new file behind:
# the next run removes it, in either mode, and none of the user's files
# that only look alike.
ln "$proj/Widget.rc" "$here/link"
attributes() { cd "$proj" && wine cmd /c attrib "$@" Widget.rc; }
if [ -n "$wine" ]; then attributes +h; else chmod 0604 "$proj/Widget.rc"; fi
git_ update-index -q --refresh
windows_refresh
touch "$proj/Widget.rc.revstamp-notes.txt" "$proj/Widget.rc.revstamX-x1Y2z3"
listing=$(ls -A "$proj")
touch "$proj"/{Widget.rc,Properties/AssemblyInfo.cs}.revstamp-x1Y2z3
run_tool
rc_stamped
expect_file Properties/AssemblyInfo.cs
expect_eq files "$(ls -A "$proj")" "$listing"
expect_calls "$(restore Widget.rc)"
cmp "$here/link" "$example/Widget.rc"
[ -z "$wine" ] || [[ $(attributes) == "A   H "* ]]
[ -n "$wine" ] || expect_eq mode "$(stat -c %a "$proj/Widget.rc")" 604
run_tool 2
cs_stamped
expect_eq files "$(ls -A "$proj/Properties")" AssemblyInfo.cs
expect_calls "$(restore "Properties${sep}AssemblyInfo.cs")"
run_tool 3
expect_calls ""
EOF

scenario 'nothing new: one Git call, the file as it was' <<'EOF'
new_project Widget
run_tool
before=$(state Widget.rc)
run_tool
expect_calls ""
expect_eq "the file" "$(state Widget.rc)" "$before"
EOF

# The user's own edit, in both modes and both encodings: it stays, before
# the first run and after a run, across a new commit, and the earlier stamp
# gives way to the new hash. Compared decoded.
for row in "1 UTF-8" "1 UTF-16LE" "2 UTF-8" "2 UTF-16LE"; do
  scenario "an edit not committed stays: mode $row" $row <<'EOF'
new_project Widget
file=Properties/AssemblyInfo.cs
[ "$1" = 2 ] || file=Widget.rc
[ "$2" = UTF-8 ] || bom=$'\xff\xfe'
sed -i '1s/^\xef\xbb\xbf//' "$proj/$file"
{ printf %s "${bom:-}"; iconv -f UTF-8 -t "$2" "$proj/$file"; } >"$here/encoded"
mv "$here/encoded" "$proj/$file"
git_ commit -q --allow-empty -am "in $2"
edit() {
  echo "$1" | iconv -f UTF-8 -t "$2" >>"$proj/$file"
  iconv -f "$2" -t UTF-8 "$proj/$file" >"$here/edited"
}
stamped() {
  HASH=$(head_hash) perl -0777 -pi -e \
    's/(Filename", "|Copyright\(")(Widget\.exe|[0-9a-f]{4,})?"/$1$ENV{HASH}"/' "$here/edited"
  iconv -f "$2" -t UTF-8 "$proj/$file" | cmp "$here/edited" -
}
edit "// before the first run" "$2"
run_tool "$1"
stamped "$1" "$2"
edit "// after a run" "$2"
next_commit
run_tool "$1"
stamped "$1" "$2"
EOF
done

# Git's error message is never stamped: without Git, a repository or a
# commit, the file stays as the user had it, time and all, with nothing
# printed and the exit status 0. A restore Git refuses for another reason
# than its lock is not tried again.
for row in "no git" "no repository" "no commit"; do
  scenario "only a hash is stamped: $row" "$row" <<'EOF'
new_project Widget
echo "// edit" >>"$proj/Widget.rc"
case $1 in
  "no git") export NO_GIT=1 ;;
  "no repository") rm -rf "$repo/.git" ;;
  *) rm -rf "$repo/.git" && git_ init -q ;;
esac
before=$(state Widget.rc)
run_tool
expect_eq "the file" "$(state Widget.rc)" "$before"
! tries 2 || fail "restored again"
EOF
done

# A folder name with what the interpreter would act on is quoted; one with
# what quotes can't protect is left alone: no restore, no stamp. (In Windows
# form, back\slash would name the folder back/slash/.)
rows=("My (x&y) ^z" "100%")  # quoted; refused
[ -n "$wine" ] || rows+=('back\slash')
for folder in "${rows[@]}"; do
  scenario "a folder named $folder" "$folder" <<'EOF'
new_project "$1"
mkdir -p "$repo/back/slash"
sed 's/Widget.exe/slash.exe/' "$example/Widget.rc" >"$repo/back/slash/slash.rc"
cp -R "$repo" "$here/before"
run_tool
if [ "$1" = "My (x&y) ^z" ]; then
  rc_stamped
  expect_calls "$(restore "$1.rc")"
else
  diff -r -x .git "$here/before" "$repo"
  expect_calls ""
fi
EOF
done

# Resource scripts as Windows tools save them, and folder names outside
# ASCII, in the tool's encoding (on Windows the ANSI code page: 936 under
# these tests, 1252 under a Western locale, where the OEM one differs):
# <folder> <its name's encoding> <the script's> <stamped?> [<locale>].
rows=("Café😀 UTF-8 UTF-16LE yes" $'Caf\xe9 LATIN1 UTF-16LE no')
[ -z "$wine" ] || rows=("工具 UTF-8 GBK yes" "工具 UTF-8 UTF-16LE yes")
[ -z "$wine" ] || rows+=("Café UTF-8 UTF-16LE yes en_US")
for row in "${rows[@]}"; do
  read -r -a args <<<"$row"
  scenario "folder ${args[0]}, script in ${args[2]}" "${args[@]}" <<'EOF'
[ -z "${5:-}" ] || export LANG=$5.UTF-8
[ "$3" != UTF-16LE ] || bom=$'\xff\xfe'
new_project "$1"
{ printf %s "${bom:-}"; iconv -f "$2" -t "$3" "$proj/$1.rc"; } >"$here/encoded"
mv "$here/encoded" "$proj/$1.rc"
git_ commit -qam "in $3"
run_tool
expect_calls "$(restore "$1.rc")"
git_ show "HEAD:$1/$1.rc" | iconv -f "$3" -t UTF-8 >"$here/expected"
[ "$4" != yes ] || replace_first "$here/expected" "$(rc_line "$1.exe")" "$(rc_line "$(head_hash)")"
iconv -f "$3" -t UTF-8 "$proj/$1.rc" | cmp "$here/expected" -
EOF
done

# Parallel builds start pre-build steps so: projects side by side, and one
# project in two configurations. Git's restore takes the work tree's index
# lock and writes the file in steps, so runs must take turns: after each
# round every file is exactly the stamped one, and nothing else changed.
scenario 'projects of one work tree at once' <<'EOF'
paths=(Widget App x/y/Deep Tool x/y/Deeper Lib)
[ -z "$wine" ] || paths=(Widget App x/y/Deep Tool)
new_project Widget
for p in "${paths[@]:1}"; do add_project "$p"; done
for round in 1 2 3 4 5; do
  next_commit
  for i in "${!paths[@]}"; do
    (proj=$repo/${paths[i]}; launch $((i % 2 + 1)) & launch $((i % 2 + 1)); wait) &>/dev/null &
  done
  wait
  for i in "${!paths[@]}"; do
    proj=$repo/${paths[i]} name=${paths[i]##*/}
    if [ $((i % 2)) = 0 ]; then rc_stamped; else cs_stamped; fi
  done
  changed=$(git_ status --porcelain -uall | grep -v -E '^ M .*(\.rc|/AssemblyInfo\.cs)$' || true)
  expect_eq "other changes" "$changed" ""
  [ ! -e "$repo/.git/index.lock" ]
done
EOF

# An IDE holds Git's lock as the run starts: the run tries again, without
# the work tree's lock meanwhile, and stamps the new commit once Git lets
# go. It finds the lock in the work tree's Git folder, whatever the path
# holds (an apostrophe), and Git's refusal in any language (Polish quotes
# with „...”). On POSIX the run starts with SIGCHLD ignored, as some build
# drivers start theirs: each child's status still counts.
scenario "Git's index lock held for a moment" <<'EOF'
new_project Widget
mkdir "$here/O'Brien"
mv "$repo" "$here/O'Brien/"
repo=$here/O\'Brien/${repo##*/} proj=$repo/Widget
run_tool
next_commit
touch "$repo/.git/index.lock"
LANGUAGE=pl WRAP='perl -e $SIG{CHLD}=IGNORE;exec@ARGV' start_tool
until_ running tries 2
sleep 1.5
rm "$repo/.git/index.lock"
end_tool
rc_stamped
EOF

# A crashed Git leaves its lock behind: each run gives up after about 10 s
# and stamps whatever the file holds, so a file never stamped gets the new
# commit. The runs give up at once: together they take at most twice as
# long as one such run.
scenario "Git's index lock left behind for good" <<'EOF'
paths=(A B C D)
[ -z "$wine" ] || paths=(A B)
new_project Widget
for p in "${paths[@]}"; do add_project "$p"; done
run_tool
next_commit
touch "$repo/.git/index.lock"
at_once "${paths[@]}" Widget
proj=$repo/Widget name=Widget rc_stamped
EOF

# Another process holds the target (a virus scanner, an editor) or the work
# tree's lock (a run in another project): a run started meanwhile waits, and
# stamps once it is let go. The holder lets go only once the run is seen
# waiting: it tries again, or the kernel lists it waiting for the lock (in
# /proc/locks, POSIX: Windows shows no sign, and its lock is the unit
# tests'), then 3 s more, as a slow run before it would. The lock is the
# same whichever path the project is reached by: a link to its folder, a
# linked work tree (.git a file). The first is wrapped in a lock on the
# work tree's folder, as CI scripts wrap a build: the tool's own is elsewhere.
blocked_on() { grep -q -- "-> FLOCK .*:$(stat -c %i "$1") " /proc/locks; }
rows=("the file")
[ -n "$wine" ] || rows+=("the lock, through a link" "the lock of a linked work tree")
for row in "${rows[@]}"; do
  scenario "another process holds $row" "$row" <<'EOF'
new_project x/Widget
entry=$proj/Widget.rc
case $1 in
  *link)
    ln -s "$proj" "$here/"
    export TOOL=$here/Widget/$exe WRAP="timeout 120 flock $repo"
    entry=$repo/.git ;;
  *tree)
    git_ worktree add -q "$here/wt"
    repo=$here/wt proj=$here/wt/x/Widget entry=$here/wt/.git
    cp "$tool" "$proj/$exe" ;;
esac
windows_refresh
hold "$entry"
start_tool
if [ "$1" = "the file" ]; then
  until_ running tries 2
else
  until_ running blocked_on "$entry"
  sleep 3
  blocked_on "$entry"
fi
release
end_tool
rc_stamped
EOF
done

if [ -n "$wine" ]; then
  scenario 'the manifest asks for no elevation' <<'EOF'
grep -q 'level="asInvoker"' "$tool"
EOF
  finish "e2e (wine)"
  exit
fi

scenario 'PATH: no empty entry, no git that is no program' <<'EOF'
new_project Widget
mkdir -p "$here/nonexec" "$here/folder/git"
touch "$here/nonexec/git"
printf '#!/bin/sh\necho 0bad0\n' >"$proj/git"
chmod +x "$proj/git"
cd "$proj"
PATH=":$here/nonexec:$here/folder:$root/bin:$PATH" "${runner[@]}" "./$exe"
rc_stamped
EOF

# A hash longer than the name it replaces makes the file grow past the
# limit: the write fails as on a full disk, and the file stays as it was.
scenario 'a file-size limit below the stamped file' <<'EOF'
new_project Widget
git_ config core.abbrev 12
listing=$(ls -A "$proj")
WRAP="prlimit --fsize=$(git_ cat-file -s HEAD:Widget/Widget.rc)" run_tool
expect_file Widget.rc
expect_eq "files" "$(ls -A "$proj")" "$listing"
EOF

# Replaced by a file with the permissions of the one it pointed to, which
# other projects share and which is never written.
scenario 'a target committed as a link to a shared file' <<'EOF'
new_project Widget
mv "$proj/Widget.rc" "$repo/shared.rc"
ln -s ../shared.rc "$proj/Widget.rc"
git_ add -A
git_ commit -qm link
chmod 640 "$repo/shared.rc"
for round in 1 2; do next_commit; run_tool; done
git_ show HEAD:shared.rc >"$here/expected"
replace_first "$here/expected" "$(rc_line Widget.exe)" "$(rc_line "$(head_hash)")"
cmp "$here/expected" "$proj/Widget.rc"
expect_eq mode "$(stat -c %a "$proj/Widget.rc")" 640
git_ diff --quiet -- shared.rc
EOF

# An interrupt (a build cancelled from the IDE, a closed terminal) as the
# new file is created: held off until the file is in place, then it ends
# the run. strace delivers it on entering that openat, the n-th, as a run
# before shows. (LeakSanitizer ends a traced run so: its status aside.)
for signal in INT TERM HUP; do
  scenario "SIG$signal as the new file is created" $signal <<'EOF'
new_project Widget
(WRAP="strace -o $here/trace -e trace=openat" launch) &>/dev/null || true
n=$(grep ^openat "$here/trace" | grep -n -m1 'rc\.revstamp-' | cut -d: -f1)
new_project Widget
listing=$(ls -A "$proj")
status=0
(WRAP="env --default-signal=$1 strace -o /dev/null -e trace=openat
  -e inject=openat:signal=SIG$1:when=$n" launch) 2>/dev/null || status=$?
expect_eq "exit status" $status $((128 + $(kill -l "$1")))
rc_stamped
expect_eq "files" "$(ls -A "$proj")" "$listing"
EOF
done

finish "e2e (posix)"

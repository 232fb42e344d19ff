#!/usr/bin/env bash
# End-to-end tests: the built tool, copied into throwaway Git repositories
# that hold the example project, and run from there as a pre-build step runs
# it.
#
#   e2e.sh posix <revstamp> <bin>        real Git, on this machine
#   e2e.sh wine  <revstamp.exe> <bin>    under Wine, with the git double from
#                                        <bin> on the Windows PATH
#
# <bin> holds the git double; the concurrency scenario uses it on both.
#
# Under Wine the tool can't run Linux git, so the double answers instead: it
# prints the hash of HEAD and restores files from a copy of HEAD that this
# script exports before each run. On POSIX a wrapper records the calls to the
# real git the way the double does. Every scenario runs on both.
set -u
platform=$1
tool=$(realpath "$2")
double_dir=$(realpath "$3")
example=$(cd "$(dirname "$0")/../example/Widget" && pwd)
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-e2e.XXXXXX")
trap 'rm -rf "$root"' EXIT
log="$root/git.log"
real_git=$(command -v git)
export GIT_CEILING_DIRECTORIES=$root

case $platform in
  posix)
    tool_name=revstamp
    mkdir "$root/bin"
    printf '#!/bin/sh\nprintf "[%%s]" "$@" >>"%s"; echo >>"%s"\nexec "%s" "$@"\n' \
      "$log" "$log" "$real_git" >"$root/bin/git"
    chmod +x "$root/bin/git"
    sep=/  # the interpreter stand-in hands git '/' for '\'
    ;;
  wine)
    tool_name=revstamp.exe
    export WINEDEBUG=-all
    sep=\\
    ;;
  *) echo "usage: $0 posix|wine <tool> <double dir>" >&2; exit 2 ;;
esac

failures=0
scenario=""

fail() {
  echo "FAIL [$scenario] $*" >&2
  failures=$((failures + 1))
}

expect_eq() {  # <what> <actual> <expected>
  [ "$2" == "$3" ] || fail "$1: got '$2', expected '$3'"
}

winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

git_() { "$real_git" -C "$repo" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@"; }

# replace_first <file> <text> <replacement>: in place, bytes otherwise kept.
replace_first() {
  FROM=$2 TO=$3 perl -0777 -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$1"
}

# new_project <folder name> [outside]: the example project under that name
# (its resource script renamed and naming <folder name>.exe), committed in a
# fresh repository unless "outside", with the tool copied beside it. Sets
# $repo, $proj and $name.
new_project() {
  name=$1
  repo=$(mktemp -d "$root/repo.XXXXXX")
  proj="$repo/$name"
  mkdir -p "$proj"
  cp -R "$example/." "$proj/"
  [ "$name" = Widget ] || mv "$proj/Widget.rc" "$proj/$name.rc"
  replace_first "$proj/$name.rc" '"Widget.exe"' "\"$name.exe\""
  if [ "${2:-}" != outside ]; then
    git_ init -q
    echo "$tool_name" >>"$repo/.git/info/exclude"
    commit "initial"
  fi
  cp "$tool" "$proj/$tool_name"
}

commit() {
  echo "$1" >>"$repo/history.txt"
  git_ add -A && git_ commit -qm "$1"
}

head_hash() { git_ rev-parse --short HEAD; }

# run_tool <args...>: runs the tool from the project folder. Sets $status,
# $out, $err, and $calls: the git calls it made, one line each. With
# NO_GIT=1 in the environment, git can't be found.
run_tool() {
  rm -f "$log"
  if [ "$platform" = wine ]; then
    rm -rf "$root/store" && mkdir "$root/store"
    export REVSTAMP_TEST_STORE REVSTAMP_TEST_HASH REVSTAMP_TEST_LOG WINEPATH
    if [ -d "$repo/.git" ]; then
      git_ archive HEAD | tar -x -C "$root/store"
      REVSTAMP_TEST_HASH=$(head_hash)
    fi
    REVSTAMP_TEST_STORE=$(winpath "$root/store/$name")
    REVSTAMP_TEST_LOG=$(winpath "$log")
    # An empty WINEPATH would leave an empty entry in PATH, which Wine's
    # interpreter trips over; without the double, leave it unset.
    WINEPATH=$(winpath "$double_dir")
    [ -n "${NO_GIT:-}" ] && unset WINEPATH
    (cd "$proj" && wine "./$tool_name" "$@" >"$root/out" 2>"$root/err")
  else
    local path="$root/bin:$PATH"
    [ -n "${NO_GIT:-}" ] && path=/nonexistent
    (cd "$proj" && PATH=$path "./$tool_name" "$@" >"$root/out" 2>"$root/err")
  fi
  status=$?
  out=$(cat "$root/out")
  err=$(cat "$root/err")
  calls=$(cat "$log" 2>/dev/null)
}

expect_quiet_success() {
  expect_eq "exit status" "$status" 0
  expect_eq "stdout" "$out" ""
  expect_eq "stderr" "$err" ""
}

# expect_file <relative path> <text> <replacement>: the file holds its
# committed bytes with the first <text> replaced ("" "": unchanged).
expect_file() {
  git_ show "HEAD:$name/$1" >"$root/expected"
  [ -z "$2" ] || replace_first "$root/expected" "$2" "$3"
  cmp -s "$root/expected" "$proj/$1" || fail "$1 is not as expected: $(diff <(cat -A "$root/expected") <(cat -A "$proj/$1") | head -5)"
}

rc_line() { echo "VALUE \"OriginalFilename\", \"$1\""; }
cs_line() { echo "[assembly: AssemblyCopyright(\"$1\")]"; }
rev_parse="[rev-parse][--short][HEAD]"

expect_rc_stamped() { expect_file "$name.rc" "$(rc_line "$name.exe")" "$(rc_line "$(head_hash)")"; }
expect_cs_stamped() { expect_file Properties/AssemblyInfo.cs "$(cs_line "")" "$(cs_line "$(head_hash)")"; }

scenario="mode 1 stamps the resource script"
new_project Widget
run_tool
expect_quiet_success
expect_rc_stamped
expect_file Properties/AssemblyInfo.cs "" ""
expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][Widget.rc]"
if command -v x86_64-w64-mingw32-windres >/dev/null; then
  x86_64-w64-mingw32-windres "$proj/Widget.rc" -o "$root/Widget.res" ||
    fail "the stamped resource script doesn't compile"
fi

scenario="mode 2 stamps AssemblyInfo.cs, byte-order mark and CR LF kept"
run_tool 2
expect_quiet_success
expect_cs_stamped
expect_rc_stamped  # from the run before; mode 2 leaves it alone
expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][Properties${sep}AssemblyInfo.cs]"

scenario="a new commit gets a new stamp"
old=$(head_hash)
commit "second"
[ "$old" != "$(head_hash)" ] || fail "the commit didn't change HEAD"
run_tool 1
run_tool 2
expect_quiet_success
expect_rc_stamped
expect_cs_stamped

scenario="modes that stamp nothing touch nothing"
for mode in 0 3 -1 abc 4294967297; do
  before=$(cat -A "$proj/Widget.rc" "$proj/Properties/AssemblyInfo.cs")
  run_tool "$mode"
  expect_quiet_success
  expect_eq "files after mode $mode" "$(cat -A "$proj/Widget.rc" "$proj/Properties/AssemblyInfo.cs")" "$before"
  expect_eq "git calls of mode $mode" "$calls" "$rev_parse"
done

scenario="the mode rule: 2x, a leading blank, two arguments"
new_project Widget
run_tool 2x
expect_cs_stamped
expect_file Widget.rc "" ""
new_project Widget
run_tool " 2"
expect_cs_stamped
new_project Widget
run_tool 2 x
expect_rc_stamped
expect_file Properties/AssemblyInfo.cs "" ""

scenario="only the first of two matching lines changes"
new_project Twice
printf '%s\r\n' "$(rc_line Twice.exe)" >>"$proj/Twice.rc"
commit "the line twice"
run_tool
expect_rc_stamped

for folder in "My Proj" "x&y" "a (b)"; do
  scenario="folder '$folder' is restored and stamped"
  new_project "$folder"
  echo "uncommitted edit" >>"$proj/$folder.rc"
  run_tool
  expect_quiet_success
  expect_rc_stamped
  expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][$folder.rc]"
  commit "second"
  run_tool
  expect_rc_stamped
done

scenario="a folder with % is left alone"
new_project "100%"
echo "uncommitted edit" >>"$proj/100%.rc"
cp "$proj/100%.rc" "$root/before"
run_tool
expect_quiet_success
cmp -s "$root/before" "$proj/100%.rc" || fail "the file changed"
expect_eq "git calls" "$calls" "$rev_parse"

scenario="git missing"
new_project Widget
NO_GIT=1 run_tool
expect_quiet_success
if [ "$platform" = posix ]; then
  # The stand-in's one-line message stands in for the hash, as on Windows
  # an error text without line breaks would.
  expect_file Widget.rc "$(rc_line Widget.exe)" \
    "$(rc_line "'git' is not recognized as an internal or external command, operable program or batch file.")"
else
  # The interpreter's message ends in CR LF: not stamped.
  expect_file Widget.rc "" ""
fi

scenario="a folder outside any repository"
new_project Widget outside
cp "$proj/Widget.rc" "$root/before"
run_tool
expect_quiet_success
message="fatal: not a git repository (or any of the parent directories): .git"
replace_first "$root/before" "$(rc_line Widget.exe)" "$(rc_line "$message")"
cmp -s "$root/before" "$proj/Widget.rc" || fail "not stamped with git's message: $(grep -a OriginalFilename "$proj/Widget.rc")"

scenario="a UTF-16LE resource script, across two commits"
new_project Widget
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$proj/Widget.rc"; } >"$root/wide.rc"
mv "$root/wide.rc" "$proj/Widget.rc"
echo "*.rc binary" >"$proj/.gitattributes"
commit "the resource script as Visual Studio saves it"
for run in 1 2; do
  [ "$run" = 1 ] || commit "another"
  run_tool
  expect_quiet_success
  git_ show HEAD:Widget/Widget.rc | iconv -f UTF-16LE -t UTF-8 >"$root/expected"
  replace_first "$root/expected" "$(rc_line Widget.exe)" "$(rc_line "$(head_hash)")"
  iconv -f UTF-8 -t UTF-16LE "$root/expected" | cmp -s - "$proj/Widget.rc" ||
    fail "run $run: not stamped as expected"
done

scenario="renamed, or started by its full path"
new_project Widget
mv "$proj/$tool_name" "$proj/stamp-${tool_name}"
tool_name="stamp-${tool_name}" run_tool
expect_quiet_success
expect_rc_stamped
new_project Widget
if [ "$platform" = wine ]; then
  (cd "$proj" && WINEPATH=$(winpath "$double_dir") REVSTAMP_TEST_HASH=$(head_hash) \
    wine "$(winpath "$proj/$tool_name")" >/dev/null 2>&1)
else
  (cd "$proj" && "$proj/$tool_name")
fi
expect_rc_stamped

scenario="8 runs at once, 25 rounds, both modes"
# Parallel builds start pre-build steps like this. Git's own restore doesn't
# replace files atomically, so the double stands in for it here: it prints a
# hash and restores nothing, and what is tested is the tool's own rewrite.
new_project Widget
committed_rc=$root/committed.rc stamped_rc=$root/stamped.rc
committed_cs=$root/committed.cs stamped_cs=$root/stamped.cs
git_ show HEAD:Widget/Widget.rc >"$committed_rc"
git_ show HEAD:Widget/Properties/AssemblyInfo.cs >"$committed_cs"
cp "$committed_rc" "$stamped_rc" && replace_first "$stamped_rc" "$(rc_line Widget.exe)" "$(rc_line 1a2b3c4)"
cp "$committed_cs" "$stamped_cs" && replace_first "$stamped_cs" "$(cs_line "")" "$(cs_line 1a2b3c4)"
listing=$(ls -A "$proj" "$proj/Properties")
for mode in 1 2; do
  if [ "$mode" = 1 ]; then target=$proj/Widget.rc committed=$committed_rc stamped=$stamped_rc
  else target=$proj/Properties/AssemblyInfo.cs committed=$committed_cs stamped=$stamped_cs; fi
  for round in $(seq 25); do
    cp "$committed" "$target"
    for i in 1 2 3 4 5 6 7 8; do
      if [ "$platform" = wine ]; then
        (cd "$proj" && REVSTAMP_TEST_HASH=1a2b3c4 WINEPATH=$(winpath "$double_dir") \
          wine "./$tool_name" "$mode" >/dev/null 2>&1) &
      else
        (cd "$proj" && REVSTAMP_TEST_HASH=1a2b3c4 PATH="$double_dir:$PATH" \
          "./$tool_name" "$mode" >/dev/null 2>&1) &
      fi
    done
    wait
    cmp -s "$target" "$committed" || cmp -s "$target" "$stamped" ||
      fail "mode $mode, round $round: the file is neither committed nor stamped"
    [ "$(ls -A "$proj" "$proj/Properties")" == "$listing" ] ||
      fail "mode $mode, round $round: files left behind: $(ls -A "$proj" "$proj/Properties" | tr '\n' ' ')"
  done
done

if [ "$platform" = wine ]; then
  scenario="manifest"
  grep -q 'level="asInvoker"' "$tool" || fail "no asInvoker manifest in $tool"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures e2e check(s) failed" >&2
  exit 1
fi
echo "e2e ($platform): all checks passed"

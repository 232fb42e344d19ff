#!/usr/bin/env bash
# End-to-end tests: the built tool, copied into throwaway Git repositories
# that hold the example project, and run from there as a pre-build step runs
# it.
#
#   e2e.sh posix <revstamp> <bin>        with real Git
#   e2e.sh wine  <revstamp.exe> <bin>    under Wine, with the git double in <bin>
#
# Windows programs under Wine can't run Linux git, so there the double
# answers: it prints the hash of HEAD and restores files from a copy of HEAD
# that this script exports before each run. On POSIX a wrapper records the
# calls to the real git in the double's format.
set -u
platform=$1
tool=$(realpath "$2") && double_dir=$(realpath "$3") &&
  example=$(cd "$(dirname "$0")/../example/Widget" && pwd) && [ -n "$example" ] ||
  { echo "usage: $0 posix|wine <tool> <git double folder>, from the source tree" >&2; exit 2; }
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-e2e.XXXXXX")
trap 'rm -rf "$root"' EXIT
export GIT_CEILING_DIRECTORIES=$root WINEDEBUG=-all
log=$root/git.log
real_git=$(command -v git)
mkdir "$root/bin"
printf '#!/bin/sh\nprintf "[%%s]" "$@" >>"%s"; echo >>"%s"\nexec "%s" "$@"\n' \
  "$log" "$log" "$real_git" >"$root/bin/git"
chmod +x "$root/bin/git"
exe=revstamp sep=/  # the interpreter stand-in hands git '/' for '\'
[ "$platform" = wine ] && exe=revstamp.exe sep=\\

failures=0
fail() { echo "FAIL [$scenario] $*" >&2; failures=$((failures + 1)); return 1; }
expect_eq() { [ "$2" == "$3" ] || fail "$1: got '$2', expected '$3'"; }
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
git_() { "$real_git" -C "$repo" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@"; }
# commit <message>: the work tree as it is; next_commit <message>: a new HEAD
# that changes nothing of the project (a stamped file stays uncommitted).
commit() { git_ add -A && git_ commit -qm "$1"; }
next_commit() { echo "$1" >>"$repo/history.txt" && git_ add history.txt && git_ commit -qm "$1"; }
head_hash() { git_ rev-parse --short HEAD; }
# replace_first <file> <text> <replacement>: in place, every other byte kept.
replace_first() { FROM=$2 TO=$3 perl -0777 -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$1"; }
rc_line() { echo "VALUE \"OriginalFilename\", \"$1\""; }
cs_line() { echo "[assembly: AssemblyCopyright(\"$1\")]"; }
rev_parse="[rev-parse][--short][HEAD]"

# new_project <folder name> [outside]: the example project under that name,
# its resource script renamed and naming <folder name>.exe, committed to a
# fresh repository (unless "outside"), with the tool beside it. Sets $repo,
# $proj and $name.
new_project() {
  name=$1
  repo=$(mktemp -d "$root/repo.XXXXXX")
  proj=$repo/$name
  mkdir -p "$proj" && cp -R "$example/." "$proj/"
  [ "$name" = Widget ] || mv "$proj/Widget.rc" "$proj/$name.rc"
  replace_first "$proj/$name.rc" '"Widget.exe"' "\"$name.exe\""
  if [ "${2:-}" != outside ]; then
    git_ init -q && echo "$exe" >>"$repo/.git/info/exclude" && commit initial
  fi
  cp "$tool" "$proj/$exe"
}

# launch [args...]: starts the tool ($exe) in $proj, with git on its path,
# or none with NO_GIT set. Under Wine the double gets HEAD's hash and files.
launch() {
  if [ "$platform" = posix ]; then
    local path=$root/bin:$PATH
    [ -z "${NO_GIT:-}" ] || path=/nonexistent
    (cd "$proj" && PATH=$path "./$exe" "$@")
  else
    local winepath ; winepath=$(winpath "$double_dir")
    [ -z "${NO_GIT:-}" ] || winepath='C:\nonexistent'
    (cd "$proj" && WINEPATH=$winepath REVSTAMP_TEST_LOG=$(winpath "$log") \
      REVSTAMP_TEST_STORE=$(winpath "$root/store/$name") wine "./$exe" "$@")
  fi
}

# export_head: what the double needs to play git at HEAD.
export_head() {
  [ "$platform" = wine ] || return 0
  rm -rf "$root/store" && mkdir "$root/store"
  unset REVSTAMP_TEST_HASH
  [ -d "$repo/.git" ] || return 0
  git_ archive HEAD | tar -x -C "$root/store"
  export REVSTAMP_TEST_HASH ; REVSTAMP_TEST_HASH=$(head_hash)
}

# run_tool [args...]: one run; sets $status, $out, $err and $calls (the git
# calls made, one line each).
run_tool() {
  rm -f "$log"
  export_head
  launch "$@" >"$root/out" 2>"$root/err"
  status=$?
  out=$(cat "$root/out") err=$(cat "$root/err") calls=$(cat "$log" 2>/dev/null)
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
  cmp -s "$root/expected" "$proj/$1" ||
    fail "$1 is not as expected: $(diff <(cat -A "$root/expected") <(cat -A "$proj/$1") | head -5)"
}
expect_rc_stamped() { expect_file "$name.rc" "$(rc_line "$name.exe")" "$(rc_line "$(head_hash)")"; }
expect_cs_stamped() { expect_file Properties/AssemblyInfo.cs "$(cs_line "")" "$(cs_line "$(head_hash)")"; }

scenario="mode 1 stamps the resource script"
new_project Widget
run_tool
expect_quiet_success
expect_rc_stamped
expect_file Properties/AssemblyInfo.cs "" ""
expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][Widget.rc]"

scenario="mode 2 stamps AssemblyInfo.cs, byte-order mark and CR LF kept"
run_tool 2
expect_quiet_success
expect_cs_stamped
expect_rc_stamped  # from the run before; mode 2 leaves it alone
expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][Properties${sep}AssemblyInfo.cs]"

scenario="a new commit gets a new stamp"
next_commit second
run_tool 1
run_tool 2
expect_rc_stamped
expect_cs_stamped

scenario="a run that leaves the bytes as they were leaves the time too"
# To 100 ns, the resolution Windows keeps.
mtime() { stat -c %y "$proj/Widget.rc" | cut -c1-27; }
stamped_at=$(mtime)
run_tool
expect_eq "time after a run with no new commit" "$(mtime)" "$stamped_at"
next_commit third
run_tool
expect_rc_stamped
[ "$(mtime)" \> "$stamped_at" ] || fail "the time stayed when the bytes changed"

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
done

# Names the interpreter would act on even inside quotes, and names Git would
# read as an option or a pattern: no restore, no stamp, the edit kept.
refused=("100%" "-bx" "--orphan=x" "App[12]")
[ "$platform" = wine ] || refused+=("A*" "A?" ":^W")  # not Windows names
for folder in "${refused[@]}"; do
  scenario="folder '$folder' is left alone"
  new_project "$folder"
  [ "$folder" != "App[12]" ] || { cp "$proj/$folder.rc" "$proj/App1.rc" && commit App1; }
  for rc in "$proj"/*.rc; do echo "uncommitted edit" >>"$rc"; done
  cp -R "$proj" "$root/before"
  run_tool
  expect_quiet_success
  diff -r "$root/before" "$proj" >/dev/null || fail "the folder changed"
  expect_eq "git calls" "$calls" "$rev_parse"
  expect_eq "branch" "$(git_ symbolic-ref --short HEAD)" main
  rm -rf "$root/before"
done

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

# Resource scripts as Windows tools save them, folder names outside ASCII:
# <folder> <encoding of its name> <encoding of the script> <stamped?>.
# The tool's texts are in the ANSI code page on Windows (936 under these
# tests) and in UTF-8 on POSIX, and are converted for a UTF-16LE script.
rows=("Widget UTF-8 UTF-16LE yes")
if [ "$platform" = posix ]; then
  rows+=("工具 UTF-8 UTF-8 yes" "工具 UTF-8 UTF-16LE yes" "Café UTF-8 UTF-8 yes"
         "Café UTF-8 UTF-16LE yes" $'Caf\xe9 LATIN1 UTF-16LE no')
  ansi() { cat; }
else
  rows+=("工具 UTF-8 GBK yes" "工具 UTF-8 UTF-16LE yes")
  ansi() { iconv -f UTF-8 -t GBK; }
fi
for row in "${rows[@]}"; do
  read -r folder from encoding stamped <<<"$row"
  scenario="folder $folder, script in $encoding"
  new_project "$folder"
  bom=""
  [ "$encoding" != UTF-16LE ] || bom=$'\xff\xfe'
  { printf %s "$bom"; iconv -f "$from" -t "$encoding" "$proj/$folder.rc"; } >"$root/encoded"
  mv "$root/encoded" "$proj/$folder.rc"
  echo "*.rc binary" >"$proj/.gitattributes"
  commit "saved in $encoding"
  for run in 1 2; do
    [ "$run" = 1 ] || next_commit another
    run_tool
    expect_quiet_success
    expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][$(printf %s "$folder.rc" | ansi)]"
    git_ show "HEAD:$folder/$folder.rc" >"$root/expected"
    if [ "$stamped" = yes ]; then
      iconv -f "$encoding" -t UTF-8 "$root/expected" >"$root/decoded"
      replace_first "$root/decoded" "$(rc_line "$folder.exe")" "$(rc_line "$(head_hash)")"
      iconv -f UTF-8 -t "$encoding" "$root/decoded" >"$root/expected"
    fi
    cmp -s "$root/expected" "$proj/$folder.rc" || fail "run $run: not as expected"
  done
done

scenario="renamed"
new_project Widget
mv "$proj/$exe" "$proj/stamp-$exe"
exe=stamp-$exe run_tool
expect_quiet_success
expect_rc_stamped

scenario="8 runs at once, round after round"
# Parallel builds start pre-build steps like this. Git's restore replaces
# the file in steps, so runs must not interleave: after each round the file
# is exactly the stamped one, and nothing is left beside it.
new_project Widget
export_head
listing=$(ls -A "$proj")
rounds=40
[ "$platform" = posix ] || rounds=10
for round in $(seq "$rounds"); do
  echo "uncommitted edit" >>"$proj/Widget.rc"
  for i in 1 2 3 4 5 6 7 8; do launch >/dev/null 2>&1 & done
  wait
  expect_rc_stamped || break
  expect_eq "files after round $round" "$(ls -A "$proj")" "$listing" || break
done

if [ "$platform" = posix ]; then
  scenario="a file-size limit below the stamped file's size"
  # A longer hash than the name it replaces makes the file grow past the
  # limit: the write fails as on a full disk, and the restored file stays.
  new_project Widget
  git_ config core.abbrev 12
  echo "uncommitted edit" >>"$proj/Widget.rc"
  limit=$(git_ cat-file -s HEAD:Widget/Widget.rc)
  listing=$(ls -A "$proj")
  rm -f "$log"  # the wrapper writes it under the limit too
  (cd "$proj" && PATH=$root/bin:$PATH prlimit --fsize="$limit" "./$exe")
  expect_eq "exit status" "$?" 0
  expect_file Widget.rc "" ""
  expect_eq "files" "$(ls -A "$proj")" "$listing"
fi

if [ "$platform" = wine ]; then
  scenario="manifest"
  grep -q 'level="asInvoker"' "$tool" || fail "no asInvoker manifest in $tool"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures e2e check(s) failed" >&2
  exit 1
fi
echo "e2e ($platform): all checks passed"

#!/usr/bin/env bash
# End-to-end tests: the built tool, copied into throwaway Git repositories and
# run from there, as a pre-build step runs it.
#
#   e2e.sh posix <revstamp>              real Git, on this machine
#   e2e.sh wine  <revstamp.exe> <bin>    under Wine, with the git double from
#                                        <bin> on the Windows PATH
#
# Under Wine the tool can't run Linux git, so the double answers instead: it
# prints the hash of HEAD and restores files from a copy of HEAD that this
# script exports before each run. On POSIX a wrapper records the calls to the
# real git the way the double does. Every scenario runs unchanged on both.
set -u
platform=$1
tool=$(realpath "$2")
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-e2e.XXXXXX")
trap 'rm -rf "$root"' EXIT
log="$root/git.log"
real_git=$(command -v git)

case $platform in
  posix)
    tool_name=revstamp
    mkdir "$root/bin"
    printf '#!/bin/sh\nprintf "[%%s]" "$@" >>"%s"; echo >>"%s"\nexec "%s" "$@"\n' \
      "$log" "$log" "$real_git" >"$root/bin/git"
    chmod +x "$root/bin/git"
    ;;
  wine)
    tool_name=revstamp.exe
    double_dir=$(realpath "$3")
    export WINEDEBUG=-all
    export WINEPATH="Z:${double_dir//\//\\}"
    ;;
  *) echo "usage: $0 posix|wine <tool> [<double dir>]" >&2; exit 2 ;;
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

git_quiet() { "$real_git" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@" >/dev/null 2>&1; }

# new_project <folder name>: a repository under $root holding the project
# folder with the example files, committed, and the tool copied beside them
# (ignored by Git). Sets $repo and $proj.
new_project() {
  repo=$(mktemp -d "$root/repo.XXXXXX")
  proj="$repo/$1"
  mkdir -p "$proj/Properties"
  printf 'VALUE "OriginalFilename", "%s.exe"\r\n' "$1" >"$proj/$1.rc"
  printf '[assembly: AssemblyCopyright("")]\r\n' >"$proj/Properties/AssemblyInfo.cs"
  git_quiet -C "$repo" init
  echo "$tool_name" >>"$repo/.git/info/exclude"
  git_quiet -C "$repo" add -A
  git_quiet -C "$repo" commit -m initial
  cp "$tool" "$proj/$tool_name"
}

# run_tool <args...>: runs the tool from the project folder. Sets $status,
# $out, $err, and $calls: the git calls it made, one line each.
run_tool() {
  rm -f "$log"
  if [ "$platform" = wine ]; then
    rm -rf "$root/store" && mkdir "$root/store"
    "$real_git" -C "$repo" archive HEAD | tar -x -C "$root/store"
    export REVSTAMP_TEST_STORE REVSTAMP_TEST_HASH REVSTAMP_TEST_LOG
    REVSTAMP_TEST_STORE=$(winpath "$root/store/${proj#"$repo"/}")
    REVSTAMP_TEST_HASH=$("$real_git" -C "$repo" rev-parse --short HEAD)
    REVSTAMP_TEST_LOG=$(winpath "$log")
    (cd "$proj" && wine "./$tool_name" "$@" >"$root/out" 2>"$root/err")
  else
    (cd "$proj" && PATH="$root/bin:$PATH" "./$tool_name" "$@" >"$root/out" 2>"$root/err")
  fi
  status=$?
  out=$(cat "$root/out")
  err=$(cat "$root/err")
  calls=$(cat "$log" 2>/dev/null)
}

# The work tree's state: changes to tracked files and new files.
tree_state() { "$real_git" -C "$repo" status --porcelain --untracked-files=all; }

scenario="mode 0 touches nothing"
new_project Widget
run_tool 0
expect_eq "exit status" "$status" 0
expect_eq "stdout" "$out" ""
expect_eq "stderr" "$err" ""
expect_eq "work tree" "$(tree_state)" ""
expect_eq "git calls" "$calls" "[rev-parse][--short][HEAD]"

if [ "$platform" = wine ]; then
  scenario="manifest"
  grep -q 'level="asInvoker"' "$tool" || fail "no asInvoker manifest in $tool"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures e2e check(s) failed" >&2
  exit 1
fi
echo "e2e ($platform): all checks passed"

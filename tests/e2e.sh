#!/usr/bin/env bash
# End-to-end tests: the built tool, copied into throwaway Git repositories
# that hold the example project, and run from there as a pre-build step runs
# it.
#
#   e2e.sh <revstamp> <bin>        with real Git
#   e2e.sh <revstamp.exe> <bin>    under Wine, with <bin>/git.exe
#
# Windows programs under Wine can't run Linux git, so there the test binary,
# copied to <bin>/git.exe, plays git: it prints the hash of HEAD and restores
# files from a copy of HEAD that this script exports before each run. On
# POSIX a wrapper records the calls to the real git in the same format.
set -u
tool=$(realpath "$1") && bin=$(realpath "$2") &&
  example=$(cd "$(dirname "$0")/../example/Widget" && pwd) && [ -n "$example" ] ||
  { echo "usage: $0 <tool> <git folder>, from the source tree" >&2; exit 2; }
platform=posix exe=revstamp sep=/  # the interpreter stand-in hands git '/' for '\'
[[ $tool == *.exe ]] && platform=wine exe=revstamp.exe sep=\\
root=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/revstamp-e2e.XXXXXX")")
trap 'rm -rf "$root"' EXIT
export GIT_CEILING_DIRECTORIES=$root WINEDEBUG=-all
log=$root/git.log
mkdir "$root/bin"
printf '#!/bin/sh\nprintf "[%%s]" "$@" >>"%s"; echo >>"%s"\nexec "%s" "$@"\n' \
  "$log" "$log" "$(command -v git)" >"$root/bin/git"
chmod +x "$root/bin/git"
# Git warns on its error stream at every command, and succeeds.
mkdir "$root/home" && printf '[core]\n\tfsyncObjectFiles = true\n' >"$root/home/.gitconfig"

failures=0
fail() { echo "FAIL [$scenario] $*" >&2; failures=$((failures + 1)); return 1; }
expect_eq() { [ "$2" == "$3" ] || fail "$1: got '$2', expected '$3'"; }
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
git_() { git -C "$repo" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@"; }
# next_commit: a new HEAD that changes nothing of the project.
next_commit() { date +%N >>"$repo/history" && git_ add history && git_ commit -qm next; }
head_hash() { git_ rev-parse --short HEAD; }
# replace_first <file> <text> <replacement>: in place, every other byte kept.
replace_first() { FROM=$2 TO=$3 perl -0777 -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$1"; }
rc_line() { echo "VALUE \"OriginalFilename\", \"$1\""; }
rev_parse="[rev-parse][--short][HEAD]"

# add_project <path>: the example project at <path> in $repo, named after
# its last folder: its resource script renamed and naming <name>.exe,
# committed, with the tool beside it.
add_project() {
  proj=$repo/$1 name=${1##*/}
  mkdir -p "$proj" && cp -R "$example/." "$proj/"
  [ "$name" = Widget ] || mv "$proj/Widget.rc" "$proj/$name.rc"
  replace_first "$proj/$name.rc" '"Widget.exe"' "\"$name.exe\""
  git_ add -A && git_ commit -qm project && cp "$tool" "$proj/$exe"
}
# new_project <folder name>: add_project in a fresh repository.
new_project() {
  repo=$(mktemp -d "$root/repo.XXXXXX")
  git_ init -q && echo "$exe" >>"$repo/.git/info/exclude" && add_project "$1"
}

# launch [args...]: starts the tool ($exe) in $proj, with git on its path or,
# with NO_GIT set, none. Under Wine, export_head tells git what HEAD holds.
launch() {
  local path=$root/bin:$PATH winepath ; winepath=$(winpath "$bin")
  [ -z "${NO_GIT:-}" ] || path=/nonexistent winepath='C:\nonexistent'
  if [ "$platform" = posix ]; then  # WRAP: a command to run it under
    (cd "$proj" && PATH=$path HOME=$root/home ${WRAP:-} "./$exe" "$@")
  else
    (cd "$proj" && WINEPATH=$winepath REVSTAMP_TEST_LOG=$(winpath "$log") \
      REVSTAMP_TEST_STORE=$(winpath "$root/store/${proj#"$repo"/}") \
      REVSTAMP_TEST_LOCK=$(winpath "$repo/.git/index.lock") wine "./$exe" "$@")
  fi
}
export_head() {
  rm -rf "$root/store" && mkdir "$root/store" && git_ archive HEAD | tar -x -C "$root/store"
  export REVSTAMP_TEST_HASH ; REVSTAMP_TEST_HASH=${HASH:-$(head_hash)}  # HASH: git's answer
}

# run_tool [args...]: one run, which must end with 0 and print nothing. Sets
# $calls: the git calls it made, one line each.
run_tool() {
  rm -f "$log" && export_head
  launch "$@" >"$root/out" 2>&1
  expect_eq "exit status and output of '$*'" "$? $(cat "$root/out")" "0 "
  calls=$(cat "$log" 2>/dev/null)
}

# expect_file <file> [<text> <replacement>]: the file in $proj holds its
# committed bytes, with the first <text> replaced.
expect_file() {
  git_ show "HEAD:${proj#"$repo"/}/$1" >"$root/expected"
  [ $# -lt 3 ] || replace_first "$root/expected" "$2" "$3"
  cmp -s "$root/expected" "$proj/$1" ||
    fail "$1: $(diff <(cat -A "$root/expected") <(cat -A "$proj/$1") | head -3)"
}
rc_stamped() { expect_file "$name.rc" "$(rc_line "$name.exe")" "$(rc_line "$(head_hash)")"; }
cs_stamped() {
  expect_file Properties/AssemblyInfo.cs '[assembly: AssemblyCopyright("")]' \
    "[assembly: AssemblyCopyright(\"$(head_hash)\")]"
}

scenario="mode 1 stamps the resource script, mode 2 AssemblyInfo.cs, anew after a commit"
new_project Widget
# The rewrite is a new file, which a hard link doesn't follow, and which is
# what the file was besides its bytes: its permissions (POSIX), its
# attributes (Windows).
ln "$proj/Widget.rc" "$root/link"
attributes() { (cd "$proj" && wine cmd /c attrib "$@" Widget.rc); }
if [ "$platform" = posix ]; then chmod 0604 "$proj/Widget.rc"; else attributes +h; fi
# Both change the file's ctime: without a refresh, Git's restore rewrites the
# file whenever a second has passed since the commit.
git_ update-index -q --refresh
# A run killed outright left its new file behind: the next run removes it.
listing=$(ls -A "$proj") && touch "$proj/Widget.rc.revstamp-x1Y2z3"
run_tool
rc_stamped && expect_file Properties/AssemblyInfo.cs && expect_eq files "$(ls -A "$proj")" "$listing"
expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][--][Widget.rc]"
cmp -s "$root/link" "$example/Widget.rc" || fail "the file was written in place"
if [ "$platform" = posix ]; then expect_eq mode "$(stat -c %a "$proj/Widget.rc")" 604
else [[ $(attributes) == "A   H "* ]] || fail "the file is no longer hidden: $(attributes)"; fi
run_tool 2
cs_stamped && rc_stamped
expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][--][Properties${sep}AssemblyInfo.cs]"
mtime() { stat -c %y "$proj/Widget.rc" | cut -c1-27; }  # to 100 ns, as Windows keeps it
stamped_at=$(mtime)
run_tool
expect_eq "time after a run with no new commit" "$(mtime)" "$stamped_at"
next_commit
run_tool && run_tool 2
rc_stamped && cs_stamped
[ "$(mtime)" \> "$stamped_at" ] || fail "the bytes changed, the time stayed"
# Over 1 MiB the time isn't kept: the file has the time of its rewrite.
git_ checkout -q -- . && printf '//%1048576s\n' "" >>"$proj/Widget.rc" && git_ commit -qam big
run_tool && stamped_at=$(mtime) && run_tool
rc_stamped && { [ "$(mtime)" \> "$stamped_at" ] || fail "over 1 MiB, the time was kept"; }

scenario="the mode rule"
stamps() {  # <rc, cs or none> <arguments...>: what the arguments stamp
  new_project Widget
  run_tool "${@:2}"
  if [ "$1" = rc ]; then rc_stamped; else expect_file Widget.rc; fi
  if [ "$1" = cs ]; then cs_stamped; else expect_file Properties/AssemblyInfo.cs; fi
  [ "$1" != none ] || expect_eq "git calls of '$2'" "$calls" "$rev_parse"
}
for mode in 0 3 -1 abc 4294967297; do stamps none "$mode"; done
stamps cs 2x && stamps cs " 2" && stamps cs +2 && stamps rc 2 x

# Folder names: with what the interpreter would act on, each alone, quoted;
# with what quotes can't protect, what Git reads as an option or a pattern,
# or (POSIX) a backslash, left alone: no restore, no stamp, edits kept.
quoted=("My Proj" "x&y" "a(b" "a)b" "a^b")
refused=("100%" "a!b" "-bx" "--orphan=x" "App[12]")
[ "$platform" = wine ] ||  # not Windows names
  quoted+=("a|b" "a<b" "a>b") refused+=('a"b' $'a\tb' "A*" "A?" ":^W" 'back\slash')
for folder in "${quoted[@]}" "${refused[@]}"; do
  scenario="folder '$folder'"
  new_project "$folder"
  [ "$folder" != "App[12]" ] ||
    { cp "$proj/$folder.rc" "$proj/App1.rc" && git_ add -A && git_ commit -qm App1; }
  for rc in "$proj"/*.rc; do echo "uncommitted edit" >>"$rc"; done
  # In Windows form, back\slash would name the folder back/slash/.
  [ "$folder" != 'back\slash' ] || { mkdir -p "$repo/back/slash" &&
    sed 's/Widget.exe/slash.exe/' "$example/Widget.rc" >"$repo/back/slash/slash.rc"; }
  cp -R "$repo" "$root/before"
  run_tool
  if [[ " ${quoted[*]} " == *" $folder "* ]]; then
    rc_stamped && expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][--][$folder.rc]"
  else
    diff -r -x .git "$root/before" "$repo" >/dev/null || fail "files changed"
    expect_eq "git calls, branch" "$calls $(git_ symbolic-ref --short HEAD)" "$rev_parse main"
  fi
  rm -rf "$root/before"
done

scenario="git missing: the interpreter's message takes the hash's place"
new_project Widget
NO_GIT=1 run_tool
if [ "$platform" = wine ]; then expect_file Widget.rc  # cmd.exe's ends in CR LF: not stamped
else expect_file Widget.rc "$(rc_line Widget.exe)" "$(rc_line "'git' is not recognized as an \
internal or external command, operable program or batch file.")"; fi

if [ "$platform" = wine ]; then  # Git for Windows can't answer so; the double can
  scenario="a hash that can't be stamped: the file is restored all the same"
  new_project Widget && echo "uncommitted edit" >>"$proj/Widget.rc"
  HASH='1a2b\3c4' run_tool && expect_file Widget.rc
fi

# Resource scripts as Windows tools save them, and folder names outside
# ASCII, in the tool's encoding (on Windows the ANSI code page: 936 under
# these tests, 1252 under a Western locale, where the OEM one differs):
# <folder> <its name's encoding> <the script's> <stamped?> [<ANSI code page>].
rows=("Widget UTF-8 UTF-16LE yes")
if [ "$platform" = posix ]; then
  rows+=("工具 UTF-8 UTF-8 yes" "工具 UTF-8 UTF-16LE yes" "Café😀 UTF-8 UTF-16LE yes"
         $'Caf\xe9 LATIN1 UTF-16LE no' $'a\x80b LATIN1 UTF-16LE no')
  ansi() { cat; }
else
  rows+=("工具 UTF-8 GBK yes" "工具 UTF-8 UTF-16LE yes" "Café UTF-8 UTF-16LE yes CP1252")
  ansi() { iconv -f UTF-8 -t "${codepage:-GBK}"; }
fi
for row in "${rows[@]}"; do
  read -r folder from encoding stamped codepage <<<"$row"
  scenario="folder $folder, script in $encoding"
  lang=${LANG-} && [ -z "$codepage" ] || lang=en_US.UTF-8
  new_project "$folder"
  bom="" && [ "$encoding" != UTF-16LE ] || bom=$'\xff\xfe'
  { printf %s "$bom"; iconv -f "$from" -t "$encoding" "$proj/$folder.rc"; } >"$root/encoded"
  mv "$root/encoded" "$proj/$folder.rc" && echo "*.rc binary" >"$proj/.gitattributes"
  git_ add -A && git_ commit -qm "saved in $encoding"
  LANG=$lang run_tool && next_commit && LANG=$lang run_tool  # the second restores a stamped one
  expect_eq "git calls" "$calls" "$rev_parse"$'\n'"[checkout][--][$(printf %s "$folder.rc" | ansi)]"
  git_ show "HEAD:$folder/$folder.rc" >"$root/expected"
  if [ "$stamped" = yes ]; then
    iconv -f "$encoding" -t UTF-8 "$root/expected" >"$root/decoded"
    replace_first "$root/decoded" "$(rc_line "$folder.exe")" "$(rc_line "$(head_hash)")"
    iconv -f UTF-8 -t "$encoding" "$root/decoded" >"$root/expected"
  fi
  cmp -s "$root/expected" "$proj/$folder.rc" || fail "not as expected"
done

# The tool's own path, as it sees it, of 259 characters (it is renamed to
# fill them) and of 260, which can only have been cut short.
for length in 259 260; do
  scenario="the tool's path of $length characters"
  new_project Widget
  seen=$proj/
  [ "$platform" = posix ] || seen=$(winpath "$proj")\\
  long=$(printf "%$((length - ${#seen} - ${#exe}))s" "" | tr ' ' x)$exe
  mv "$proj/$exe" "$proj/$long"
  exe=$long run_tool
  if [ "$length" = 259 ]; then rc_stamped; else expect_file Widget.rc; fi
done

scenario="projects of one work tree at once, round after round"
# Parallel builds start pre-build steps so: projects side by side, and one
# project in two configurations. Git's restore takes the work tree's index
# lock and writes the file in steps, so runs must take turns: after each
# round every file is exactly the stamped one, and nothing else changed.
paths=(Widget App x/y/Deep Tool x/y/Deeper Lib Core z/w/Svc) rounds=20
[ "$platform" = posix ] || paths=("${paths[@]:0:4}") rounds=5
new_project Widget
for p in "${paths[@]:1}"; do add_project "$p"; done
for round in $(seq "$rounds"); do
  next_commit && export_head
  for i in "${!paths[@]}"; do
    proj=$repo/${paths[i]} targets=("${paths[i]##*/}.rc" Properties/AssemblyInfo.cs)
    echo "uncommitted edit" >>"$proj/${targets[i % 2]}"
    launch $((i % 2 + 1)) & launch $((i % 2 + 1)) &
  done >/dev/null 2>&1
  wait
  for i in "${!paths[@]}"; do
    proj=$repo/${paths[i]} name=${paths[i]##*/}
    if [ $((i % 2)) = 0 ]; then rc_stamped && expect_file Properties/AssemblyInfo.cs
    else cs_stamped && expect_file "$name.rc"; fi
  done
  expect_eq "other changes after round $round" \
    "$(git_ status --porcelain -uall | grep -v -E '^ M .*(\.rc|/AssemblyInfo\.cs)$')" ""
  [ ! -e "$repo/.git/index.lock" ] || fail "index.lock left"
  [ "$failures" = 0 ] || break
done

scenario="Git's index lock held elsewhere for half a second, then for good"
new_project Widget && run_tool && next_commit
touch "$repo/.git/index.lock" && { sleep 0.5; rm "$repo/.git/index.lock"; } &
run_tool
rc_stamped
# A crashed Git leaves its lock behind: the runs give up after about 10 s,
# all of them, not one after another, and every file keeps what it held.
# (Under Wine each try starts two processes, and 6 runs take up to 15 s.)
wait && for p in A B C D E; do add_project "$p" && run_tool; done && next_commit && export_head
touch "$repo/.git/index.lock" && cp -R "$repo" "$root/before" && SECONDS=0
for p in Widget A B C D E; do (proj=$repo/$p && launch >"$root/out.$p" 2>&1; echo "$?" >>"$root/out.$p") & done
wait
[ "$SECONDS" -lt 20 ] || fail "6 runs at once took $SECONDS s"
expect_eq "exit statuses and output" "$(cat "$root"/out.*)" "$(printf '0\n%.0s' 1 2 3 4 5 6)"
diff -r "$root/before" "$repo" >/dev/null || fail "files changed"
rm -rf "$root/before"

# Another process holds the work tree's lock (a run in another project), or
# the target without sharing (a virus scanner, an editor), for a second: a
# run started meanwhile waits, then stamps.
for held in repo target; do
  scenario="a run waits while another process holds the $held"
  new_project x/Widget && rm -f "$root/held"
  target=$repo && [ $held = repo ] || target=$proj/Widget.rc
  if [ "$platform" = posix ]; then "$bin/git" --child=hold "$target" "$root/held" &
  else wine "$bin/git.exe" --child=hold "$(winpath "$target")" "$(winpath "$root/held")" & fi
  for _ in $(seq 100); do [ -s "$root/held" ] && break; sleep 0.1; done
  run_tool
  rc_stamped && expect_eq "the holder" "$(cat "$root/held")" released
  wait
done

if [ "$platform" = posix ]; then
  scenario="PATH: an empty entry is no folder, a git that isn't a program is no git"
  new_project Widget
  mkdir -p "$root/nonexec" "$root/folder/git" && touch "$root/nonexec/git"
  printf '#!/bin/sh\necho 0bad0\n' >"$proj/git" && chmod +x "$proj/git"
  (cd "$proj" && PATH=":$root/nonexec:$root/folder:$root/bin:$PATH" "./$exe")
  rc_stamped

  scenario="a file-size limit below the stamped file's size"
  # A hash longer than the name it replaces makes the file grow past the
  # limit: the write fails as on a full disk, and the restored file stays.
  new_project Widget
  git_ config core.abbrev 12
  echo "uncommitted edit" >>"$proj/Widget.rc"
  listing=$(ls -A "$proj")
  WRAP="prlimit --fsize=$(git_ cat-file -s HEAD:Widget/Widget.rc)" run_tool
  expect_file Widget.rc && expect_eq "files" "$(ls -A "$proj")" "$listing"

  for kind in branch tag; do
    scenario="a $kind named like the target"
    new_project Widget && next_commit && git_ "$kind" Widget.rc HEAD~ && head=$(git_ rev-parse HEAD)
    run_tool
    rc_stamped && expect_eq "HEAD, branch" "$(git_ rev-parse HEAD) $(git_ symbolic-ref HEAD)" \
      "$head refs/heads/main" && expect_eq "changed" "$(git_ status --porcelain)" " M Widget/Widget.rc"
  done

  scenario="a target committed as a link to a file other projects share"
  new_project Widget && mv "$proj/Widget.rc" "$repo/shared.rc"
  ln -s ../shared.rc "$proj/Widget.rc" && git_ add -A && git_ commit -qm link
  for round in 1 2; do
    next_commit && run_tool && git_ show HEAD:shared.rc >"$root/expected"
    replace_first "$root/expected" "$(rc_line Widget.exe)" "$(rc_line "$(head_hash)")"
    cmp -s "$root/expected" "$proj/Widget.rc" || fail "round $round: not stamped"
  done
  git_ diff --quiet -- shared.rc || fail "the shared file was written"

  # An interrupt (a build cancelled from the IDE) while the new file is
  # written, delivered when its permissions are set: held off until the file
  # is in place, then it ends the run.
  for signal in INT TERM; do
    scenario="SIG$signal while the new file is written"
    new_project Widget && listing=$(ls -A "$proj") && rm -f "$log" && export_head
    { WRAP="env --default-signal=$signal strace -o /dev/null -e trace=fchmod
      -e inject=fchmod:signal=SIG$signal" launch; } 2>/dev/null  # bash: "Terminated"
    expect_eq "exit status" $? $((128 + $(kill -l "$signal")))
    rc_stamped && expect_eq "files" "$(ls -A "$proj")" "$listing"
  done

  scenario="the tool linked into the project's folder from elsewhere"
  new_project Widget && mkdir -p "$root/opt" && mv "$proj/$exe" "$root/opt/"
  ln -s "$root/opt/$exe" "$proj/$exe" && run_tool && rc_stamped
else
  scenario="manifest"
  grep -q 'level="asInvoker"' "$tool" || fail "no asInvoker manifest in $tool"
fi

[ "$failures" -eq 0 ] || { echo "$failures e2e check(s) failed" >&2; exit 1; }
echo "e2e ($platform): all checks passed"

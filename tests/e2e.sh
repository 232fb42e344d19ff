#!/usr/bin/env bash
# End-to-end tests: the built tool, copied into throwaway Git repositories
# that hold the example project, and run from there as a pre-build step runs
# it. One row for each way through the program; the rules in between (the
# mode, the texts, the quoting, the command-line splitting) are unit tests.
#
#   e2e.sh <revstamp> <bin> [<runner>...]   with real Git; the runner, if
#                                           any, starts each run (qemu)
#   e2e.sh <revstamp.exe> <bin> [wine]      under Wine, with the git.exe in
#                                           $WINDOWS_GIT, or <bin>/git.exe
#   ONLY=<text> e2e.sh ...                  only the scenarios named so
#
# Windows programs under Wine can't run Linux git: there a real git.exe
# (tests/windows-git.sh) logs its calls (GIT_TRACE), and where there is none,
# the test binary, copied to <bin>/git.exe, plays git: it prints the hash of
# HEAD and restores files from a copy of HEAD that this script exports
# before each run. On POSIX a wrapper records the calls to the real git,
# and gives the hash that no real Git prints (HASH).
tool=$(realpath "$1") && bin=$(realpath "$2") &&
  example=$(cd "$(dirname "$0")/../example/Widget" && pwd) && [ -n "$example" ] ||
  { echo "usage: $0 <tool> <git folder>, from the source tree" >&2; exit 2; }
platform=posix exe=revstamp sep=/ runner=("${@:3}")  # the stand-in hands git '/' for '\'
[[ $tool == *.exe ]] && platform=wine exe=revstamp.exe sep=\\ runner=()
wingit=${WINDOWS_GIT:-} && [ "$platform" = wine ] || wingit=""
root=$(realpath "$(mktemp -d "${TMPDIR:-/tmp}/revstamp-e2e.XXXXXX")") && trap 'rm -rf "$root"' EXIT
source "$(dirname "$0")/lib.sh"
# Wine's prefix stays where it is when HOME is Git's below.
export GIT_CEILING_DIRECTORIES=$root WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
log=$root/git.log && mkdir "$root/bin" "$root/home"
printf '#!/bin/sh\nprintf "[%%s]" "$@" >>"%s"; echo >>"%s"
[ -n "$HASH" ] && [ "$1" = rev-parse ] && exec printf "%%s\\n" "$HASH"\nexec "%s" "$@"\n' \
  "$log" "$log" "$(command -v git)" >"$root/bin/git" && chmod +x "$root/bin/git"
# Git warns on its error stream at every command, and succeeds; any owner's
# repository will do (a run as another user).
printf '[core]\n\tfsyncObjectFiles = true\n[safe]\n\tdirectory = *\n' >"$root/home/.gitconfig"
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
# Under Wine, git.exe can't write to a Unix pipe (it reads the pipe's name,
# which Wine leaves empty): its version comes through a file.
if [ -n "$wingit" ]; then wine "$wingit/git.exe" --version </dev/null >"$root/version" 2>&1
  echo "e2e (wine): real Git $(sed 's/git version //' "$root/version")"
elif [ "$platform" = wine ]; then echo "e2e (wine): the test binary plays Git"
else echo "e2e ($platform): real Git $(git --version | sed 's/git version //')"; fi
# replace_first <file> <text> <replacement>: in place, every other byte kept.
replace_first() { FROM=$2 TO=$3 perl -0777 -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/' "$1"; }
rc_line() { echo "VALUE \"OriginalFilename\", \"$1\""; }; rev_parse="[rev-parse][--short][HEAD]"
restore() { echo "[checkout][--ignore-skip-worktree-bits][--][$1]"; }

# add_project <path>: the example project at <path> in $repo, named after
# its last folder: its resource script renamed and naming <name>.exe,
# committed, with the tool beside it. new_project: in a fresh repository.
add_project() {
  proj=$repo/$1 name=${1##*/}; mkdir -p "$proj"; cp -R "$example/." "$proj/"
  [ "$name" = Widget ] || mv "$proj/Widget.rc" "$proj/$name.rc"
  replace_first "$proj/$name.rc" '"Widget.exe"' "\"$name.exe\""
  git_ add -A; git_ commit -qm project; cp "$tool" "$proj/$exe"
}
new_project() { repo=$(mktemp -d "$root/repo.XXXXXX"); git_ init -q; echo "$exe" >>"$repo/.git/info/exclude"; add_project "$1"; }
# windows_refresh: under Wine, Git for Windows takes the index's stat data
# for its own, as on a Windows machine, where no other Git writes it; else
# it rewrites each clean file it restores (Linux git's inodes differ).
windows_refresh() { [ -z "$wingit" ] || (cd "$repo" && wine "$wingit/git.exe" update-index -q --refresh) </dev/null &>/dev/null || true; }

# launch [args...]: starts the tool ($exe, or as TOOL names it) in $proj,
# with git on its path or, with NO_GIT set, none. Under Wine, export_head
# tells the stand-in what HEAD holds.
launch() {
  local path=$root/bin:$PATH winepath ; winepath=$(winpath "${wingit:-$bin}")
  [ -z "${NO_GIT:-}" ] || path=/nonexistent winepath='C:\nonexistent'
  if [ "$platform" = posix ]; then  # WRAP: a command to run it under
    (cd "$proj" && PATH=$path HOME=$root/home ${WRAP:-} "${runner[@]}" "${TOOL:-./$exe}" "$@"); return; fi
  (cd "$proj" && WINEPATH=$winepath GIT_TRACE=${wingit:+$(winpath "$log")} HOME=$root/home REVSTAMP_TEST_LOG=$(winpath "$log") \
    REVSTAMP_TEST_STORE=$(winpath "$root/store/${proj#"$repo"/}") REVSTAMP_TEST_LOCK=$(winpath "$repo/.git/index.lock") wine "./$exe" "$@")
}
export_head() {
  [ -z "$wingit" ] || return 0; rm -rf "$root/store"; mkdir "$root/store"; git_ archive HEAD | tar -x -C "$root/store"
  export REVSTAMP_TEST_HASH; REVSTAMP_TEST_HASH=${HASH:-$(head_hash)}  # HASH: git's answer
}

# run_tool [args...]: one run, which must end with 0 and print nothing. Sets
# $calls: the git calls it made, one line each. start_tool and end_tool do
# the same around whatever the test does meanwhile; $pid is the run's.
start_tool() { rm -f "$log"; export_head; launch "$@" >"$root/out" 2>&1 & pid=$!; }
end_tool() {
  local status=0; wait "$pid" || status=$?; calls=$(cat "$log" 2>/dev/null || true)
  expect_eq "exit status and output" "$status $(cat "$root/out")" "0 "
  [ -z "$wingit" ] || calls=$(sed -n 's/.* trace: built-in: git //p' <<<"$calls" |
    while read -r line; do eval "set -- $line"; printf '[%s]' "$@"; echo; done)  # Git quotes as sh
}
run_tool() { start_tool "$@"; end_tool; }
# until_ <command...>: waits until the command succeeds (true) or the run
# has ended without it doing so (false): a sign, not a time.
until_() { until "$@"; do kill -0 "$pid" 2>/dev/null || { "$@"; return; }; sleep 0.05; done; }
tries() { [ "$(cat "$log" 2>/dev/null | grep -c checkout)" -ge "$1" ]; }; now() { date +%s%3N; }  # in milliseconds
# at_once <project>...: one run in the first project alone, then one in each
# at once; the runs at once must end within twice the time of the one alone.
# $log then holds the calls of the runs at once.
at_once() {
  local t one p pids=(); t=$(now); proj=$repo/$1 run_tool; one=$(($(now) - t)); rm -f "$log"; t=$(now)
  for p in "$@"; do (proj=$repo/$p && launch >"$root/out.$p" 2>&1; echo "$?" >>"$root/out.$p") & pids+=($!); done
  wait "${pids[@]}"; t=$(($(now) - t)); [ "$t" -lt $((2 * one)) ] || fail "$# runs at once took $t ms, one alone $one ms"
  expect_eq "exit statuses and output" "$(cat "${@/#/$root/out.}")" "$(printf '0\n%.0s' "$@")"
}
# hold <path>...: another process holds the work tree's lock of each entry,
# or each file (an flock on POSIX), until `release`; returns once it does.
# A holder whose scenario ended first lets go once its signs are removed.
hold() {
  local p args=() wins=(); signs=$(mktemp -d "$root/signs.XXXXXX")
  for p in "$@"; do args+=(flock "$p") wins+=("$(winpath "$p")"); done  # flock(1): the lock
  if [ "$platform" = posix ]; then "${args[@]}" sh -c 'touch "$0/held"
    until [ -e "$0/release" ] || [ ! -d "$0" ]; do sleep 0.05; done' "$signs" & holder=$!
  else wine "$bin/git.exe" --child=hold "$(winpath "$signs")" "${wins[@]}" & holder=$!; fi
  until [ -e "$signs/held" ]; do kill -0 $holder || fail "no holder"; sleep 0.05; done
}
release() { touch "$signs/release"; wait $holder; }

# expect_file <file> [<text> <replacement>]: the file in $proj holds its
# committed bytes, with the first <text> replaced.
expect_file() {
  git_ show "HEAD:${proj#"$repo"/}/$1" >"$root/expected"; [ $# -lt 3 ] || replace_first "$root/expected" "$2" "$3"
  cmp -s "$root/expected" "$proj/$1" || fail "$1: $(diff <(cat -A "$root/expected") <(cat -A "$proj/$1") | head -3)"
}
rc_stamped() { expect_file "$name.rc" "$(rc_line "$name.exe")" "$(rc_line "$(head_hash)")"; }
cs_stamped() { expect_file Properties/AssemblyInfo.cs '[assembly: AssemblyCopyright("")]' "[assembly: AssemblyCopyright(\"$(head_hash)\")]"; }
mtime() { stat -c %y "$proj/Widget.rc" | cut -c1-27; }  # to 100 ns, as Windows keeps it

both_modes() {
  local listing stamped_at; new_project Widget
  # The rewrite is a new file, which a hard link doesn't follow, and which is
  # what the file was besides its bytes: its permissions (POSIX), its
  # attributes (Windows). Both change the file's ctime: without a refresh,
  # Git's restore rewrites the file whenever a second has passed since the
  # commit. A run killed outright left its new file behind: the next run
  # removes it, in either mode, and none of the user's files that only look
  # alike.
  ln "$proj/Widget.rc" "$root/link"; attributes() { (cd "$proj" && wine cmd /c attrib "$@" Widget.rc); }
  if [ "$platform" = posix ]; then chmod 0604 "$proj/Widget.rc"; else attributes +h; fi
  git_ update-index -q --refresh; windows_refresh; touch "$proj/Widget.rc.revstamp-notes.txt" "$proj/Widget.rc.revstamX-x1Y2z3"
  listing=$(ls -A "$proj"); touch "$proj"/{Widget.rc,Properties/AssemblyInfo.cs}.revstamp-x1Y2z3
  run_tool; rc_stamped; expect_file Properties/AssemblyInfo.cs; expect_eq files "$(ls -A "$proj")" "$listing"
  expect_eq "git calls" "$calls" "$rev_parse"$'\n'"$(restore Widget.rc)"
  cmp -s "$root/link" "$example/Widget.rc" || fail "the file was written in place"
  if [ "$platform" = posix ]; then expect_eq mode "$(stat -c %a "$proj/Widget.rc")" 604
  else [[ $(attributes) == "A   H "* ]] || fail "the file is no longer hidden: $(attributes)"; fi
  run_tool 2; cs_stamped; rc_stamped; expect_eq files "$(ls -A "$proj/Properties")" AssemblyInfo.cs
  expect_eq "git calls" "$calls" "$rev_parse"$'\n'"$(restore "Properties${sep}AssemblyInfo.cs")"
  stamped_at=$(mtime); run_tool; expect_eq "time after a run with no new commit" "$(mtime)" "$stamped_at"
  next_commit; run_tool; run_tool 2; rc_stamped; cs_stamped; [ "$(mtime)" \> "$stamped_at" ] || fail "the bytes changed, the time stayed"
}; scenario "mode 1 stamps the resource script, mode 2 AssemblyInfo.cs, anew after a commit" both_modes

no_stamp() {  # git is asked for the hash, and that is all
  new_project Widget; run_tool 3; expect_file Widget.rc; expect_file Properties/AssemblyInfo.cs; expect_eq "git calls" "$calls" "$rev_parse"
}; scenario "mode 3 stamps nothing" no_stamp

# folder <name> <quoted or refused>: a folder name with what the interpreter
# would act on is quoted; one with what quotes can't protect is left alone:
# no restore, no stamp, edits kept. (In Windows form, back\slash would name
# the folder back/slash/.)
folder() {
  local before; new_project "$1"; echo "uncommitted edit" >>"$proj/$1.rc"
  [ "$1" != 'back\slash' ] || { mkdir -p "$repo/back/slash" &&
    sed 's/Widget.exe/slash.exe/' "$example/Widget.rc" >"$repo/back/slash/slash.rc"; }
  before=$(mktemp -d "$root/before.XXXXXX"); cp -R "$repo/." "$before"; run_tool
  if [ "$2" = quoted ]; then sed -i '$d' "$proj/$1.rc"; rc_stamped; expect_eq "git calls" "$calls" "$rev_parse"$'\n'"$(restore "$1.rc")"
  else diff -r -x .git "$before" "$repo" >/dev/null || fail "files changed"; expect_eq "git calls" "$calls" "$rev_parse"; fi
}; scenario "a folder name in quotes" folder "My (x&y) ^z" quoted
scenario "a folder name the command can't carry" folder "100%" refused
[ "$platform" = wine ] || scenario "a folder name with a backslash" folder 'back\slash' refused

missing_git() {  # the interpreter's message takes the hash's place
  new_project Widget; NO_GIT=1 run_tool; expect_file Widget.rc
}; scenario "git missing" missing_git

refused_hash() { new_project Widget; echo "edit" >>"$proj/Widget.rc"; HASH='1a2b\3c4' run_tool; sed -i '$d' "$proj/Widget.rc"; expect_file Widget.rc; }
[ -n "$wingit" ] || scenario "a hash that can't be stamped (from a wrapper): the file is restored all the same" refused_hash

# Resource scripts as Windows tools save them, and folder names outside
# ASCII, in the tool's encoding (on Windows the ANSI code page: 936 under
# these tests, 1252 under a Western locale, where the OEM one differs):
# encoded <folder> <its name's encoding> <the script's> <stamped?> [<ANSI code page>].
encoded() {
  local folder=$1 from=$2 encoding=$3 codepage=${5:-} lang=${LANG-} bom=""
  [ -z "$codepage" ] || lang=en_US.UTF-8; [ "$encoding" != UTF-16LE ] || bom=$'\xff\xfe'
  ansi() { if [ "$platform$wingit" = wine ]; then iconv -f UTF-8 -t "${codepage:-GBK}"; else cat; fi; }
  new_project "$folder"; { printf %s "$bom"; iconv -f "$from" -t "$encoding" "$proj/$folder.rc"; } >"$root/encoded"
  mv "$root/encoded" "$proj/$folder.rc"; echo "*.rc binary" >"$proj/.gitattributes"; git_ add -A; git_ commit -qm "in $encoding"
  LANG=$lang run_tool; next_commit; LANG=$lang run_tool  # the second restores a stamped one
  expect_eq "git calls" "$calls" "$rev_parse"$'\n'"$(restore "$(printf %s "$folder.rc" | ansi)")"
  git_ show "HEAD:$folder/$folder.rc" | iconv -f "$encoding" -t UTF-8 >"$root/expected"  # compared decoded
  [ "$4" != yes ] || replace_first "$root/expected" "$(rc_line "$folder.exe")" "$(rc_line "$(head_hash)")"
  iconv -f "$encoding" -t UTF-8 "$proj/$folder.rc" | cmp -s "$root/expected" - || fail "not as expected"
}
rows=("Widget UTF-8 UTF-16LE yes")
if [ "$platform" = posix ]; then rows+=("工具 UTF-8 UTF-8 yes" "Café😀 UTF-8 UTF-16LE yes" $'Caf\xe9 LATIN1 UTF-16LE no')
else rows+=("工具 UTF-8 GBK yes" "工具 UTF-8 UTF-16LE yes" "Café UTF-8 CP1252 yes CP1252" "Café UTF-8 UTF-16LE yes CP1252"); fi
for row in "${rows[@]}"; do read -r -a args <<<"$row"; scenario "folder ${args[0]}, script in ${args[2]}" encoded "${args[@]}"; done

# The tool's own path, as it sees it, of 259 characters (it is renamed to
# fill them) and of 260, which can only have been cut short.
long_path() {
  local seen long; new_project Widget; seen=$proj/; [ "$platform" = posix ] || seen=$(winpath "$proj")\\
  long=$(printf "%$(($1 - ${#seen} - ${#exe}))s" "" | tr ' ' x)$exe; mv "$proj/$exe" "$proj/$long"
  exe=$long run_tool; if [ "$1" = 259 ]; then rc_stamped; else expect_file Widget.rc; fi
}; for length in 259 260; do scenario "the tool's path of $length characters" long_path $length; done

# Parallel builds start pre-build steps so: projects side by side, and one
# project in two configurations. Git's restore takes the work tree's index
# lock and writes the file in steps, so runs must take turns: after each
# round every file is exactly the stamped one, and nothing else changed.
rounds() {
  local paths=(Widget App x/y/Deep Tool x/y/Deeper Lib Core z/w/Svc) rounds=15 round i p files
  [ "$platform" = posix ] || paths=("${paths[@]:0:4}") rounds=5
  new_project Widget; for p in "${paths[@]:1}"; do add_project "$p"; done
  for round in $(seq "$rounds"); do
    next_commit; export_head; for i in "${!paths[@]}"; do
      proj=$repo/${paths[i]} name=${paths[i]##*/}; files=("$name.rc" Properties/AssemblyInfo.cs)
      launch $((i % 2 + 1)) & launch $((i % 2 + 1)) &
    done >/dev/null 2>&1; wait; for i in "${!paths[@]}"; do
      proj=$repo/${paths[i]} name=${paths[i]##*/}
      if [ $((i % 2)) = 0 ]; then rc_stamped; expect_file Properties/AssemblyInfo.cs; else cs_stamped; expect_file "$name.rc"; fi
    done
    expect_eq "other changes after round $round" "$(git_ status --porcelain -uall | grep -v -E '^ M .*(\.rc|/AssemblyInfo\.cs)$' ||
      true)$([ ! -e "$repo/.git/index.lock" ] || echo "index.lock left")" ""
  done
}; scenario "projects of one work tree at once, round after round" rounds

# An IDE holds Git's lock as the run starts: the run tries again, without
# the work tree's lock meanwhile, and stamps the new commit once Git lets
# go. On POSIX the run starts with SIGCHLD ignored, as some build drivers
# start theirs: each child's status still counts (Git's warnings stay out
# of the hash).
git_lock_for_a_while() {
  new_project Widget; run_tool; next_commit; touch "$repo/.git/index.lock"
  WRAP='perl -e $SIG{CHLD}=IGNORE;exec@ARGV' start_tool; until_ tries 2 || fail "the restore was not tried again"
  sleep 3; rm "$repo/.git/index.lock"; end_tool; rc_stamped  # 3 s: how long the IDE holds it
}; scenario "Git's index lock held elsewhere for a few seconds" git_lock_for_a_while

# A crashed Git leaves its lock behind: each run gives up after about 10 s
# and stamps whatever the file holds, so a file never stamped gets the new
# commit (and an earlier commit's stamp no longer matches). The runs give
# up at once: together they take at most twice as long as one such run.
git_lock_for_good() {
  local paths=(A B C D E) p; [ "$platform" = posix ] || paths=(A B)
  new_project Widget; for p in "${paths[@]}"; do add_project "$p"; run_tool; done
  next_commit; touch "$repo/.git/index.lock"; at_once "${paths[@]}" Widget; proj=$repo/Widget name=Widget rc_stamped
}; scenario "Git's index lock left behind for good" git_lock_for_good

# Files hidden from Git's status (skip-worktree), as users hide the stamp:
# restored and stamped as any other, and still hidden.
hidden() {
  new_project Widget; git_ update-index --skip-worktree Widget/Widget.rc Widget/Properties/AssemblyInfo.cs
  run_tool; run_tool 2; next_commit; run_tool; run_tool 2; rc_stamped; cs_stamped; expect_eq "status" "$(git_ status --porcelain)" ""
}; [ "$platform$wingit" = wine ] || scenario "files hidden from Git's status" hidden

# Another process holds the work tree's lock (a run in another project), or
# the target (a virus scanner, an editor): a run started meanwhile waits,
# and stamps once it is let go. The holder lets go only once the run is
# seen waiting: for the lock, the kernel lists it waiting (POSIX: Windows
# shows no sign, and its lock is the unit tests'), and it is held 3 s more,
# as a slow run before it would; for the target, the run tries again. The
# lock is the same whichever path the project is reached by: through a link
# to its folder, and in a linked work tree (.git a file). The linked run is
# wrapped in a lock on the work tree's folder, as CI scripts wrap a build
# (flock <folder> <build>): the tool's own lock is elsewhere.
blocked_on() { grep -q -- "-> FLOCK .*:$(stat -c %i "$1") " /proc/locks; }
held() {
  local link=$root/linked.$RANDOM wt=$root/wt.$RANDOM entry; new_project x/Widget; entry=$repo/.git TOOL= WRAP=
  if [ "$2" = linked ]; then  # the link named as the folder it stands for
    mkdir "$link"; ln -s "$proj" "$link/"; TOOL=$link/Widget/$exe WRAP="timeout 120 flock $repo"
  elif [ "$2" = worktree ]; then
    git_ worktree add -q "$wt"; repo=$wt proj=$wt/x/Widget entry=$wt/.git; cp "$tool" "$proj/$exe"
  fi; [ "$1" = lock ] || entry=$proj/Widget.rc; windows_refresh; hold "$entry"; start_tool; WRAP=
  if [ "$1" = file ]; then until_ tries 2 || fail "the run didn't try again"
  else until_ blocked_on "$entry" || fail "the run didn't wait"; sleep 3; blocked_on "$entry" || fail "the run gave up waiting"; fi
  release; end_tool; rc_stamped
}
rows=("file direct"); [ "$platform" = wine ] || rows+=("lock direct" "lock linked" "lock worktree")
for row in "${rows[@]}"; do scenario "another process holds the ${row/ /, }" held $row; done

# Each run waits 2 s for its own target, then gives up, and the file keeps
# its bytes; the runs wait at once: together they take at most twice as
# long as one such run alone, not one wait after another. Two seconds leave
# room for 10 tries at most, however fast the machine.
held_for_good() {
  local paths=(A B C D) p; [ "$platform" = posix ] || paths=(A B C)
  new_project A; for p in "${paths[@]:1}"; do add_project "$p"; done
  windows_refresh; hold "$repo"/?/?.rc; at_once "${paths[@]}"; release
  for p in "${paths[@]}"; do
    proj=$repo/$p name=$p expect_file "$p.rc"; [ "$(grep -c "$p.rc" "$log")" -le 10 ] || fail "$p: $(grep -c "$p.rc" "$log") tries"
  done
}; scenario "targets held for good, in several projects at once" held_for_good

if [ "$platform" = posix ]; then
  # A restore that fails for anything but Git's lock is not tried again.
  failing_hook() {
    new_project Widget; echo "uncommitted edit" >>"$proj/Properties/AssemblyInfo.cs"
    printf '#!/bin/sh\necho ran >>"%s/hook"\nexit 2\n' "$root" >"$repo/.git/hooks/post-checkout"
    chmod +x "$repo/.git/hooks/post-checkout"; run_tool 2; sed -i '$d' "$proj/Properties/AssemblyInfo.cs"; cs_stamped
    expect_eq "restores, hook runs" "$(grep -c '\[checkout\]' "$log") $(cat "$root/hook")" "1 ran"
  }; scenario "a post-checkout hook that fails, after the restore" failing_hook

  # Git can't create its index lock in a .git the run may not write (run by
  # another user, or read-only): no lock is there, and the restore is not
  # waited for. A file never stamped is stamped all the same.
  unwritable_git() {
    new_project Widget; if [ "$(id -u)" = 0 ]; then chmod -R a+rX "$root"; chmod 1777 "$root"; chown -R nobody "$proj"
      WRAP="setpriv --reuid=nobody --regid=nogroup --clear-groups"; else chmod a-w "$repo/.git"; fi
    run_tool; chmod u+w "$repo/.git"; rc_stamped; expect_eq "restores (the second at once)" "$(grep -c checkout "$log")" 2
  }; scenario "a .git the run can't write" unwritable_git

  odd_path() {
    new_project Widget; mkdir -p "$root/nonexec" "$root/folder/git"; touch "$root/nonexec/git"; printf '#!/bin/sh\necho 0bad0\n' >"$proj/git"
    chmod +x "$proj/git"; (cd "$proj" && PATH=":$root/nonexec:$root/folder:$root/bin:$PATH" "${runner[@]}" "./$exe"); rc_stamped
  }; scenario "PATH: an empty entry is no folder, a git that isn't a program is no git" odd_path

  # A hash longer than the name it replaces makes the file grow past the
  # limit: the write fails as on a full disk, and the restored file stays.
  file_size_limit() {
    local listing; new_project Widget; git_ config core.abbrev 12
    echo "uncommitted edit" >>"$proj/Widget.rc"; listing=$(ls -A "$proj")
    WRAP="prlimit --fsize=$(git_ cat-file -s HEAD:Widget/Widget.rc)" run_tool
    expect_file Widget.rc; expect_eq "files" "$(ls -A "$proj")" "$listing"
  }; scenario "a file-size limit below the stamped file's size" file_size_limit

  shared_link() {  # replaced by a file with the permissions of the one it pointed to
    local round; new_project Widget; mv "$proj/Widget.rc" "$repo/shared.rc"
    ln -s ../shared.rc "$proj/Widget.rc"; git_ add -A; git_ commit -qm link; chmod 640 "$repo/shared.rc"
    for round in 1 2; do
      next_commit; run_tool; git_ show HEAD:shared.rc >"$root/expected"; replace_first "$root/expected" "$(rc_line Widget.exe)" \
        "$(rc_line "$(head_hash)")"; cmp -s "$root/expected" "$proj/Widget.rc" || fail "round $round: not stamped"
    done
    expect_eq mode "$(stat -c %a "$proj/Widget.rc")" 640; git_ diff --quiet -- shared.rc || fail "the shared file was written"
  }; scenario "a target committed as a link to a file other projects share" shared_link

  # No run waits on it for a writer, which would keep the work tree's lock
  # from the other runs for good.
  fifo() {
    local other; new_project Widget; add_project Other; rm "$repo/Widget/Widget.rc"; mkfifo "$repo/Widget/Widget.rc"
    (proj=$repo/Widget WRAP="timeout 30" launch >"$root/out.fifo" 2>&1; echo "$?" >>"$root/out.fifo") &
    other=$!; run_tool; rc_stamped; wait $other; expect_eq "the FIFO's run" "$(cat "$root/out.fifo")" 0
  }; scenario "a FIFO in the target's place" fifo

  # An interrupt (a build cancelled from the IDE, a closed terminal) as the
  # new file is created: held off until the file is in place, then it ends
  # the run. strace delivers it on entering that openat, the n-th, as a run
  # before shows.
  interrupted() {
    local n listing status=0; new_project Widget  # its status aside: LeakSanitizer ends a traced run so
    WRAP="strace -o $root/trace -e trace=openat" launch >/dev/null 2>&1 || true
    n=$(grep ^openat "$root/trace" | grep -n -m1 'rc\.revstamp-' | cut -d: -f1); [ -n "$n" ] || fail "no new file in the trace"
    new_project Widget; listing=$(ls -A "$proj")
    WRAP="env --default-signal=$1 strace -o /dev/null -e trace=openat
      -e inject=openat:signal=SIG$1:when=$n" launch 2>/dev/null || status=$?  # bash: "Terminated"
    expect_eq "exit status" $status $((128 + $(kill -l "$1"))); rc_stamped; expect_eq "files" "$(ls -A "$proj")" "$listing"
  }; for signal in INT TERM HUP; do scenario "SIG$signal as the new file is created" interrupted $signal; done

  # Its argv[0] made absolute without resolving links, when that names the
  # running program: linked in from elsewhere, through "..", one name up,
  # and through "//". An argv[0] that names another file is not taken.
  started_path() {
    local started; new_project Widget; add_project Other; proj=$repo/Widget name=Widget
    if [ ${#runner[@]} != 0 ]; then echo "e2e: an emulator gives argv[0] itself: no exec -a row"
    else WRAP='perl -e exec{shift}@ARGV' run_tool "$repo/Other/$exe"; rc_stamped; proj=$repo/Other name=Other expect_file Other.rc; fi
    mkdir -p "$root/opt"; mv "$proj/$exe" "$root/opt/"; ln -s "$root/opt/$exe" "$proj/"
    for started in "./Properties/../$exe" ".//$exe"; do next_commit; TOOL=$started run_tool; rc_stamped; done
  }; scenario "the tool's own path, as it was started" started_path
else
  manifest() { grep -q 'level="asInvoker"' "$tool" || fail "no asInvoker manifest in $tool"; }
  scenario "manifest" manifest
fi

finish "e2e ($platform)"

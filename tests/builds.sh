#!/usr/bin/env bash
# Real builds, with the recipes taken from the documents themselves: the
# example project in throwaway Git repositories, built by the build tools
# users run, with the packages that tools/package makes.
#
#   builds.sh <revstamp>          the tool built for this machine
#   ONLY=<text> builds.sh ...     only the scenarios named so
#
# CMake with Ninja and with Unix Makefiles cross-builds Widget.exe with
# mingw-w64 (windres compiles the resource script), with the CMake package
# and with the recipes by hand; the .NET SDK builds a solution that takes
# the NuGet package, and a project with the recipe by hand.
tool=$(realpath "$1") && top=$(cd "$(dirname "$0")/.." && pwd) ||
  { echo "usage: $0 <revstamp>" >&2; exit 2; }
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-builds.XXXXXX") && trap 'rm -rf "$root"' EXIT
source "$(dirname "$0")/lib.sh"
export GIT_CEILING_DIRECTORIES=$root
hash_is() { [[ $1 == *"$(head_hash)"* ]] || fail "not HEAD's hash: $1"; }
clean() { expect_eq "git status" "$(git_ status --porcelain)" "${1:-}"; }
# new_repo <file> <text>: the example project with that file in it,
# committed, in a fresh repository.
new_repo() {
  repo=$(mktemp -d "$root/a repo.XXXXXX")  # a blank, as in many users' paths
  cp -R "$top/example/Widget" "$repo/"
  printf '%s\n' "$2" >"$repo/Widget/$1"
  git_ init -q
  printf 'revstamp\nbin/\nobj/\n' >"$repo/.git/info/exclude"
  git_ add -A
  git_ commit -qm Widget
}
# recipe <name>: the code block after "<!-- recipe: <name> -->" in the
# README or the build integrations.
recipe() {
  awk -v mark="<!-- recipe: $1 -->" '$0 == mark { on = 1; next }
    on && /^```/ { if (inside) exit; inside = 1; next } inside' \
    "$top/README.md" "$top/docs/integration.md"
}
# committing <command...>: with a git first on PATH that answers the
# package's question, then commits: a commit that lands while it stamps.
mkdir "$root/git"
printf '#!/bin/sh\n"%s" "$@"\ns=$?\n[ "$1 $3" != "rev-parse --absolute-git-dir" ] ||
  "%s" -c user.name=t -c user.email=t@e commit -q --allow-empty -mx\nexit $s\n' \
  "$(command -v git)" "$(command -v git)" >"$root/git/git"
chmod +x "$root/git/git"
committing() { PATH=$root/git:$PATH "$@"; }

# What users download, made once for the whole suite.
unset SOURCE_DATE_EPOCH  # tools/package takes the commit's own
tools=$root/packages prefix=$root/prefix arm64=$root/arm64
"$top/tools/package" "$tools" >/dev/null && mkdir "$prefix" "$arm64" &&
  tar -xzf "$tools"/revstamp-*-linux-x86_64.tar.gz -C "$prefix" &&
  tar -xzf "$tools"/revstamp-*-linux-aarch64.tar.gz -C "$arm64" ||
  exit 1

# The same bytes from a clone elsewhere, as a user who checks a download
# builds it (so commit first: the work tree is packed, the clone has HEAD).
scenario 'what tools/package writes, from a clone too' <<'EOF'
git clone -q "$top" "$root/clone"
"$root/clone/tools/package" "$root/again" >/dev/null
for f in "$tools"/*; do cmp "$f" "$root/again/${f##*/}"; done
EOF

# configure <build folder> <options...>: $repo/$DIR, cross-built with mingw-w64.
configure() {
  cmake -S "$repo/${DIR:-Widget}" -B "$1" -DCMAKE_PREFIX_PATH="$prefix" "${@:2}" \
    -DCMAKE_TOOLCHAIN_FILE="$top/toolchains/mingw-w64-x86_64.cmake"
}
project() { printf 'cmake_minimum_required(VERSION 3.16)\nproject(W CXX RC)\n%s\n' "$@"; }
widget() { project "add_executable(Widget WIN32 Widget.cpp Widget.rc)" "$@"; }
rc_hash() { x86_64-w64-mingw32-windres -i "$1" -O rc | grep -a OriginalFilename; }
# build <build folder>: its output in <folder>.log and $root/log.
build() {
  cmake --build "$1" -j 4 --verbose >"$1.log" 2>&1 || fail "$(tail -5 "$1.log")"
  cp "$1.log" "$root/log"
}
ran() { grep -c -E "$1" "$root/log" || true; }

# The package where users build all day: two targets stamping one file,
# one stamping AssemblyInfo.cs (listed, not compiled), one whose script is
# in a folder of its own named like the first (FOLDER); two build trees of
# the source at once, after each of 10 commits, with blanks in their paths.
# Every output carries HEAD and its own script, each tree stamps each file
# once, the work tree stays as it was. A new branch at the same commit
# compiles nothing; a commit that lands during the stamp is stamped by the
# next build.
for generator in Ninja "Unix Makefiles"; do
  scenario "CMake package, $generator" "$generator" <<'EOF'
new_repo CMakeLists.txt "$(widget "$(recipe cmake-package)" \
  "add_executable(Widget2 WIN32 Widget.cpp Widget.rc)" "revstamp_stamp(Widget2)" \
  "add_library(Info OBJECT Widget.cpp Properties/AssemblyInfo.cs)" "revstamp_stamp(Info MODE 2)" \
  "add_executable(Res WIN32 Widget.cpp sub/Widget/Widget.rc)" \
  "revstamp_stamp(Res FOLDER sub/Widget)")"
mkdir -p "$repo/Widget/sub/Widget"
sed 's/Widget sample/Sub/' "$top/example/Widget/Widget.rc" >"$repo/Widget/sub/Widget/Widget.rc"
git_ add -A
git_ commit -qm sub
trees=("$repo.b/my build" "$repo.b/second")
for tree in "${trees[@]}"; do configure "$tree" -G "$1" >/dev/null; done
for n in $(seq 10); do
  next_commit
  build "${trees[0]}" &
  build "${trees[1]}"
  wait $!
  for exe in "${trees[@]/%//Widget.exe}" "${trees[@]/%//Widget2.exe}" "${trees[@]/%//Res.exe}"; do
    hash_is "$(rc_hash "$exe")"
  done
  hash_is "$(grep Copyright "$repo".b/second/revstamp/*/Widget/Properties/AssemblyInfo.cs)"
  x86_64-w64-mingw32-windres -i "${trees[1]}/Res.exe" -O rc | grep -q '"Sub application"'
  clean
done
expect_eq "stamps" "$(ran 'P .*revstamp-stamp.cmake')" 3
build "${trees[0]}"
expect_eq "stamps with nothing new" "$(ran 'revstamp-stamp.cmake')" 0
[ "$1" != Ninja ] || grep -q "no work to do" "$root/log"
git_ switch -q -c side
build "${trees[0]}"
expect_eq "compiles at the same commit" "$(ran 'windres|Linking')" 0
committing build "${trees[0]}"
build "${trees[0]}"
hash_is "$(rc_hash "${trees[0]}/Widget.exe")"
EOF
done

# What a build warns of, with its code: a file with no line (at configure
# time too), one with a committed stamp, no repository (once: the next
# build does nothing); with REVSTAMP_STRICT a folder the tool refuses fails
# the build. A mode that doesn't exist fails at configure time. With
# REVSTAMP_KEEP_STAMP the file in the source tree is stamped, and stays so;
# configure again, and build again, and nothing is said or run.
scenario 'CMake package: the stamp kept; warnings with codes' <<'EOF'
new_repo CMakeLists.txt "$(widget "$(recipe cmake-package)")"
configure "$repo/b" -G Ninja -DREVSTAMP_KEEP_STAMP=ON >/dev/null
build "$repo/b"
hash_is "$(grep OriginalFilename "$repo/Widget/Widget.rc")"
hash_is "$(rc_hash "$repo/b/Widget.exe")"
[[ $(configure "$repo/b" 2>&1) != *Warning* ]]
build "$repo/b"
grep -q "no work to do" "$root/log"
git_ checkout -q .
rm -r "$repo/b"
warns() {  # <code> [<configure options>]: finds the code, building
  configure "$repo/$1" -G Ninja "${@:2}" &>"$root/configured"
  build "$repo/$1"
  grep -q "$1: revstamp" "$root/log"
}
sed -i 's/", "Widget.exe/",  "Widget.exe/' "$repo/Widget/Widget.rc"
warns RS1002
tr -s '\n ' '  ' <"$root/configured" | grep -q 'RS1002: revstamp: .*holds no line VALUE "O'
git_ checkout -q .
replace_first "$repo/Widget/Widget.rc" '"Widget.exe"' '"0ff1ce"'
git_ commit -qam stamped
warns RS1003
git_ reset -q --hard HEAD~
mv "$repo/.git" "$repo/.git2"
warns RS1001
build "$repo/RS1001"
grep -q "no work to do" "$root/log"
mv "$repo/.git2" "$repo/.git"
mv "$repo/Widget" "$repo/100%"
mv "$repo/100%/Widget.rc" "$repo/100%/100%.rc"
sed -i 's/Widget.exe/100%.exe/' "$repo/100%/100%.rc"
sed -i 's/Widget.rc/100%.rc/' "$repo/100%/CMakeLists.txt"
DIR=100% configure "$repo/b" -G Ninja -DREVSTAMP_STRICT=ON >/dev/null
! cmake --build "$repo/b" >"$root/log" 2>&1
grep -q "RS1004: revstamp" "$root/log"
sed -i 's/(Widget)/(Widget MODE 3)/' "$repo/100%/CMakeLists.txt"
[[ $(DIR=100% configure "$repo/b" 2>&1) == *"MODE is 1 or 2, not 3"* ]]
EOF

# The recipes by hand, which leave the stamp in the tree: after each commit
# the build carries it, and with nothing new it compiles nothing.
for generator in Ninja; do
  scenario "CMake, the recipe by hand, $generator" "$generator" <<'EOF'
new_repo CMakeLists.txt "$(widget "$(recipe cmake)")"
cp "$tool" "$repo/Widget/revstamp"
configure "$repo/b" -G "$1" >/dev/null
for n in 1 2; do next_commit; build "$repo/b"; done
hash_is "$(rc_hash "$repo/b/Widget.exe")"
build "$repo/b"
expect_eq "compiles with nothing new" "$(ran 'windres|Linking')" 0
EOF
done

if ! command -v dotnet >/dev/null; then
  echo "builds: no .NET SDK (dotnet): the NuGet package's scenarios are left out"
  finish builds
  exit
fi

# A solution built by the .NET SDK, with the NuGet package: projects side by
# side in one repository, one for each kind, and a Directory.Build.props
# that sets <Copyright>. The package comes from a folder, which the
# README's lines add to the NuGet.config the solution has, beside its own
# feed. The scenarios below build it in turn.
export DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 NUGET_PACKAGES=$root/nuget
net=net$(dotnet --version | cut -d. -f1).0  # the SDK's own, which needs no download
odd='Odd $HOME `id` a;b'"'"'c&d é' cs=Properties/AssemblyInfo.cs
solution=$root/solution
dotnet_() {
  (cd "$repo" && dotnet "${@:-build}" -m -v:n --disable-build-servers \
    "-flp:logfile=$root/warnings;warningsonly") >"$root/log" 2>&1 ||
    fail "dotnet ${*:-build}: $(grep -m3 -E 'error [A-Z]+[0-9]+' "$root/log")"
}
dll() { grep -aq "$(head_hash)" "$repo/$1.dll"; }
said() { grep -o 'warning RS[0-9]*' "$root/warnings" | sort | uniq -c | xargs || true; }
stamps() { grep -c 'Touching ".*/revstamp[-a-z]*\.stamp"' "$root/log" || true; }
# cs_project <name> <property>...: a project of the example's, with the
# package, or with $STAMP.
cs_project() {
  cp -R "$top/example/Widget" "$repo/$1"
  for p in GenerateAssemblyInfo=false TargetFramework=$net "${@:2}"; do
    echo "<${p%%=*}>${p#*=}</${p%%=*}>"
  done | printf '<Project Sdk="Microsoft.NET.Sdk"><PropertyGroup>%s</PropertyGroup>%s</Project>\n' \
    "$(cat)" "${STAMP:-<ItemGroup>$(recipe nuget)</ItemGroup>}" >"$repo/$1/$1.csproj"
}
make_solution() {
  repo=$solution
  [ ! -e "$repo" ] || return 0
  mkdir "$repo"
  git_ init -q
  printf '<configuration><packageSources><clear /><add key="own" value="%s" />
    </packageSources></configuration>\n' "$root" >"$repo/NuGet.config"
  (cd "$repo" && eval "$(recipe nuget-feed | sed "s|/path/to/revstamp/out|$tools|")") >/dev/null
  echo '<Project><PropertyGroup><Copyright>C</Copyright></PropertyGroup></Project>' \
    >"$repo/Directory.Build.props"
  cs_project App
  cs_project Multi TargetFramework= "TargetFrameworks=$net;$net-browser"
  cs_project Off RevstampEnabled=false
  cs_project "$odd"
  STAMP=$(recipe msbuild) cs_project Hand
  cp "$tool" "$repo/Hand/"
  # As dotnet new makes it, with the README's two lines; and without them.
  (cd "$repo" && dotnet new console -o New && dotnet new console -o None) >/dev/null
  sed -i "s#</Project>#<ItemGroup>$(recipe nuget)</ItemGroup>&#" "$repo"/{New,None}/*.csproj
  mkdir "$repo/New/Properties"
  recipe assemblyinfo >"$repo/New/$cs"
  (cd "$repo" && dotnet new sln -n All && dotnet sln add ./*/*.csproj) >/dev/null
  printf 'bin/\nobj/\nrevstamp\n' >"$repo/.gitignore"
  git_ add -A
  git_ commit -qm solution
  # The stamp by hand stays in the tree: hidden from git status, as the guide says.
  git_ update-index --skip-worktree Hand/$cs
  dotnet_
}

# In parallel (-m), after each commit: every assembly carries HEAD, the
# work tree is as it was, the project without the file is told the two
# lines to add, the one turned off is left alone. The SDK keeps the commit
# in the InformationalVersion. Then a build with nothing new starts no
# stamp and writes no assembly (but in the odd folder, which the SDK
# compiles at every build: a ; splits it). The solution's own feed stays.
# The IDE's design-time builds, while the user types, stamp nothing.
scenario 'NuGet: a solution in parallel; then nothing new' <<'EOF'
make_solution
for n in 1 2; do
  next_commit
  dotnet_
  for p in App Multi New Hand "$odd"; do dll "$p/bin/Debug/$net/$p"; done
  dll "Multi/bin/Debug/$net-browser/Multi"
  clean
  expect_eq "warnings" "$(said)" "1 warning RS1005"
  grep -q 'holding these two lines.*AssemblyCopyright("")' "$root/warnings"
  [ ! -e "$repo/Off/obj/revstamp" ]
done
strings -e l "$repo/New/bin/Debug/$net/New.dll" | grep -q "+$(git_ rev-parse HEAD)"
touch "$root/before"
dotnet_
expect_eq "stamps with nothing new" "$(stamps)" 0
expect_eq "written" "$(find "$repo" -newer "$root/before" -name '*.dll' ! -path "$repo/Odd*")" ""
[[ $(cd "$repo" && dotnet nuget list source) == *own*revstamp* ]]
next_commit
for p in "App -p:DesignTimeBuild=true" "Multi -p:SkipCompilerExecution=true"; do
  dotnet_ msbuild $p -t:Compile -p:TargetFramework="$net"
  expect_eq "design-time: $p" "$(stamps)" 0
done
EOF

# What the user does meanwhile: an edit not committed is built in and stays
# in the file; a switch and a rebase onto a colleague's change go through; a
# failed compile leaves only what the user wrote; a commit that lands
# during the stamp, with an IDE polling git status, is stamped by the next
# build, without a word. With RevstampKeepStamp the project's own file is
# stamped and stays so, and a build with nothing new runs nothing.
scenario 'NuGet: an edit, a rebase, a failed compile, a commit meanwhile' <<'EOF'
make_solution
sed -i 's/Widget sample application/Widget, edited/' "$repo/App/$cs"
dotnet_ build App
dll App/bin/Debug/$net/App
grep -aq "Widget, edited" "$repo/App/bin/Debug/$net/App.dll"
clean " M App/$cs"
git_ stash -q
git_ switch -q -c colleague
sed -i 's/AssemblyTrademark("")/AssemblyTrademark("Ex")/' "$repo/App/$cs"
git_ commit -qam colleague
git_ switch -q -
dotnet_ build App
git_ rebase -q colleague
echo "syntax error" >>"$repo/App/Program.cs"
! dotnet build "$repo/App" &>/dev/null
clean " M App/Program.cs"
git_ checkout -q App/Program.cs
committing dotnet_ build App
expect_eq "warnings" "$(said)" ""
(while :; do git_ status >/dev/null; done) &
dotnet_ build App
kill $!
dll App/bin/Debug/$net/App
expect_eq "warnings" "$(said)" ""
dotnet_ build App -p:RevstampKeepStamp=true
grep -q "AssemblyCopyright(\"$(head_hash)\")" "$repo/App/$cs"
dotnet_ build App -p:RevstampKeepStamp=true
expect_eq "stamps with nothing new" "$(stamps)" 0
git_ checkout -q App
EOF

# Each way a build won't carry HEAD's hash warns with its code, saying what
# the file holds and what to do; the next build tries again and warns
# again, but without Git's hash, once: the next waits for a change. A file
# that holds its line twice, #if DEBUG and #else, is stamped at the first.
# RevstampStrict makes a warning an error.
scenario 'NuGet: warnings with codes' <<'EOF'
make_solution
base=$(git_ rev-parse HEAD)
mend() { chown -R "$(id -u)" "$repo"; chmod -R u+w "$repo"; git_ reset -q --hard "$base"; }
trap 'status=$?; set +e; mend; exit $status' EXIT  # for those after it
warns() {  # <change> <again|once> <what it says> [<build arguments>...]
  (cd "$repo" && $1)
  dotnet_ build App "${@:4}"
  [ -z "$3" ] || grep -qF -- "$3" "$root/warnings" || fail "$1: $(cat "$root/warnings")"
  dotnet_ build App "${@:4}"
  if [ "$2" = again ]; then grep -qF -- "$3" "$root/warnings" || fail "$1: not again"; fi
  if [ "$2" = once ]; then expect_eq "$1: warnings, stamps again" "$(said) $(stamps)" " 0"; fi
  mend
}
no_line() { sed -i 's/Copyright("")/Copyright("(c) me")/' App/$cs; git_ commit -qam x; }
committed() { sed -i 's/Copyright("")/Copyright("0ff1ce")/' App/$cs; git_ commit -qam x; }
another_too() { committed; echo >>App/Program.cs; }
read_only() { chmod a-w App/$cs; }
deleted() { rm App/$cs; }
link() {
  mkdir Other
  git_ mv App/Properties Other/
  sed -i "s#</Project>#<ItemGroup><Compile Include=\"../Other/$cs\" /></ItemGroup>&#" App/App.csproj
}
refused() { next_commit; chown -R nobody "$repo"; }
twice() {
  sed -i 's/^\[assembly: AssemblyCopyright("")\]/#if DEBUG\n&\n#else\n&\n#endif/' App/$cs
  git_ commit -qam x
}
warns no_line again "RS1002: revstamp: $cs holds no line [assembly: AssemblyCopyright"
warns another_too again "RS1003: revstamp: $cs holds [assembly: AssemblyCopyright(\"0ff1ce\")]"
warns read_only again "RS1004: revstamp: revstamp left $cs holding" -p:RevstampKeepStamp=true
warns deleted again 'RS1005: revstamp: this project has no Properties'
warns link again "RS1006: revstamp: this project compiles $solution/Other/$cs as a link"
warns refused once "RS1001: revstamp: Git gave no hash for HEAD (fatal: detected dubious"
warns twice once ""
! dotnet build "$repo/App" -p:RevstampStrict=true -p:RevstampMode=3 >"$root/log" 2>&1
grep -q "error RS1008" "$root/log"
EOF

# Without Git (a source archive; no git on PATH): the build goes on, warns
# once, and the file is compiled as it is; the next build does nothing.
scenario 'NuGet: no repository, no git' <<'EOF'
make_solution
cp -R "$repo/App" "$repo/NuGet.config" "$root/"
rm -r "$root/App/obj"
repo=$root
dotnet_ build App
grep -q "RS1001: revstamp: Git gave no hash for HEAD (fatal: not a git" "$root/warnings"
grep -q 'Copyright("")' "$root/App/obj/revstamp/App/$cs"
dotnet_ build App
expect_eq "warnings again" "$(said)" ""
repo=$solution
next_commit
mkdir "$root/nogit"
for f in /usr/bin/* /bin/*; do [ "${f##*/}" = git ] || ln -sf "$f" "$root/nogit/"; done
PATH=$root/nogit dotnet_ build App
grep -q "RS1001: revstamp: Git gave no hash for HEAD (no git on PATH)" "$root/warnings"
EOF

# A C++ project's resources: a project named .vcxproj (mode 1 by default)
# whose ResourceCompile, as Visual C++'s does, compiles each item with its
# AdditionalIncludeDirectories; the script includes a header beside it.
scenario 'NuGet: the resource compiler' <<'EOF'
make_solution
mkdir "$repo/Res"
sed 's/Widget.exe/Res.exe/; s/"winres.h"/&\n#include "res.h"/' "$top/example/Widget/Widget.rc" \
  >"$repo/Res/Res.rc"
echo '#define RES 1' >"$repo/Res/res.h"
cat >"$repo/Res/Res.vcxproj" <<VCX
<Project><ItemGroup><ResourceCompile Include="Res.rc" /></ItemGroup>
<Import Project="$NUGET_PACKAGES/revstamp/1.0.0/build/revstamp.targets" />
<Target Name="ResourceCompile">
<ItemGroup><I Include="%(ResourceCompile.AdditionalIncludeDirectories)" /></ItemGroup>
<Exec Command="x86_64-w64-mingw32-windres -I @(I) %(ResourceCompile.FullPath) obj/R.o" />
</Target></Project>
VCX
git_ add -A
git_ commit -qm Res
(cd "$repo/Res" && dotnet msbuild -t:ResourceCompile) >"$root/log"
hash_is "$(x86_64-w64-mingw32-windres -J coff -i "$repo/Res/obj/R.o" -O rc | grep Original)"
EOF

# A commit seen however Git records it: with the reflog off, then the
# branch packed (git gc, git pack-refs); in a reftable (Git 2.45), whose
# tables.list each ref update rewrites, laid out by hand.
scenario 'NuGet: refs packed, or in a reftable' <<'EOF'
make_solution
git_ config core.logAllRefUpdates false
rm -r "$repo/.git/logs"
dotnet_ build App
next_commit
git_ pack-refs --all
dotnet_ build App
dll App/bin/Debug/$net/App
mkdir "$repo/.git/reftable"
echo 1 >"$repo/.git/reftable/tables.list"
dotnet_ build App
dotnet_ build App
expect_eq "stamps with nothing new" "$(stamps)" 0
echo 2 >"$repo/.git/reftable/tables.list"
dotnet_ build App
expect_eq "stamps after tables.list changed" "$(stamps)" 1
git_ config core.logAllRefUpdates true
EOF

# A commit in a linked work tree with the reflog off, where only the branch
# changes, in the common folder; a framework built alone; and the tools for
# each machine: Windows as its MSBuild says it, Linux on musl.
scenario 'NuGet: a linked work tree; a framework alone; the tools' <<'EOF'
make_solution
git_ worktree add -q "$root/linked"
repo=$root/linked
git_ config core.logAllRefUpdates false
rm -rf "$(git_ rev-parse --absolute-git-dir)/logs"  # Git appends to the logs there are
dotnet_ build App
next_commit
dotnet_ build App
dll App/bin/Debug/$net/App
next_commit
dotnet_ build Multi -f "$net"
dll "Multi/bin/Debug/$net/Multi"
cd "$repo/App"
[[ $(dotnet msbuild -getProperty:_RevstampTool -p:OS=Windows_NT \
  -p:NETCoreSdkPortableRuntimeIdentifier=) == *win-x64/revstamp.exe ]]
[[ $(dotnet msbuild -getProperty:_RevstampTool -p:_RevstampHost=linux-musl-x64) == *x64/revstamp ]]
cmp "$NUGET_PACKAGES/revstamp/1.0.0/tools/linux-arm64/revstamp" "$arm64/bin/revstamp"
EOF

finish builds

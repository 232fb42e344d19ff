#!/usr/bin/env bash
# Real builds, with the recipes taken from the documents themselves: the
# example project in throwaway Git repositories, built by the build tools
# users run, with the tool as the pre-build step.
#
#   builds.sh <revstamp>          the tool built for this machine
#   ONLY=<text> builds.sh ...     only the scenarios named so
#
# tools/package's artefacts, made twice; CMake with Ninja and with Unix
# Makefiles cross-builds Widget.exe with mingw-w64 (windres compiles the
# resource script), with the README's recipe and with the CMake package;
# Mono's xbuild and mcs build the C# project; the .NET SDK builds a solution
# that takes the NuGet package, as the command line and an IDE build it.
tool=$(realpath "$1") && top=$(cd "$(dirname "$0")/.." && pwd) && [ -f "$top/README.md" ] ||
  { echo "usage: $0 <revstamp>, from the source tree" >&2; exit 2; }
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-builds.XXXXXX") && trap 'rm -rf "$root"' EXIT
source "$(dirname "$0")/lib.sh"
# hash_is <what the build put in>: HEAD's hash, or a failure.
hash_is() { [[ $1 == *"$(head_hash)"* ]] || fail "not HEAD's hash: $1"; }

# new_repo <project file> <text>: the example project with that file in it,
# committed, and the tool beside it.
new_repo() {
  repo=$(mktemp -d "$root/repo.XXXXXX"); cp -R "$top/example/Widget" "$repo/"
  printf '%s\n' "$2" >"$repo/Widget/$1"; git_ init -q; printf 'revstamp\nbin/\nobj/\n' >"$repo/.git/info/exclude"
  git_ add -A; git_ commit -qm Widget; cp "$tool" "$repo/Widget/revstamp"
}
# recipe <name>: the code block after "<!-- recipe: <name> -->" in the README
# or the build integrations.
recipe() { awk -v mark="<!-- recipe: $1 -->" '$0 == mark { on = 1; next } on && /^```/ { if (inside) exit; inside = 1; next }
  inside' "$top/README.md" "$top/docs/integration.md"; }

# What users download, made once for the whole suite.
unset SOURCE_DATE_EPOCH  # tools/package takes the commit's own
tools=$root/packages prefix=$root/prefix arm64=$root/arm64
"$top/tools/package" "$tools" >/dev/null && mkdir "$prefix" "$arm64" &&
  tar -xzf "$tools"/revstamp-*-linux-x86_64.tar.gz -C "$prefix" &&
  tar -xzf "$tools"/revstamp-*-linux-aarch64.tar.gz -C "$arm64" ||
  { echo "builds: tools/package failed" >&2; exit 1; }

reproducible() {
  # The same bytes from a clone elsewhere, as a user who checks a download
  # builds it (so commit first: the work tree is packed, the clone has HEAD).
  local f; git clone -q "$top" "$root/clone"; "$root/clone/tools/package" "$root/again" >/dev/null
  for f in "$tools"/*; do cmp -s "$f" "$root/again/${f##*/}" || fail "${f##*/} differs in a clone"; done
}; scenario "what tools/package writes, from a clone too" reproducible

arm64_tool() {  # a static aarch64 tool that stamps HEAD's hash, under emulation
  [[ $(readelf -h "$arm64/bin/revstamp") == *AArch64* && $(readelf -l "$arm64/bin/revstamp") != *INTERP* ]] ||
    fail "not a static aarch64 program"
  new_repo Widget.txt ""; cp "$arm64/bin/revstamp" "$repo/Widget/"
  (cd "$repo/Widget" && qemu-aarch64-static ./revstamp); hash_is "$(grep OriginalFilename "$repo/Widget/Widget.rc")"
}; scenario "the arm64 tool from its tarball" arm64_tool

# configure <source> <build folder> <options...>: cross-built with mingw-w64.
configure() { cmake -S "$1" -B "$2" -DCMAKE_PREFIX_PATH="$prefix" "${@:3}" -DCMAKE_TOOLCHAIN_FILE="$top/toolchains/mingw-w64-x86_64.cmake"; }
cmake_project() { printf 'cmake_minimum_required(VERSION 3.16)\nproject(Widget CXX RC)\n%s\n' "$1"; }  # then <lines>
rc_hash() { x86_64-w64-mingw32-windres -i "$1" -O rc | grep -a OriginalFilename; }

cmake_recipe() {  # the recipe by hand
  local n rebuilt; new_repo CMakeLists.txt "$(cmake_project "add_executable(Widget WIN32 Widget.cpp Widget.rc)
$(recipe cmake)")"; configure "$repo/Widget" "$repo.build" -G "$1" >/dev/null
  for n in 1 2 3; do next_commit; cmake --build "$repo.build" -j 4 >/dev/null; hash_is "$(rc_hash "$repo.build/Widget.exe")"; done
  touch "$root/before"; cmake --build "$repo.build" >/dev/null; cmake --build "$repo.build" --target clean >/dev/null
  rebuilt=$(find "$repo.build" -newer "$root/before" \( -name '*.obj' -o -name '*.res' -o -name '*.exe' \))
  [ -z "$rebuilt$(git_ ls-files --deleted)" ] || fail "a build with no new commit rebuilt, or clean deleted sources: $rebuilt"
}
# The package where users build all day, with the quick start's lines under
# a toolchain that re-roots packages: two targets stamping one file, one
# stamping AssemblyInfo.cs, one whose script is in a folder of its own
# (FOLDER). 30 builds, each after a commit and with fresh copies of the
# tool: one copy per folder and one stamp per file each time, and every
# output with HEAD's hash. Then a build with nothing new runs nothing, and
# a branch switch, an amend, a reset and a file restored by the user are
# each stamped at the next build. A script without the line warns at
# configure time.
cmake_package() {
  local n change log=$root/log exes="Widget Widget2 Res"
  new_repo CMakeLists.txt "$(cmake_project "add_executable(Widget WIN32 Widget.cpp Widget.rc)
$(recipe cmake-package)
$(printf '%s\n' 'add_executable(Widget2 WIN32 Widget.cpp Widget.rc)' 'revstamp_stamp(Widget2)' 'add_library(Info OBJECT Widget.cpp)' \
  'revstamp_stamp(Info MODE 2)' 'add_executable(Res WIN32 Widget.cpp windows/windows.rc)' 'revstamp_stamp(Res FOLDER windows)')")"
  mkdir "$repo/Widget/windows"; sed 's/Widget.exe/windows.exe/' "$top/example/Widget/Widget.rc" >"$repo/Widget/windows/windows.rc"
  git_ add -A; git_ commit -qm windows; rm "$repo/Widget/revstamp"
  configure "$repo/Widget" "$repo.build" -G "$1" >/dev/null
  for n in $(seq 30); do
    rm -f "$repo"/Widget/{,windows/}revstamp; next_commit
    cmake --build "$repo.build" -j 4 --verbose >"$log" 2>&1 || fail "build $n: $(grep -m3 -i error "$log")"
    for exe in $exes; do hash_is "$(rc_hash "$repo.build/$exe.exe")"; done
    hash_is "$(grep Copyright "$repo/Widget/Properties/AssemblyInfo.cs")"
    expect_eq "copies, stamps in build $n" "$(grep -c -- "-E copy $prefix/bin/revstamp " "$log") \
$(grep -c -- '-P .*revstamp-stamp.cmake' "$log")" "2 3"
  done
  cmake --build "$repo.build" --verbose >"$log"; [[ $1 != Ninja || $(cat "$log") == *"ninja: no work to do."* ]] && ! grep -q -E 'stamp.cmake|bin/revstamp' "$log" ||
    fail "a build with nothing new ran: $(grep -m2 -E 'stamp.cmake|bin/revstamp' "$log")"
  for change in "switch -q -c side HEAD~" "commit -q --amend -m amended" "reset -q --hard HEAD~" "checkout -- Widget/Widget.rc"; do
    git_ $change; cmake --build "$repo.build" >/dev/null; hash_is "$(rc_hash "$repo.build/Widget.exe")"; done
  git_ checkout -- Widget/Widget.rc; sed -i 's/", "Widget.exe/",  "Widget.exe/' "$repo/Widget/Widget.rc"
  [[ $(configure "$repo/Widget" "$repo.build" 2>&1 | tr -s '\n ' '  ') == *'holds no line VALUE "OriginalFilename", "Widget.exe"'* ]] ||
    fail "no warning at configure time"
}; for generator in Ninja "Unix Makefiles"; do
  scenario "CMake, the recipe by hand, $generator" cmake_recipe "$generator"
  scenario "CMake package, $generator" cmake_package "$generator"
done

make_recipe() {  # the recipe for make: no relink without a commit
  local before; new_repo Makefile "$(recipe make)
Widget.exe: Widget.cpp Widget.res
	\$(CXX) -mwindows -o \$@ Widget.cpp Widget.res"
  make_() { make -C "$repo/Widget" -s WINDRES=x86_64-w64-mingw32-windres CXX=x86_64-w64-mingw32-g++ Widget.exe >/dev/null; }
  for n in 1 2; do next_commit; make_; hash_is "$(rc_hash "$repo/Widget/Widget.exe")"; done
  before=$(stat -c %y "$repo/Widget/Widget.exe"); make_
  expect_eq "a build with nothing new relinked" "$(stat -c %y "$repo/Widget/Widget.exe")" "$before"
}; scenario "make, the recipe" make_recipe

cmake_alike() {  # two folders of one name, each with a copy of its own; a mode that doesn't exist
  local d; new_repo CMakeLists.txt "$(cmake_project "$(recipe cmake-package | head -1)
add_subdirectory(a/Core)
add_subdirectory(b/Core)")"
  for d in a b; do
    mkdir -p "$repo/Widget/$d"; cp -R "$top/example/Widget" "$repo/Widget/$d/Core"; cd "$repo/Widget/$d/Core"
    sed 's/Widget.exe/Core.exe/' Widget.rc >Core.rc; printf 'add_executable(Core%s WIN32 Widget.cpp Core.rc)\nrevstamp_stamp(Core%s)\n' $d $d >CMakeLists.txt
  done; git_ add -A; git_ commit -qm Cores
  configure "$repo/Widget" "$repo.build" -G Ninja >/dev/null; cmake --build "$repo.build" >/dev/null
  for d in a b; do hash_is "$(rc_hash "$repo.build/$d/Core/Core$d.exe")"; done
  sed -i 's/(Corea)/(Corea MODE 3)/' "$repo/Widget/a/Core/CMakeLists.txt"
  [[ $(configure "$repo/Widget" "$repo.build" 2>&1) == *"MODE is 1 or 2, not 3"* ]] || fail "configured with MODE 3"
}; scenario "CMake package: folders named alike, a mode that doesn't exist" cmake_alike

xbuild_project() {
  # With Debian's Mono the compiler must reference its standard library. The
  # project also takes the NuGet package's targets, as an old-style project
  # does through packages.config: xbuild can't tell what machine it runs on,
  # so they warn, and the README's recipe stamps.
  local n; new_repo Widget.csproj "<Project ToolsVersion=\"4.0\" xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">
  <PropertyGroup><OutputType>Exe</OutputType><NoCompilerStandardLib>false</NoCompilerStandardLib></PropertyGroup>
  <ItemGroup><Compile Include=\"Program.cs;Properties\\AssemblyInfo.cs\" /></ItemGroup>
  <Import Project=\"\$(MSBuildToolsPath)\\Microsoft.CSharp.targets\" /><Import Project=\"$top/src/msbuild/revstamp.targets\" />
$(recipe msbuild)</Project>"
  xbuild_() { (cd "$repo/Widget" && xbuild /v:normal) >"$root/log" 2>&1 || fail "xbuild: $(grep -m3 error "$root/log")"; }
  for n in 1 2; do next_commit; xbuild_; hash_is "$(mono "$repo/Widget/bin/Debug/Widget.exe")"; done
  xbuild_; grep -q 'Skipping target "CoreCompile"' "$root/log" || fail "a build with no new commit compiled"
  grep -q "revstamp can't tell what machine" "$root/log" || fail "the package's targets didn't warn"
}; scenario "MSBuild (xbuild)" xbuild_project

if ! command -v dotnet >/dev/null; then
  echo "builds: no .NET SDK (dotnet), so the NuGet package's solution is not built"; finish builds; exit
fi

# A solution built by the .NET SDK, with the NuGet package: projects side by
# side in one repository: one stamped by default, one built for two
# frameworks, one in mode 1, one turned off, one without the file (it
# warns), and one in a folder whose name a shell would read. The package
# comes from a folder, into packages of the test's own. The scenarios below
# build it in turn.
export DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 NUGET_PACKAGES=$root/nuget
version=$(sed -n 's/^project(revstamp VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
net=net$(dotnet --version | cut -d. -f1).0  # the SDK's own, which needs no download
odd='Odd $HOME `id` a;b'"'"'c&d é' cs=Properties/AssemblyInfo.cs
solution=$(mktemp -d "$root/repo.XXXXXX")
dotnet_() { (cd "$repo" && dotnet "${@:-build}" -m -v:n --disable-build-servers \
  "-flp:logfile=$root/warnings;warningsonly") >"$root/log" 2>&1 || fail "dotnet ${*:-build}: $(grep -m3 error "$root/log")"; }
copyright() { grep Copyright "$repo/$1/$cs"; }; dll() { grep -ao "$(head_hash)" "$repo/$1.dll"; }

# make_solution: the solution, committed and built once; each scenario that
# needs it makes it when it is missing.
make_solution() {
  local row name p; repo=$solution; [ ! -e "$repo/.git" ] || return 0; git_ init -q
  # The README's lines, with the feed here; and here nuget.org can't be reached.
  (cd "$repo" && eval "$(recipe nuget-feed | sed "s|/path/to/revstamp/out|$tools|")" &&
    dotnet nuget remove source nuget --configfile nuget.config) >/dev/null
  for row in "App:TargetFramework=$net" "Multi:TargetFrameworks=$net;$net-browser" \
      "Widget:TargetFramework=$net RevstampMode=1" "Off:TargetFramework=$net RevstampEnabled=false" \
      "None:TargetFramework=$net" "$odd:TargetFramework=$net"; do
    name=${row%%:*}; cp -R "$top/example/Widget" "$repo/$name"
    for p in ${row#*:} GenerateAssemblyInfo=false; do echo "<${p%%=*}>${p#*=}</${p%%=*}>"; done |
      printf '<Project Sdk="Microsoft.NET.Sdk"><PropertyGroup>%s</PropertyGroup><ItemGroup>%s</ItemGroup></Project>\n' \
      "$(cat)" "$(recipe nuget)" >"$repo/$name/$name.csproj"
  done
  rm -r "$repo/None/Properties"; sed -i 's/>false</>true</' "$repo/None/None.csproj"
  (cd "$repo" && dotnet new sln -n All >/dev/null && dotnet sln add ./*/*.csproj >/dev/null)
  printf 'revstamp\nbin/\nobj/\n' >"$repo/.gitignore"; git_ add -A; git_ commit -qm solution
  dotnet_
}
solution() {
  local n rewritten; make_solution; for n in 1 2 3; do
    next_commit; dotnet_
    for dll in App/bin/Debug/$net/App Multi/bin/Debug/$net{,-browser}/Multi; do hash_is "$(dll "$dll")"; done
    hash_is "$(grep -a OriginalFilename "$repo/Widget/Widget.rc")"; hash_is "$(copyright "$odd")"
    git_ diff --quiet -- Off && [ ! -e "$repo/Off/revstamp" ] || fail "Off was stamped"
    [ "$(grep -c "warning : revstamp: this project has no Properties.AssemblyInfo.cs" "$root/warnings")" = 1 ] &&
      [ ! -e "$repo/None/revstamp" ] || fail "None: not one warning, or a copy"
  done
  # A build with nothing new starts no tool and writes no assembly (but in
  # the odd folder, which the SDK compiles at every build: a ; splits it).
  # A file the user restores is stamped again.
  touch "$root/before"; dotnet_
  ! grep -q 'revstamp [12]$' "$root/log" || fail "a build with no new commit ran the tool"
  rewritten=$(find "$repo" -newer "$root/before" -name '*.dll' ! -path "$repo/Odd*")
  [ -z "$rewritten" ] || fail "a build with no new commit rewrote: $rewritten"
  git_ checkout -- "App/$cs"; dotnet_ build App; hash_is "$(copyright App)"
}; scenario "a solution built by the .NET SDK, in parallel; then with nothing new; a file restored by the user" solution

other_verbs() {
  # A framework built alone, and the builds of pack, publish and test (of a
  # test project; the test host it lacks fails after), stamp too, all
  # without copying the tool again.
  local copied verb; make_solution; copied=$(stat -c %Z "$repo/App/revstamp")
  next_commit; dotnet_ build Multi -f "$net"; hash_is "$(dll "Multi/bin/Debug/$net/Multi")"
  for verb in pack publish; do next_commit; dotnet_ "$verb" App; hash_is "$(copyright App)"; done
  next_commit; (cd "$repo" && dotnet test App -p:IsTestProject=true) >/dev/null 2>&1 || true; hash_is "$(copyright App)"
  [ "$(stat -c %Z "$repo/App/revstamp")" = "$copied" ] || fail "the tool was copied again"
}; scenario "NuGet: build -f, pack, publish, test" other_verbs

refs() {
  # A commit seen however Git records it: with the reflog off, then the
  # branch packed (git gc, git pack-refs); in a reftable (Git 2.45), whose
  # tables.list each ref update rewrites, laid out by hand: a stub HEAD that
  # never changes, and no loose ref.
  local head; make_solution; git_ config core.logAllRefUpdates false; rm -r "$repo/.git/logs"
  dotnet_ build App; next_commit; git_ pack-refs --all; dotnet_ build App; hash_is "$(copyright App)"
  mkdir "$repo/.git/reftable"; echo 1 >"$repo/.git/reftable/tables.list"; dotnet_ build App; dotnet_ build App
  ! grep -q 'revstamp 2$' "$root/log" || fail "ran with nothing new"; echo 2 >"$repo/.git/reftable/tables.list"
  dotnet_ build App; grep -q 'revstamp 2$' "$root/log" || fail "a new tables.list didn't run the tool"
  head=$(cat "$repo/.git/HEAD"); echo "ref: refs/heads/.invalid" >"$repo/.git/HEAD"
  (cd "$repo" && dotnet msbuild App/App.csproj -getItem:UpToDateCheckInput) >"$root/items"
  echo "$head" >"$repo/.git/HEAD"; git_ config core.logAllRefUpdates true
  expect_eq "watched" "$(sed -n 's|.*"FullPath": ".*/\.git/\(.*\)",|\1|p' "$root/items" | sort | xargs)" "HEAD packed-refs reftable/tables.list"
}; scenario "NuGet: refs packed, or in a reftable" refs

# Each way a build won't carry HEAD's hash warns, once, saying what the file
# holds and what to do, and writes no marker: the next build, with nothing
# new, runs the tool and warns again. A file that holds its line twice is
# stamped at the first (and the marker written). <project>|<what>|<change>|<warning>
warns() {
  local project what change expected; make_solution; base=$(git_ rev-parse HEAD)
  mend() { chown -R root "$repo"; chmod -R u+w "$repo"; rm -f "$repo/.git/index.lock"; }
  trap 'status=$?; set +e; mend; git_ reset -q --hard "$base"; exit $status' EXIT  # for those after it
  while IFS='|' read -r project what change expected; do
    git_ reset -q --hard "$base"; (cd "$repo" && eval "$change"); dotnet_ build "$project"
    if [ -z "$expected" ]; then
      ! grep -q "warning : revstamp" "$root/warnings" || fail "$what: $(cat "$root/warnings")"; dotnet_ build "$project"
      ! grep -q 'revstamp [12]$' "$root/log" || fail "$what: ran with nothing new"
    else
      grep -qF -- "$expected" "$root/warnings" || fail "$what: $(cat "$root/warnings")"; dotnet_ build "$project"
      [ "$(grep -c 'warning : revstamp' "$root/warnings")" = 1 ] || fail "$what: not warned again"
    fi
    mend
  done <<ROWS
App|no line|sed -i 's/Copyright("")/Copyright("Copyright ©  2012")/' App/$cs; git_ commit -qam x|holds no line [assembly: AssemblyCopyright("")], which
App|a namespace|sed -i 's/assembly: Assembly/assembly: System.Reflection.Assembly/' App/$cs; git_ commit -qam x|holds no line [assembly: AssemblyCopyright("")]
Widget|two blanks|sed -i 's/", "Widget.exe/",  "Widget.exe/' Widget/Widget.rc; git_ commit -qam x|holds no line VALUE "OriginalFilename", "Widget.exe"
App|a stamp committed|dotnet_ build App; git_ commit -qam x; next_commit|the committed Properties/AssemblyInfo.cs holds a stamp
App|Git refused|next_commit; chown -R nobody "\$repo"|(fatal: detected dubious ownership in repository
App|a linked file|mkdir Other; git_ mv App/Properties Other/; sed -i 's#</Project>#<ItemGroup><Compile Include="../Other/$cs" /></ItemGroup></Project>#' App/App.csproj; git_ commit -qam x|compiles $solution/Other/$cs as a link
App|Git's lock held|dotnet_ build App; next_commit; touch .git/index.lock|Git didn't restore Properties/AssemblyInfo.cs (fatal: Unable to create
App|read-only|next_commit; chmod a-w App/$cs|still holds [assembly: AssemblyCopyright("")]: the tool couldn't rewrite it
App|twice|sed -i 's/^\[assembly: AssemblyCopyright("")\]/#if DEBUG\n&\n#else\n&\n#endif/' App/$cs; git_ commit -qam x|
ROWS
}; scenario "NuGet: a warning whenever a build won't carry HEAD's hash" warns

design_time() {
  # Design-time builds (the IDE's, while the user types), of a project and
  # of one framework of a project with several: no copy, no restore of the
  # file being edited, no stamp.
  local p b; make_solution; for p in App Multi; do for b in DesignTimeBuild SkipCompilerExecution; do
    next_commit; rm -f "$repo/$p/revstamp"; echo "// edit" >>"$repo/$p/$cs"
    (cd "$repo" && dotnet msbuild "$p/$p.csproj" -t:Compile -p:$b=true -p:TargetFramework="$net") >/dev/null
    [[ ! -e $repo/$p/revstamp && $(tail -1 "$repo/$p/$cs") == "// edit" ]] || fail "$p, $b: stamped"; git_ checkout -q -- "$p/$cs"
  done; done
}; scenario "NuGet: design-time builds" design_time

linked_work_tree() {
  # A commit in a linked work tree with the reflog off: only the branch
  # changes, which is the common folder's.
  make_solution; git_ worktree add -q "$root/linked"; repo=$root/linked; git_ config core.logAllRefUpdates false
  rm -r "$(git_ rev-parse --absolute-git-dir)/logs"  # Git appends to the logs there are
  dotnet_ build App; next_commit; dotnet_ build App; hash_is "$(copyright App)"
}; scenario "NuGet: a linked work tree" linked_work_tree

choice() {
  # The tool the targets choose: for each machine, or none (they warn); as
  # Windows evaluates them (without the .NET SDK's identifier: a C++
  # project, MSBuild.exe on an old-style project) and as this machine does;
  # a C++ project's mode.
  local targets=$NUGET_PACKAGES/revstamp/$version/build/revstamp.targets row host expected got; make_solution
  printf '<Project><Import Project="%s" /></Project>\n' "$targets" >"$root/X.vcxproj"
  for row in "_RevstampHost=linux-arm64 linux-arm64/revstamp" "_RevstampHost=linux-musl-arm64 linux-arm64/revstamp" \
      "_RevstampHost=linux-x64 linux-x64/revstamp" "_RevstampHost=linux-musl-x64 linux-x64/revstamp" \
      "_RevstampHost=win-x64 win-x64/revstamp.exe" "_RevstampHost=win-arm64 win-x64/revstamp.exe" \
      "_RevstampHost=osx-arm64 " "OS=Windows_NT win-x64/revstamp.exe" "OS=Unix linux-x64/revstamp"; do
    read -r host expected <<<"$row"; expected=${expected:+/tools/$expected}; got=$(dotnet msbuild "$root/X.vcxproj" -getProperty:_RevstampTool -p:"$host" -p:NETCoreSdkPortableRuntimeIdentifier=)
    [[ $got == *"$expected" && ( -n $expected || -z $got ) ]] || fail "$host: '$got'"
  done
  [ "$(dotnet msbuild "$root/X.vcxproj" -getProperty:RevstampMode)" = 1 ] || fail "C++: not mode 1"
  cmp -s "$NUGET_PACKAGES/revstamp/$version/tools/linux-arm64/revstamp" "$arm64/bin/revstamp" || fail "arm64: not the tarball's"
}; scenario "NuGet: the tool for each machine" choice

finish builds

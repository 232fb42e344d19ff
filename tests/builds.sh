#!/usr/bin/env bash
# Real builds, with the README's recipes taken from the README itself: the
# example project in throwaway Git repositories, built by the build tools
# users run, with the tool as the pre-build step.
#
#   builds.sh <revstamp>    the tool built for this machine
#
# tools/package's artefacts, made twice; CMake with Ninja and with Unix
# Makefiles cross-builds Widget.exe with mingw-w64 (windres compiles the
# resource script), with the README's recipe and with the CMake package;
# Mono's xbuild and mcs build the C# project; the .NET SDK builds a solution
# that takes the NuGet package, as the command line and an IDE build it.
set -u
tool=$(realpath "$1") && top=$(cd "$(dirname "$0")/.." && pwd) && [ -f "$top/README.md" ] ||
  { echo "usage: $0 <revstamp>, from the source tree" >&2; exit 2; }
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-builds.XXXXXX")
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAIL [$scenario] $*" >&2; failures=$((failures + 1)); return 1; }
git_() { git -C "$repo" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@"; }
next_commit() { date +%N >>"$repo/history" && git_ add history && git_ commit -qm next; }
# hash_is <what the build put in>: HEAD's hash, or a failure.
hash_is() { [[ $1 == *"$(git_ rev-parse --short HEAD)"* ]] || fail "not HEAD's hash: $1"; }

# new_repo <project file> <text>: the example project with that file and the
# README's recipe <name> in it, committed, and the tool beside it.
new_repo() {
  repo=$(mktemp -d "$root/repo.XXXXXX")
  cp -R "$top/example/Widget" "$repo/" && printf '%s\n' "$2" >"$repo/Widget/$1"
  git_ init -q && printf 'revstamp\nbin/\nobj/\n' >"$repo/.git/info/exclude"
  git_ add -A && git_ commit -qm Widget && cp "$tool" "$repo/Widget/revstamp"
}
# recipe <name>: the code block after "<!-- recipe: <name> -->" in the README.
recipe() {
  awk -v mark="<!-- recipe: $1 -->" '$0 == mark { on = 1; next }
    on && /^```/ { if (inside) exit; inside = 1; next } inside' "$top/README.md"
}

scenario="what tools/package writes"
# The same bytes from a clone elsewhere, as a user who checks a download
# builds it (so commit first: the work tree is packed, the clone has HEAD);
# the tarball for arm64 holds a static aarch64 tool that stamps HEAD's hash,
# under emulation.
unset SOURCE_DATE_EPOCH  # tools/package takes the commit's own
tools=$root/packages && "$top/tools/package" "$tools" >/dev/null
git clone -q "$top" "$root/clone" && "$root/clone/tools/package" "$root/again" >/dev/null
for f in "$tools"/*; do cmp -s "$f" "$root/again/${f##*/}" || fail "${f##*/} differs in a clone"; done
prefix=$root/prefix && mkdir "$prefix" && tar -xzf "$tools"/revstamp-*-linux-x86_64.tar.gz -C "$prefix"
arm64=$root/arm64 && mkdir "$arm64" && tar -xzf "$tools"/revstamp-*-linux-aarch64.tar.gz -C "$arm64"
[[ $(readelf -h "$arm64/bin/revstamp") == *AArch64* && $(readelf -l "$arm64/bin/revstamp") != *INTERP* ]] ||
  fail "not a static aarch64 program"
new_repo Widget.txt "" && cp "$arm64/bin/revstamp" "$repo/Widget/"
(cd "$repo/Widget" && qemu-aarch64-static ./revstamp) && hash_is "$(grep OriginalFilename "$repo/Widget/Widget.rc")"

# configure <build folder> <options...>: Widget's CMake project, cross-built.
configure() {
  cmake -S "$repo/Widget" -B "$1" -DCMAKE_PREFIX_PATH="$prefix" "${@:2}" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"
}
# The package's stamps: two targets in one folder (one copy of the tool for
# both, made before either runs, even when the copy is new), the tool built
# for the machine that builds; Visual Studio and Xcode see the targets'
# dependencies, not the marker.
for variant in recipe package; do
  for generator in Ninja "Unix Makefiles"; do
    scenario="CMake, $variant, $generator"
    stamp=$(recipe cmake) builds=3 && [ $variant = recipe ] ||
      stamp=$'find_package(revstamp CONFIG REQUIRED)\nrevstamp_stamp(Widget)
add_library(Info OBJECT Widget.cpp)\nrevstamp_stamp(Info MODE 2)' builds=10
    new_repo CMakeLists.txt "cmake_minimum_required(VERSION 3.16)
project(Widget CXX RC)
add_executable(Widget WIN32 Widget.cpp Widget.rc)
$stamp"
    mkdir "$repo.build" && echo 'set(GRAPHVIZ_CUSTOM_TARGETS TRUE)' >"$repo.build/CMakeGraphVizOptions.cmake"
    configure "$repo.build" -G "$generator" --graphviz="$repo.build/targets.dot" >/dev/null || fail "configure"
    for n in $(seq $builds); do
      [ $variant = recipe ] || rm "$repo/Widget/revstamp"  # the package brings its own
      next_commit && cmake --build "$repo.build" -j 4 --verbose >"$root/log" || fail "build $n"
      hash_is "$(x86_64-w64-mingw32-windres -i "$repo.build/Widget.exe" -O rc | grep -a OriginalFilename)"
      [ $variant = recipe ] || { hash_is "$(grep Copyright "$repo/Widget/Properties/AssemblyInfo.cs")" &&
        [ "$(grep -c "copy_if_different $prefix/bin/revstamp " "$root/log")" = 1 ] || fail "copies: build $n"; }
    done
    [ $variant = recipe ] || [[ -x $repo/Widget/revstamp && ! -e $repo/Widget/revstamp.exe &&
      $(cat "$repo.build/targets.dot") == *"// Widget -> Widget_revstamp"* ]] || fail "the copy or the targets"
    touch "$root/before" && cmake --build "$repo.build" >/dev/null
    rebuilt=$(find "$repo.build" -newer "$root/before" \( -name '*.obj' -o -name '*.res' -o -name '*.exe' \))
    [ -z "$rebuilt" ] || fail "a build with no new commit rebuilt: $rebuilt"
    cmake --build "$repo.build" --target clean >/dev/null
    [ -z "$(git_ ls-files --deleted)" ] || fail "clean deleted sources: $(git_ ls-files --deleted)"
  done
done
scenario="CMake package, a mode that doesn't exist"
sed -i 's/(Info MODE 2)/(Info MODE 3)/' "$repo/Widget/CMakeLists.txt"
[[ $(configure "$repo.mode3" 2>&1) == *"MODE is 1 or 2, not 3"* ]] || fail "configured"

scenario="MSBuild (xbuild)"
# With Debian's Mono the compiler must reference its standard library. The
# project also takes the NuGet package's targets, as an old-style project
# does through packages.config: xbuild can't tell what machine it runs on,
# so they warn, and the README's recipe stamps.
new_repo Widget.csproj "<Project ToolsVersion=\"4.0\" xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">
  <PropertyGroup><OutputType>Exe</OutputType><AssemblyName>Widget</AssemblyName>
    <NoCompilerStandardLib>false</NoCompilerStandardLib></PropertyGroup>
  <ItemGroup><Compile Include=\"Program.cs;Properties\\AssemblyInfo.cs\" /></ItemGroup>
  <Import Project=\"\$(MSBuildToolsPath)\\Microsoft.CSharp.targets\" />
  <Import Project=\"$top/src/msbuild/revstamp.targets\" />
$(recipe msbuild)
</Project>"
xbuild_() { (cd "$repo/Widget" && xbuild /v:normal) >"$root/log" 2>&1 || fail "xbuild: $(grep -m3 error "$root/log")"; }
for n in 1 2; do next_commit && xbuild_ && hash_is "$(mono "$repo/Widget/bin/Debug/Widget.exe")"; done
xbuild_
grep -q 'Skipping target "CoreCompile"' "$root/log" || fail "a build with no new commit compiled"
grep -q "revstamp can't tell what machine" "$root/log" || fail "the package's targets didn't warn"

if command -v dotnet >/dev/null; then
  scenario="a solution built by the .NET SDK, with the NuGet package"
  # Projects side by side in one repository: one stamped by default, one
  # built for two frameworks, one in mode 1, one turned off, one without
  # the file (it warns), and one in a folder whose name a shell would read.
  # The package comes from a folder, into packages of the test's own.
  export DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 NUGET_PACKAGES=$root/nuget
  repo=$(mktemp -d "$root/repo.XXXXXX") && git_ init -q
  printf '<configuration><packageSources><clear /><add key="local" value="%s" />
  </packageSources></configuration>\n' "$tools" >"$repo/nuget.config"
  version=$(sed -n 's/^project(revstamp VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
  net=net$(dotnet --version | cut -d. -f1).0  # the SDK's own, which needs no download
  odd='Odd $HOME `id` a;b'"'"'c&d é'
  for row in "App:TargetFramework=$net" "Multi:TargetFrameworks=$net;$net-browser" \
      "Widget:TargetFramework=$net RevstampMode=1" "Off:TargetFramework=$net RevstampEnabled=false" \
      "None:TargetFramework=$net" "$odd:TargetFramework=$net"; do
    name=${row%%:*} && cp -R "$top/example/Widget" "$repo/$name"
    for p in ${row#*:} GenerateAssemblyInfo=false; do echo "<${p%%=*}>${p#*=}</${p%%=*}>"; done |
      printf '<Project Sdk="Microsoft.NET.Sdk"><PropertyGroup>%s</PropertyGroup><ItemGroup>
  <PackageReference Include="revstamp" Version="%s" PrivateAssets="all" /></ItemGroup></Project>\n' \
      "$(cat)" "$version" >"$repo/$name/$name.csproj"
  done
  rm -r "$repo/None/Properties" && sed -i 's/>false</>true</' "$repo/None/None.csproj"
  (cd "$repo" && dotnet new sln -n All >/dev/null && dotnet sln add ./*/*.csproj >/dev/null)
  printf 'revstamp\nbin/\nobj/\n' >"$repo/.gitignore" && git_ add -A && git_ commit -qm solution
  dotnet_() { (cd "$repo" && dotnet "${@:-build}" -m -v:n --disable-build-servers \
    "-flp:logfile=$root/warnings;warningsonly") >"$root/log" 2>&1 || fail "dotnet ${*:-build}: $(grep -m3 error "$root/log")"; }
  cs=Properties/AssemblyInfo.cs && copyright() { grep Copyright "$repo/$1/$cs"; }
  dll() { grep -ao "$(git_ rev-parse --short HEAD)" "$repo/$1.dll"; }
  for n in 1 2 3; do
    next_commit && dotnet_ || continue
    for dll in App/bin/Debug/$net/App Multi/bin/Debug/$net{,-browser}/Multi; do hash_is "$(dll "$dll")"; done
    hash_is "$(grep -a OriginalFilename "$repo/Widget/Widget.rc")" && hash_is "$(copyright "$odd")"
    git_ diff --quiet -- Off && [ ! -e "$repo/Off/revstamp" ] || fail "Off was stamped"
    [ "$(grep -c "warning : revstamp: this project has no Properties.AssemblyInfo.cs" "$root/warnings")" = 1 ] &&
      [ ! -e "$repo/None/revstamp" ] || fail "None: not one warning, or a copy"
  done
  # A build with nothing new starts no tool and writes no assembly (but in
  # the odd folder, which the SDK compiles at every build: a ; splits it).
  touch "$root/before" && dotnet_
  ! grep -q 'revstamp [12]$' "$root/log" || fail "a build with no new commit ran the tool"
  rewritten=$(find "$repo" -newer "$root/before" -name '*.dll' ! -path "$repo/Odd*")
  [ -z "$rewritten" ] || fail "a build with no new commit rewrote: $rewritten"
  # A framework built alone, and the builds of pack, publish and test (of a
  # test project; the test host it lacks fails after), stamp too, all
  # without copying the tool again.
  copied=$(stat -c %Z "$repo/App/revstamp")
  next_commit && dotnet_ build Multi -f "$net" && hash_is "$(dll "Multi/bin/Debug/$net/Multi")"
  for verb in pack publish; do next_commit && dotnet_ "$verb" App && hash_is "$(copyright App)"; done
  next_commit && (cd "$repo" && dotnet test App -p:IsTestProject=true) >/dev/null 2>&1; hash_is "$(copyright App)"
  [ "$(stat -c %Z "$repo/App/revstamp")" = "$copied" ] || fail "the tool was copied again"
  # Git's lock held for good through a build leaves the previous stamp; the
  # next build, the lock gone, stamps though nothing else changed.
  next_commit && touch "$repo/.git/index.lock" && dotnet_ build App; rm "$repo/.git/index.lock"
  { [[ $(copyright App) != *$(git_ rev-parse --short HEAD)* ]] || fail "stamped under Git's lock"; } &&
    dotnet_ build App && hash_is "$(copyright App)"
  # Design-time builds (the IDE's, while the user types): no copy, no
  # restore of the file being edited, no stamp.
  for build in -p:DesignTimeBuild=true -p:SkipCompilerExecution=true; do
    next_commit && rm -f "$repo/App/revstamp" && echo "// edit" >>"$repo/App/$cs"
    (cd "$repo" && dotnet msbuild App/App.csproj -t:Compile "$build") >/dev/null
    [[ ! -e $repo/App/revstamp && $(tail -1 "$repo/App/$cs") == "// edit" ]] || fail "$build stamped"
    git_ checkout -q -- "App/$cs"
  done
  # Visual Studio's fast up-to-date check watches Git's files that a commit
  # changes, in a work tree whose .git is a folder and in a linked one.
  git_ worktree add -q "$root/linked" && for tree in "$repo" "$root/linked"; do
    (cd "$tree" && dotnet restore App >/dev/null)
    watched() { (cd "$tree" && dotnet msbuild App/App.csproj -getItem:UpToDateCheckInput) |
      sed -n 's/.*"FullPath": "\(.*\)",/\1/p' | xargs -r stat -c %y; }
    before=$(watched) && repo=$tree next_commit
    [ -n "$before" ] && [ "$(watched)" != "$before" ] || fail "$tree: a commit changed nothing watched"
  done
  # The tool the targets choose: for each machine, or none (they warn); a
  # C++ project's mode.
  targets=$NUGET_PACKAGES/revstamp/$version/build/revstamp.targets
  printf '<Project><Import Project="%s" /></Project>\n' "$targets" >"$root/X.vcxproj"
  for row in "linux-arm64 /tools/linux-arm64/revstamp" "linux-x64 /tools/linux-x64/revstamp" \
      "win-x64 /tools/win-x64/revstamp.exe" "osx-arm64 "; do
    read -r host expected <<<"$row" && got=$(dotnet msbuild "$root/X.vcxproj" -getProperty:_RevstampTool -p:_RevstampHost="$host")
    [[ $got == *"$expected" && ( -n $expected || -z $got ) ]] || fail "$host: '$got'"
  done
  [ "$(dotnet msbuild "$root/X.vcxproj" -getProperty:RevstampMode)" = 1 ] || fail "C++: not mode 1"
  cmp -s "$NUGET_PACKAGES/revstamp/$version/tools/linux-arm64/revstamp" "$arm64/bin/revstamp" ||
    fail "the NuGet package's arm64 tool is not the tarball's"
else
  echo "builds: no .NET SDK (dotnet), so the NuGet package's solution is not built"
fi

[ "$failures" -eq 0 ] || { echo "$failures build check(s) failed" >&2; exit 1; }
echo "builds: all checks passed"

#!/usr/bin/env bash
# Real builds, with the README's recipes taken from the README itself: the
# example project in throwaway Git repositories, built by the build tools
# users run, with the tool as the pre-build step.
#
#   builds.sh <revstamp>    the tool built for this machine
#
# CMake with Ninja and with Unix Makefiles cross-builds Widget.exe with
# mingw-w64 (windres compiles the resource script), with the README's recipe
# and with the CMake package of tools/package's tarball; Mono's xbuild and
# mcs build the C# project; the .NET SDK builds a solution that takes the
# NuGet package of tools/package.
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

tools=$root/packages && "$top/tools/package" "$tools" >/dev/null
prefix=$root/prefix && mkdir "$prefix" && tar -xzf "$tools"/revstamp-*-linux-x86_64.tar.gz -C "$prefix"
for variant in recipe package; do
  for generator in Ninja "Unix Makefiles"; do
    scenario="CMake, $variant, $generator"
    stamp=$(recipe cmake) && [ $variant = recipe ] ||
      stamp=$'find_package(revstamp CONFIG REQUIRED)\nrevstamp_stamp(Widget)'
    new_repo CMakeLists.txt "cmake_minimum_required(VERSION 3.16)
project(Widget CXX RC)
add_executable(Widget WIN32 Widget.cpp Widget.rc)
$stamp"
    [ $variant = recipe ] || rm "$repo/Widget/revstamp"  # the package brings its own
    cmake -S "$repo/Widget" -B "$repo.build" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" \
      -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" >/dev/null || fail "configure"
    for n in 1 2 3; do
      next_commit && cmake --build "$repo.build" >/dev/null || fail "build $n"
      hash_is "$(x86_64-w64-mingw32-windres -i "$repo.build/Widget.exe" -O rc | grep -a OriginalFilename)"
    done
    touch "$root/before" && cmake --build "$repo.build" >/dev/null
    rebuilt=$(find "$repo.build" -newer "$root/before" \( -name '*.obj' -o -name '*.res' -o -name '*.exe' \))
    [ -z "$rebuilt" ] || fail "a build with no new commit rebuilt: $rebuilt"
    cmake --build "$repo.build" --target clean >/dev/null
    [ -z "$(git_ ls-files --deleted)" ] || fail "clean deleted sources: $(git_ ls-files --deleted)"
  done
done

scenario="MSBuild (xbuild)"
# With Debian's Mono the compiler must reference its standard library.
new_repo Widget.csproj "<Project ToolsVersion=\"4.0\" xmlns=\"http://schemas.microsoft.com/developer/msbuild/2003\">
  <PropertyGroup><OutputType>Exe</OutputType><AssemblyName>Widget</AssemblyName>
    <NoCompilerStandardLib>false</NoCompilerStandardLib></PropertyGroup>
  <ItemGroup><Compile Include=\"Program.cs;Properties\\AssemblyInfo.cs\" /></ItemGroup>
  <Import Project=\"\$(MSBuildToolsPath)\\Microsoft.CSharp.targets\" />
$(recipe msbuild)
</Project>"
xbuild_() { (cd "$repo/Widget" && xbuild /v:normal) >"$root/log" 2>&1 || fail "xbuild: $(grep -m3 error "$root/log")"; }
for n in 1 2; do
  next_commit && xbuild_
  hash_is "$(mono "$repo/Widget/bin/Debug/Widget.exe")"
done
xbuild_
grep -q 'Skipping target "CoreCompile"' "$root/log" || fail "a build with no new commit compiled"

if command -v dotnet >/dev/null; then
  scenario="a solution built in parallel by the .NET SDK, with the NuGet package"
  # Projects side by side in one repository: one stamped by default, one
  # built for two frameworks, one in mode 1, one turned off; the package comes
  # from a folder, into packages of the test's own.
  export DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 NUGET_PACKAGES=$root/nuget
  repo=$(mktemp -d "$root/repo.XXXXXX") && git_ init -q
  printf '<configuration><packageSources><clear /><add key="local" value="%s" />
  </packageSources></configuration>\n' "$tools" >"$repo/nuget.config"
  version=$(sed -n 's/^project(revstamp VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
  net=net$(dotnet --version | cut -d. -f1).0  # the SDK's own, which needs no download
  for row in "App:TargetFramework=$net" "Multi:TargetFrameworks=$net;$net-browser" \
      "Widget:TargetFramework=$net RevstampMode=1" "Off:TargetFramework=$net RevstampEnabled=false"; do
    name=${row%%:*} && cp -R "$top/example/Widget" "$repo/$name"
    for p in ${row#*:} GenerateAssemblyInfo=false; do echo "<${p%%=*}>${p#*=}</${p%%=*}>"; done |
      printf '<Project Sdk="Microsoft.NET.Sdk"><PropertyGroup>%s</PropertyGroup><ItemGroup>
  <PackageReference Include="revstamp" Version="%s" PrivateAssets="all" /></ItemGroup></Project>\n' \
      "$(cat)" "$version" >"$repo/$name/$name.csproj"
  done
  (cd "$repo" && dotnet new sln -n All >/dev/null && dotnet sln add ./*/*.csproj >/dev/null)
  printf 'revstamp\nbin/\nobj/\n' >"$repo/.gitignore" && git_ add -A && git_ commit -qm solution
  dotnet_() { (cd "$repo" && dotnet build -m --disable-build-servers All.sln*) >"$root/log" 2>&1 ||
    fail "dotnet build: $(grep -m3 error "$root/log")"; }
  for n in 1 2 3; do
    next_commit && dotnet_ || continue
    for dll in App/bin/Debug/$net/App.dll Multi/bin/Debug/$net{,-browser}/Multi.dll; do
      hash_is "$(grep -ao "$(git_ rev-parse --short HEAD)" "$repo/$dll")"
    done
    hash_is "$(grep -a OriginalFilename "$repo/Widget/Widget.rc")"
    git_ diff --quiet -- Off && [ ! -e "$repo/Off/revstamp" ] || fail "Off was stamped"
  done
  touch "$root/before" && dotnet_
  rewritten=$(find "$repo" -newer "$root/before" -name '*.dll')
  [ -z "$rewritten" ] || fail "a build with no new commit rewrote: $rewritten"
else
  echo "builds: no .NET SDK (dotnet), so the NuGet package's solution is not built"
fi

[ "$failures" -eq 0 ] || { echo "$failures build check(s) failed" >&2; exit 1; }
echo "builds: all checks passed"

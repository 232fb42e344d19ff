#!/usr/bin/env bash
# Real builds, with the README's recipes taken from the README itself: the
# example project in throwaway Git repositories, built by the build tools
# users run, with the tool as the pre-build step.
#
#   builds.sh <revstamp>    the tool built for this machine
#
# CMake with Ninja and with Unix Makefiles cross-builds Widget.exe with
# mingw-w64 (windres compiles the resource script); Mono's xbuild and mcs
# build the C# project.
set -u
tool=$(realpath "$1") && top=$(cd "$(dirname "$0")/.." && pwd) && [ -f "$top/README.md" ] ||
  { echo "usage: $0 <revstamp>, from the source tree" >&2; exit 2; }
root=$(mktemp -d "${TMPDIR:-/tmp}/revstamp-builds.XXXXXX")
trap 'rm -rf "$root"' EXIT
failures=0
fail() { echo "FAIL [$scenario] $*" >&2; failures=$((failures + 1)); }
git_() { git -C "$repo" -c init.defaultBranch=main -c user.name=t -c user.email=t@e "$@"; }
next_commit() { echo "$1" >>"$repo/history.txt" && git_ add history.txt && git_ commit -qm "$1"; }

# recipe <name>: the code block after "<!-- recipe: <name> -->" in the README.
recipe() {
  awk -v mark="<!-- recipe: $1 -->" '$0 == mark { on = 1; next }
    on && /^```/ { if (inside) exit; inside = 1; next } inside' "$top/README.md"
}

# new_repo <project file>: the example project with that file (read from
# standard input), committed, and the tool beside it.
new_repo() {
  repo=$(mktemp -d "$root/repo.XXXXXX")
  cp -R "$top/example/Widget" "$repo/"
  cat >"$repo/Widget/$1"
  git_ init -q && printf 'revstamp\nbin/\nobj/\n' >"$repo/.git/info/exclude"
  git_ add -A && git_ commit -qm "Widget" && cp "$tool" "$repo/Widget/revstamp"
}

for generator in Ninja "Unix Makefiles"; do
  scenario="CMake, $generator"
  new_repo CMakeLists.txt < <(printf '%s\n' "cmake_minimum_required(VERSION 3.16)" \
    "project(Widget CXX RC)" "add_executable(Widget WIN32 Widget.cpp Widget.rc)"; recipe cmake)
  build=$repo.build
  cmake -S "$repo/Widget" -B "$build" -G "$generator" >/dev/null \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" || fail "configure"
  for n in 1 2 3; do
    next_commit "change $n"
    cmake --build "$build" >/dev/null || fail "build $n"
    stamped=$(x86_64-w64-mingw32-windres -i "$build/Widget.exe" -O rc | grep -a OriginalFilename)
    [[ $stamped == *"\"$(git_ rev-parse --short HEAD)\""* ]] ||
      fail "after change $n, HEAD is $(git_ rev-parse --short HEAD), the exe has: $stamped"
  done
  touch "$root/before"
  cmake --build "$build" >/dev/null || fail "build with no new commit"
  rebuilt=$(find "$build" -newer "$root/before" \( -name '*.obj' -o -name '*.res' -o -name '*.exe' \))
  [ -z "$rebuilt" ] || fail "a build with no new commit rebuilt: $rebuilt"
  cmake --build "$build" --target clean >/dev/null || fail "clean"
  deleted=$(git_ ls-files --deleted)
  [ -z "$deleted" ] || fail "clean deleted sources: $deleted"
done

scenario="MSBuild (xbuild)"
csproj() {
  cat <<'PROJECT'
<?xml version="1.0" encoding="utf-8"?>
<Project ToolsVersion="4.0" DefaultTargets="Build" xmlns="http://schemas.microsoft.com/developer/msbuild/2003">
  <PropertyGroup>
    <OutputType>Exe</OutputType>
    <AssemblyName>Widget</AssemblyName>
    <OutputPath>bin\</OutputPath>
    <!-- Debian's Mono: let the compiler reference its standard library. -->
    <NoCompilerStandardLib>false</NoCompilerStandardLib>
  </PropertyGroup>
  <ItemGroup>
    <Reference Include="System" />
    <Compile Include="Program.cs" />
    <Compile Include="Properties\AssemblyInfo.cs" />
  </ItemGroup>
  <Import Project="$(MSBuildToolsPath)\Microsoft.CSharp.targets" />
PROJECT
  recipe msbuild
  echo '</Project>'
}
new_repo Widget.csproj < <(csproj)
xbuild_() { (cd "$repo/Widget" && xbuild /nologo /v:normal Widget.csproj) >"$root/log" 2>&1 ||
  fail "xbuild: $(grep -a -m3 error "$root/log")"; }
for n in 1 2; do
  next_commit "change $n"
  xbuild_
  copyright=$(mono "$repo/Widget/bin/Widget.exe")
  [ "$copyright" = "$(git_ rev-parse --short HEAD)" ] ||
    fail "after change $n, HEAD is $(git_ rev-parse --short HEAD), the assembly has '$copyright'"
done
xbuild_
grep -q 'Skipping target "CoreCompile"' "$root/log" || fail "a build with no new commit compiled"

if [ "$failures" -ne 0 ]; then
  echo "$failures build check(s) failed" >&2
  exit 1
fi
echo "builds: all checks passed"

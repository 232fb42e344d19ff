#!/usr/bin/env bash
# Builds Git for Windows from Debian's own source package with mingw-w64, so
# that the Windows tests run against a real git.exe under Wine:
#
#   windows-git.sh <folder>   git.exe and the DLLs it needs, into <folder>,
#                             unless it is there already
#
# Exits 3, after one line, when the source package can't be had. Needs the
# machine's Debian sources listed as deb-src too, which it adds (as root, or
# through sudo), and libz-mingw-w64-dev (tools/test installs it).
set -euo pipefail
out=$1 && [ -x "$out/git.exe" ] && exit 0
work=$out.build && rm -rf "$work" && mkdir -p "$work/include" && cd "$work"
sudo="" && [ "$(id -u)" = 0 ] || sudo=sudo
if ! apt-get indextargets --format '$(CREATED_BY)' | grep -qx Sources; then
  for f in /etc/apt/sources.list.d/*.sources; do
    [ ! -f "$f" ] || sed 's/^Types: deb$/Types: deb-src/' "$f"
  done >src.sources
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ ! -f "$f" ] || sed -n 's/^deb /deb-src /p' "$f"
  done >src.list
  for f in src.sources src.list; do
    [ ! -s $f ] || $sudo cp $f "/etc/apt/sources.list.d/revstamp-deb-$f"
  done
  $sudo apt-get update -q >/dev/null 2>&1 || true
fi
apt-get source -q git >/dev/null 2>&1 || { echo "windows: no source package of git" >&2; exit 3; }
# Git names three headers by their Windows spelling.
for h in NTSecAPI Psapi tlHelp32; do echo "#include <${h,,}.h>" >"include/$h.h"; done
cd git-*/
make -j "$(nproc)" uname_S=MINGW uname_M=x86_64 uname_R=3.0 uname_O=Msys MSYSTEM=MINGW64 \
  CC=x86_64-w64-mingw32-gcc AR=x86_64-w64-mingw32-ar RC="x86_64-w64-mingw32-windres -O coff" \
  CFLAGS="-O1 -I$work/include" NO_ICONV=1 NEEDS_LIBICONV= HAVE_LIBCHARSET_H= NO_GETTEXT=1 \
  NO_CURL=1 NO_EXPAT=1 NO_OPENSSL=1 NO_PERL=1 NO_PYTHON=1 NO_TCLTK=1 USE_LIBPCRE= USE_LIBPCRE2= \
  SKIP_DASHED_BUILT_INS=1 git.exe >"$work/make.log" 2>&1 ||
  { tail -20 "$work/make.log" >&2; exit 1; }
mkdir -p "$out.new"
cp git.exe /usr/x86_64-w64-mingw32/lib/zlib1.dll \
  "$(x86_64-w64-mingw32-gcc-posix -print-file-name=libssp-0.dll)" "$out.new/"
rm -rf "$out" "$work" && mv "$out.new" "$out"

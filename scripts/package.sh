#!/usr/bin/env bash
# Builds the release files into dist/ (or the folder given as $1):
#   Quendelrix-<version>-setup.exe   the Windows setup program
#   Quendelrix-<version>-win64.zip   the program and a read-me, for a copy by hand
#   quendelrix_<version>_<arch>.deb  the Linux program for XScreenSaver
#   web/                             the web page: index.html, quendelrix.js, .wasm
#   SHA256SUMS
# The same commit gives the same bytes: every time stamp is the commit's
# (SOURCE_DATE_EPOCH), file order and owners are fixed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$QX_ROOT"

qx_install_packages

dist="${1:-$QX_ROOT/dist}"
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$QX_ROOT" log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH
export TZ=UTC
umask 022

echo "== Windows release build and setup program"
cmake --preset release-windows >/dev/null
cmake --build --preset release-windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-windows/CMakeCache.txt)
[ -n "$version" ] || { echo "no project version" >&2; exit 1; }
setup="Quendelrix-$version-setup.exe"
zipname="Quendelrix-$version-win64.zip"
cp build/release-windows/"$setup" "$dist/$setup"

echo "== zip"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/zip"
cp build/release-windows/platform/win32/Quendelrix.scr "$stage/zip/"
# UTF-8 with a byte-order mark and CRLF line ends, as Notepad reads it best.
{ printf '\xEF\xBB\xBF'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' packaging/windows/README.txt; } \
  >"$stage/zip/README.txt"
[ -f LICENSE ] && cp LICENSE "$stage/zip/LICENSE.txt"
chmod 644 "$stage"/zip/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/zip/*
rm -f "$dist/$zipname"
(cd "$stage/zip" && LC_ALL=C ls | LC_ALL=C sort | zip -X -q -9 "$dist/$zipname" -@)

echo "== Linux release build and Debian package"
cmake --preset release-linux >/dev/null
cmake --build --preset release-linux
root="$stage/deb"
DESTDIR="$root" cmake --install build/release-linux --strip >/dev/null
bash packaging/debian/build-deb.sh "$root" "$version" "$dist"

echo "== web page"
cmake --preset web >/dev/null
cmake --build --preset web
rm -rf "$dist/web"
mkdir "$dist/web"
cp build/web/platform/web/{index.html,quendelrix.js,quendelrix.wasm} "$dist/web/"
chmod 644 "$dist"/web/*
touch -d "@$SOURCE_DATE_EPOCH" "$dist"/web/*

echo "== checksums"
(cd "$dist" && sha256sum "$setup" "$zipname" quendelrix_"$version"_*.deb \
  web/index.html web/quendelrix.js web/quendelrix.wasm >SHA256SUMS)
ls -l "$dist"
cat "$dist/SHA256SUMS"

#!/usr/bin/env bash
# Makes quendelrix_<version>_<arch>.deb from an installed tree.
#   build-deb.sh <root> <version> <output folder>
# <root> holds what `cmake --install` put under /usr (DESTDIR). The program
# and its settings description go where XScreenSaver looks; the read-me's
# Linux sections are the package's documentation; the dependencies are
# computed from the binary. No maintainer scripts: listing the saver in
# XScreenSaver is each user's own step (quendelrix --register).
# Time stamps come from SOURCE_DATE_EPOCH.
set -euo pipefail
root=$1
version=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
readme="$here/../../README.md"
arch=$(dpkg --print-architecture)
program=usr/libexec/xscreensaver/quendelrix
config=usr/share/xscreensaver/config/quendelrix.xml
: "${SOURCE_DATE_EPOCH:?}"

for f in "$program" "$config"; do
  [ -f "$root/$f" ] || { echo "missing in the installed tree: /$f" >&2; exit 1; }
done

# The program on PATH too, so that a user can type quendelrix --register.
if [ ! -e "$root/usr/bin/quendelrix" ]; then
  mkdir -p "$root/usr/bin"
  ln -s ../libexec/xscreensaver/quendelrix "$root/usr/bin/quendelrix"
fi

# Every section of the read-me whose heading names Linux, each up to the
# next heading of its level or above.
doc="$root/usr/share/doc/quendelrix"
mkdir -p "$doc"
awk '
  /^#+ / {
    level = length($1)
    if (inside && level <= depth) inside = 0
    if (!inside && $0 ~ /Linux/) { inside = 1; depth = level }
  }
  inside { print }
' "$readme" >"$doc/README.Linux"
[ -s "$doc/README.Linux" ] || { echo "README.md has no Linux section" >&2; exit 1; }

# dpkg-shlibdeps wants a source package around the binary.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/debian"
printf 'Source: quendelrix\n\nPackage: quendelrix\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O "$root/$program" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "no dependencies found for /$program" >&2; exit 1; }

find "$root" -type d -exec chmod 755 {} +
find "$root" -type f -exec chmod 644 {} +
chmod 755 "$root/$program"
size=$(du -sk --apparent-size "$root/usr" | cut -f1)

mkdir -p "$root/DEBIAN"
cat >"$root/DEBIAN/control" <<EOF
Package: quendelrix
Version: $version
Architecture: $arch
Maintainer: Quendelrix Project <quendelrix@quendelrix.example>
Installed-Size: $size
Depends: $depends
Recommends: xscreensaver
Section: x11
Priority: optional
Homepage: http://www.quendelrix.example/
Description: screen saver of bright balls that mix their colours
 Dozens of bright, shaded balls drift and bounce on a black screen; where
 they overlap their colours mix by a bitwise OR, and every few hundred
 frames the picture melts for a moment before the balls come back.
 .
 A display program for XScreenSaver. Each user adds it to their list of
 screen savers with "quendelrix --register".
EOF
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum >DEBIAN/md5sums)
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
deb="$out/quendelrix_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"

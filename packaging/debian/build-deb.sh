#!/usr/bin/env bash
# Makes quendelrix_<version>_<arch>.deb from an installed tree.
#   build-deb.sh <root> <version> <output folder>
# <root> holds what `cmake --install` put under /usr (DESTDIR): the program
# and its settings description where XScreenSaver looks, and the manual
# page. Beside them go the documents Debian's policy asks for (copyright,
# changelog, the users' README.Linux, all from this folder); the maintainer is
# the one of the changelog's latest entry, whose version must be <version>;
# the dependencies are computed from the binary. No maintainer scripts:
# listing the saver in XScreenSaver is each user's own step (quendelrix
# --register). Time stamps come from SOURCE_DATE_EPOCH.
set -euo pipefail
root=$1
version=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
arch=$(dpkg --print-architecture)
program=usr/libexec/xscreensaver/quendelrix
config=usr/share/xscreensaver/config/quendelrix.xml
manual=usr/share/man/man6/quendelrix.6
: "${SOURCE_DATE_EPOCH:?}"

for f in "$program" "$config" "$manual"; do
  [ -f "$root/$f" ] || { echo "missing in the installed tree: /$f" >&2; exit 1; }
done

changelog_version=$(dpkg-parsechangelog -l "$here/changelog" -S Version)
[ "$changelog_version" = "$version" ] ||
  { echo "packaging/debian/changelog starts at $changelog_version, not $version: add an entry" >&2; exit 1; }
maintainer=$(dpkg-parsechangelog -l "$here/changelog" -S Maintainer)

# The program on PATH too, so that a user can type quendelrix --register.
if [ ! -e "$root/usr/bin/quendelrix" ]; then
  mkdir -p "$root/usr/bin"
  ln -s ../libexec/xscreensaver/quendelrix "$root/usr/bin/quendelrix"
fi

doc="$root/usr/share/doc/quendelrix"
mkdir -p "$doc"
sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" "$here/README.Linux" >"$doc/README.Linux"
cp "$here/copyright" "$doc/copyright"
# The project is its own upstream (a native package): its changelog is
# changelog.gz. Compressed without a name or time in the header, so the
# bytes stay the same.
gzip -9n <"$here/changelog" >"$doc/changelog.gz"
gzip -9n "$root/$manual"
# The compiler's name and version are of no use in the installed program.
objcopy --remove-section=.comment "$root/$program"

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
Maintainer: $maintainer
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

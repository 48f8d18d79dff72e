#!/usr/bin/env bash
# The Debian package as a user gets it: its file list, its control fields
# and member owners, and the unpacked tree (dpkg-deb -x, nothing installed
# into this machine) run through the Linux program's XScreenSaver scenarios
# (tests/x11/x11_e2e.sh, whose helper program is the second argument).
#   tests/package/deb_test.sh <package.deb> <x11_e2e_tool>
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
tool=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
fail=0
check() {  # check <what> <expected> <actual>
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3" >&2
    fail=1
  fi
}

version=$(sed -n 's/^project(Quendelrix VERSION \([0-9.]*\).*/\1/p' "$QX_ROOT/CMakeLists.txt")
arch=$(dpkg --print-architecture)
check "file name" "quendelrix_${version}_${arch}.deb" "$(basename "$deb")"

# Files, modes and owners.
expected_files="drwxr-xr-x root/root ./
drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/bin/
lrwxrwxrwx root/root ./usr/bin/quendelrix -> ../libexec/xscreensaver/quendelrix
drwxr-xr-x root/root ./usr/libexec/
drwxr-xr-x root/root ./usr/libexec/xscreensaver/
-rwxr-xr-x root/root ./usr/libexec/xscreensaver/quendelrix
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/doc/
drwxr-xr-x root/root ./usr/share/doc/quendelrix/
-rw-r--r-- root/root ./usr/share/doc/quendelrix/README.Linux
-rw-r--r-- root/root ./usr/share/doc/quendelrix/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/quendelrix/copyright
drwxr-xr-x root/root ./usr/share/man/
drwxr-xr-x root/root ./usr/share/man/man6/
-rw-r--r-- root/root ./usr/share/man/man6/quendelrix.6.gz
drwxr-xr-x root/root ./usr/share/xscreensaver/
drwxr-xr-x root/root ./usr/share/xscreensaver/config/
-rw-r--r-- root/root ./usr/share/xscreensaver/config/quendelrix.xml"
actual_files=$(dpkg-deb -c "$deb" | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ' | LC_ALL=C sort -k3)
check "file list" "$(LC_ALL=C sort -k3 <<<"$expected_files")" "$actual_files"
# Every member carries the commit's time, none the time of the build.
check "member times" 1 "$(dpkg-deb -c "$deb" | awk '{ print $4, $5 }' | sort -u | wc -l)"

# Control fields; no maintainer scripts.
field() { dpkg-deb -f "$deb" "$1"; }
check Package quendelrix "$(field Package)"
check Version "$version" "$(field Version)"
check Architecture "$arch" "$(field Architecture)"
check Recommends xscreensaver "$(field Recommends)"
depends=$(field Depends)
for lib in libc6 libx11-6 libxext6 libwayland-client0 libstdc++6; do
  sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | grep -qxF "$lib" ||
    { echo "FAIL Depends lacks $lib: $depends" >&2; fail=1; }
done
check "control members" "control md5sums" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep . | sort | tr '\n' ' ' | sed 's/ $//')"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
dpkg-deb -x "$deb" "$tmp/root"
(cd "$tmp/root" && dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./md5sums | md5sum -c --quiet) ||
  { echo "FAIL md5sums" >&2; fail=1; }
program="$tmp/root/usr/libexec/xscreensaver/quendelrix"
check "--version" "quendelrix $version" "$("$tmp/root/usr/bin/quendelrix" --version)"
grep -q '<screensaver name="quendelrix"' "$tmp/root/usr/share/xscreensaver/config/quendelrix.xml" ||
  { echo "FAIL settings description" >&2; fail=1; }

# The documents. Compressed ones hold no file name or time in their gzip
# header (flags and time all zero), so two builds give the same bytes.
doc="$tmp/root/usr/share/doc/quendelrix"
manual="$tmp/root/usr/share/man/man6/quendelrix.6.gz"
for gz in "$doc/changelog.gz" "$manual"; do
  check "gzip header of ${gz#"$tmp/root"}" "1f 8b 08 00 00 00 00 00 02" "$(od -An -tx1 -N9 "$gz" | xargs)"
done
# The copyright file in the machine-readable format, naming the holder as the
# settings dialog's credit line does, and no licence that was never given.
copyright="$doc/copyright"
check "copyright format" "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$(head -n1 "$copyright")"
holder=$(sed -n 's/.*(C) \(.*\)";$/\1/p' "$QX_ROOT/settings_dialog/quendelrix_p.h")
grep -qE "^Copyright: [0-9]{4} $holder\$" "$copyright" || { echo "FAIL copyright holder: not '$holder'" >&2; fail=1; }
grep -q '^Files: \*$' "$copyright" && grep -q '^License: no-licence-stated$' "$copyright" ||
  { echo "FAIL copyright paragraphs" >&2; fail=1; }
# The changelog: one entry per version, the newest this package's, each by
# the maintainer of the control file.
zcat "$doc/changelog.gz" >"$tmp/changelog"
versions=$(dpkg-parsechangelog -l "$tmp/changelog" --all -S Version)
check "changelog's newest entry" "$version" "$(head -n1 <<<"$versions")"
check "one changelog entry per version" "$(sort -u <<<"$versions")" "$(sort <<<"$versions")"
maintainers=$(dpkg-parsechangelog -l "$tmp/changelog" --all -S Maintainer | sort -u)
check "changelog maintainer" "$(field Maintainer)" "$maintainers"
# The manual page renders without a warning and names everything --help
# names: each option, environment variable and exit status.
rendered=$(MANWIDTH=200 man --warnings -l "$manual" 2>"$tmp/man.err" | col -b)
[ ! -s "$tmp/man.err" ] || { echo "FAIL man page warnings: $(cat "$tmp/man.err")" >&2; fail=1; }
grep -q '^QUENDELRIX(6)' <<<"$rendered" || { echo "FAIL man page header" >&2; fail=1; }
"$program" --help | sed -nE 's/^  ((--)?[A-Za-z0-9_][^ ,]*( [A-Z]+)?).*/\1/p' >"$tmp/help-terms"
[ "$(wc -l <"$tmp/help-terms")" -ge 14 ] || { echo "FAIL --help terms: $(cat "$tmp/help-terms")" >&2; fail=1; }
while read -r term; do
  grep -qF -- "$term" <<<"$rendered" || { echo "FAIL the manual page lacks $term" >&2; fail=1; }
done <"$tmp/help-terms"
# README.Linux is for users: install, register, choose; building is the
# README's.
readme="$doc/README.Linux"
for words in "apt install ./quendelrix_${version}_${arch}.deb" "quendelrix --register" "xscreensaver-settings"; do
  grep -qF -- "$words" "$readme" || { echo "FAIL README.Linux lacks: $words" >&2; fail=1; }
done
! grep -qiE 'cmake|@[A-Z]+@' "$readme" || { echo "FAIL README.Linux: $(grep -iE 'cmake|@[A-Z]+@' "$readme")" >&2; fail=1; }
# Debian's own checker: no error and no warning.
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 ||
    { cat "$tmp/lintian.txt" >&2; echo "FAIL lintian" >&2; fail=1; }
  echo "lintian: $(grep -c '^[EW]:' "$tmp/lintian.txt") errors and warnings"
fi

# The unpacked program through the Linux program's own scenarios: it adds
# itself to a real ~/.xscreensaver, and the real XScreenSaver daemon runs it,
# sees it draw balls and ends it.
for scenario in register daemon; do
  bash "$QX_ROOT/tests/x11/x11_e2e.sh" "$scenario" "$program" "$tool" "$tmp/runs" >"$tmp/$scenario.log" 2>&1 ||
    { cat "$tmp/$scenario.log" >&2; echo "FAIL the $scenario scenario" >&2; fail=1; }
done
if [ -f "$tmp/runs/daemon/active.png" ]; then
  mkdir -p "$QX_ROOT/build/screenshots"
  cp "$tmp/runs/daemon/active.png" "$QX_ROOT/build/screenshots/deb-under-xscreensaver.png"
fi

[ "$fail" -eq 0 ] || exit 1
echo "package checks passed: $(basename "$deb")"

#!/usr/bin/env bash
# The Debian package as a user gets it: its file list, its control fields
# and member owners, and the unpacked tree (dpkg-deb -x, nothing installed
# into this machine) run by the real XScreenSaver daemon on a private X
# display: the saver starts on activation, draws, and ends on deactivation.
#   tests/package/deb_test.sh <package.deb>
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
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
for lib in libc6 libx11-6 libxext6 libstdc++6; do
  sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends" | grep -qxF "$lib" ||
    { echo "FAIL Depends lacks $lib: $depends" >&2; fail=1; }
done
check "control members" "control md5sums" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep . | sort | tr '\n' ' ' | sed 's/ $//')"

tmp=$(mktemp -d)
xs_pid=""
cleanup() {
  [ -n "$xs_pid" ] && kill "$xs_pid" 2>/dev/null || true
  qx_stop_xvfb
  rm -rf "$tmp"
}
trap cleanup EXIT
chmod 755 "$tmp"
dpkg-deb -x "$deb" "$tmp/root"
(cd "$tmp/root" && dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./md5sums | md5sum -c --quiet) ||
  { echo "FAIL md5sums" >&2; fail=1; }
program="$tmp/root/usr/libexec/xscreensaver/quendelrix"
check "--version" "quendelrix $version" "$("$tmp/root/usr/bin/quendelrix" --version)"
grep -q 'Linux' "$tmp/root/usr/share/doc/quendelrix/README.Linux" || { echo "FAIL README.Linux" >&2; fail=1; }
grep -q '<screensaver name="quendelrix"' "$tmp/root/usr/share/xscreensaver/config/quendelrix.xml" ||
  { echo "FAIL settings description" >&2; fail=1; }

# The daemon refuses to run savers as root: it runs as nobody, with its own
# home holding a one-program list that names the unpacked program.
home="$tmp/home"
mkdir "$home"
cat >"$home/.xscreensaver" <<EOF
mode:		one
selected:	0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
timeout:	1:00:00
cycle:		0:00:00
programs:	"Quendelrix" $program --root \\n\\
EOF
chown -R nobody:nogroup "$home"
qx_start_xvfb
as_nobody() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"
}
as_nobody xscreensaver --verbose --no-splash --log "$home/daemon.log" </dev/null >/dev/null 2>&1 &
xs_pid=$!
for _ in $(seq 1 100); do
  as_nobody xscreensaver-command -time >/dev/null 2>&1 && break
  sleep 0.1
done
saver_pids() {  # running (not zombie) processes of the unpacked program
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$program" ] || continue
    grep -q '^State:.*Z' "$p/status" 2>/dev/null && continue
    echo "${p#/proc/}"
  done
}
as_nobody xscreensaver-command -activate >/dev/null 2>&1
started=""
for _ in $(seq 1 100); do
  started=$(saver_pids)
  [ -n "$started" ] && break
  sleep 0.1
done
[ -n "$started" ] || { echo "FAIL the daemon did not start the unpacked program" >&2; tail -20 "$home/daemon.log" >&2; fail=1; }
if [ -n "$started" ]; then
  sleep 2
  import -display "$DISPLAY" -window root "$tmp/shot.png"
  mkdir -p "$QX_ROOT/build/screenshots"
  cp "$tmp/shot.png" "$QX_ROOT/build/screenshots/deb-under-xscreensaver.png"
  colours=$(convert "$tmp/shot.png" -format '%k' info:)
  [ "$colours" -gt 16 ] || { echo "FAIL the saver drew $colours colours" >&2; fail=1; }
  as_nobody xscreensaver-command -deactivate >/dev/null 2>&1
  for _ in $(seq 1 50); do
    [ -z "$(saver_pids)" ] && break
    sleep 0.1
  done
  check "program ended on deactivation" "" "$(saver_pids)"
fi
as_nobody xscreensaver-command -exit >/dev/null 2>&1 || true
wait "$xs_pid" 2>/dev/null || true
xs_pid=""

[ "$fail" -eq 0 ] || exit 1
echo "package checks passed: $(basename "$deb")"

#!/usr/bin/env bash
# Measures the Linux program: the CPU of quendelrix and of its display
# server over 10 seconds (utime + stime from /proc), on a headless sway
# (--wayland) and on Xvfb (--root) for comparison; and, on sway, the share
# of the program's commits whose damage covers less than half the output
# (from a second run with its protocol log). Not part of the tests: figures
# depend on the machine.
#
# Usage: scripts/measure_linux.sh [PROGRAM [layout ...]]
#   layouts: wl:1024x768 wl:3840x2160 wl2 (1024x768 at scale 1 beside
#            800x600 at scale 2) x11:1024x768 x11:3840x2160
#   default: all of them. PROGRAM defaults to the native tree's (a debug
#   build with sanitizers: measure a release build for real figures).
# Settings: 60 balls, interval 500.
set -euo pipefail
source "$(dirname "$0")/common.sh"
source "$(dirname "$0")/headless_sway.sh"
cd "$QX_ROOT"

program=${1:-build/native/platform/x11/quendelrix}
shift || true
layouts=("$@")
((${#layouts[@]})) || layouts=(wl:1024x768 wl:3840x2160 wl2 x11:1024x768 x11:3840x2160)
seconds=10
work=$(mktemp -d)
qpid=
cleanup() {
  [ -n "$qpid" ] && kill "$qpid" 2>/dev/null || true
  qx_stop_sway
  qx_stop_xvfb 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# measure LABEL SERVER_PID: CPU % of the program and the server over the
# measured seconds, after 3 s to start.
measure() {
  sleep 3
  local s0 x0 t0 s1 x1 t1
  s0=$(ticks "$qpid"); x0=$(ticks "$2"); t0=$(awk '{print $1}' /proc/uptime)
  sleep "$seconds"
  s1=$(ticks "$qpid"); x1=$(ticks "$2"); t1=$(awk '{print $1}' /proc/uptime)
  awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" \
      -v l="$1" 'BEGIN { d = (t1 - t0) * hz; printf "%-16s %8.1f %8.1f", l, 100 * s / d, 100 * x / d }'
}

# The share of commits (with a buffer) whose damage is under half its size.
damage_share() {
  awk '
    /create_buffer\(new id wl_buffer@/ {
      match($0, /wl_buffer@[0-9]+, 0, [0-9]+, [0-9]+/); split(substr($0, RSTART, RLENGTH), a, /[@, ]+/)
      size[a[2]] = a[4] * a[5] }
    /wl_surface@[0-9]+\.attach\(wl_buffer@/ {
      match($0, /wl_surface@[0-9]+/); s = substr($0, RSTART + 11, RLENGTH - 11)
      match($0, /attach\(wl_buffer@[0-9]+/); buf[s] = substr($0, RSTART + 17, RLENGTH - 17) }
    /wl_surface@[0-9]+\.damage_buffer\(/ {
      match($0, /wl_surface@[0-9]+/); s = substr($0, RSTART + 11, RLENGTH - 11)
      match($0, /damage_buffer\([-0-9, ]+\)/); split(substr($0, RSTART + 14, RLENGTH - 15), d, /, /)
      dmg[s] += d[3] * d[4] }
    /-> wl_surface@[0-9]+\.commit\(\)/ {
      match($0, /wl_surface@[0-9]+/); s = substr($0, RSTART + 11, RLENGTH - 11)
      if (s in buf) { total++; if (dmg[s] < size[buf[s]] / 2) small++; delete buf[s] }
      dmg[s] = 0 }
    END { printf " %8d %7.1f%%", total, total ? 100 * small / total : 0 }' "$1"
}

printf '%-16s %8s %8s %8s %8s\n' layout program% server% commits small%
for layout in "${layouts[@]}"; do
  case $layout in
    wl:*|wl2)
      if [ "$layout" = wl2 ]; then
        qx_start_sway "HEADLESS-1 1024x768 0 0 1" "HEADLESS-2 800x600 1024 0 2"
      else
        qx_start_sway "HEADLESS-1 ${layout#wl:} 0 0 1"
      fi
      "$program" --wayland --interval 500 </dev/null >/dev/null 2>&1 &
      qpid=$!
      measure "$layout" "$QX_SWAY_PID"
      kill "$qpid"; wait "$qpid" 2>/dev/null || true
      WAYLAND_DEBUG=1 "$program" --wayland --interval 500 </dev/null >/dev/null 2>"$work/protocol.log" &
      qpid=$!
      sleep $((seconds + 3))
      kill "$qpid"; wait "$qpid" 2>/dev/null || true
      qpid=
      damage_share "$work/protocol.log"
      echo
      qx_stop_sway
      ;;
    x11:*)
      qx_start_xvfb "${layout#x11:}"
      "$program" --root --interval 500 </dev/null >/dev/null 2>&1 &
      qpid=$!
      measure "$layout" "$QX_XVFB_PID"
      echo
      kill "$qpid"; wait "$qpid" 2>/dev/null || true
      qpid=
      qx_stop_xvfb
      ;;
    *) echo "unknown layout $layout" >&2; exit 1 ;;
  esac
done

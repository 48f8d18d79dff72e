#!/usr/bin/env bash
# Measures the running saver under Wine: the CPU of the saver's process and
# of the X server over 10 seconds (utime + stime from /proc), and the frame
# interval from a relay trace of the one drawing call per present
# (gdi32.SetDIBitsToDevice). Not part of the tests: figures depend on the
# machine.
#
# Usage: scripts/measure_saver.sh [layout ...]
#   layouts: xvfb:1024x768 xvfb:1920x1080 xvfb:3840x2160
#            xorg:1920x1080 (one monitor) xorg3:1920x1080 (three side by side)
#            off:1920x1080 (Xvfb, the display reported off after 3 s)
#   default: all of the above.
# QX_MEASURE_SCR names another Quendelrix.scr to measure (an older build, to
# compare).
# Settings: 60 balls; the interval is $QX_MEASURE_INTERVAL (default 32767,
# so that only ball frames are counted; 300 is the program's default).
# Needs the Windows build (cmake --preset windows; cmake --build --preset
# windows) and root for the Xorg layouts.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$QX_ROOT"

scr=${QX_MEASURE_SCR:-build/windows/platform/win32/Quendelrix.scr}
[ -f "$scr" ] || { echo "build the Windows tree first" >&2; exit 1; }
interval=${QX_MEASURE_INTERVAL:-32767}
seconds=10
layouts=("$@")
((${#layouts[@]})) || layouts=(xvfb:1024x768 xvfb:1920x1080 xvfb:3840x2160
                               xorg:1920x1080 xorg3:1920x1080 off:1920x1080)
work=$(mktemp -d)
x_pid=
cleanup() {
  qx_wine_stop
  [ -n "$x_pid" ] && kill "$x_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# utime + stime of a process, in clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# The Linux process of the running Quendelrix.scr of our Wine prefix.
saver_pid() {
  local p
  for p in /proc/[0-9]*; do
    # Wine names the process after the program; `timeout` and the loader
    # that started it carry the name only in their arguments.
    grep -qi '^Quendelrix' "$p/comm" 2>/dev/null || continue
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    echo "${p#/proc/}"
    return
  done
}

printf '%-18s %8s %8s %12s %8s\n' layout saver% xserver% frame-ms frames
for layout in "${layouts[@]}"; do
  kind=${layout%%:*}
  size=${layout#*:}
  qx_wine_stop
  case $kind in
    xvfb|off) qx_start_xvfb "$size"; x_pid=$QX_XVFB_PID ;;
    xorg) qx_start_xorg; x_pid=$QX_XORG_PID; qx_xorg_layout "$size+0+0" ;;
    xorg3) qx_start_xorg; x_pid=$QX_XORG_PID
           w=${size%x*}
           qx_xorg_layout "$size+$w+0" "$size+0+0" "$size+$((2 * w))+0" ;;
    *) echo "unknown layout $layout" >&2; exit 1 ;;
  esac
  qx_wine_prefix
  timeout 60 "$QX_WINE" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude \
    /d gdi32.SetDIBitsToDevice /f </dev/null >/dev/null 2>&1
  mkdir -p "$work/run"
  cp "$scr" "$work/run/Quendelrix.scr"
  printf '[Section]\r\n\x8B\x85\x82\xCC\x90\x94=60\r\n\xB2\xDD\xC0\xB0\xCA\xDE\xD9=%s\r\n' \
    "$interval" >"$work/run/Quendelrix.ini"
  trace="$work/trace-$kind.txt"
  WINEDEBUG=+relay,+timestamp timeout 60 "$QX_WINE" "$work/run/Quendelrix.scr" /s \
    </dev/null >/dev/null 2>"$trace" &
  sleep 3
  pid=$(saver_pid)
  [ -n "$pid" ] || { echo "$layout: the saver did not start" >&2; continue; }
  if [ "$kind" = off ]; then
    # The display reported off, as the system does.
    cat >"$work/off.c" <<'C'
#include <windows.h>
int main(void) {
  HWND w = FindWindowW(NULL, L"Quendelrix(Main)");
  DWORD_PTR r;
  return w && SendMessageTimeoutW(w, WM_SYSCOMMAND, SC_MONITORPOWER, 2,
                                  SMTO_ABORTIFHUNG, 2000, &r) ? 0 : 1;
}
C
    x86_64-w64-mingw32-gcc -O2 -o "$work/off.exe" "$work/off.c"
    timeout 30 "$QX_WINE" "$work/off.exe" </dev/null >/dev/null 2>&1 || echo "off message not delivered" >&2
    sleep 1
  fi
  # Frames: the presents traced during the measured seconds.
  presents() { grep -c 'Call gdi32.SetDIBitsToDevice' "$trace" || true; }
  s0=$(ticks "$pid"); x0=$(ticks "$x_pid"); f0=$(presents); t0=$(awk '{print $1}' /proc/uptime)
  sleep "$seconds"
  s1=$(ticks "$pid"); x1=$(ticks "$x_pid"); f1=$(presents); t1=$(awk '{print $1}' /proc/uptime)
  hz=$(getconf CLK_TCK)
  awk -v s=$((s1 - s0)) -v x=$((x1 - x0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" \
      -v l="$layout" -v f=$((f1 - f0)) 'BEGIN {
    d = (t1 - t0) * hz
    i = f ? sprintf("%.2f", 1000 * (t1 - t0) / f) : "-"
    printf "%-18s %8.1f %8.1f %12s %8d\n", l, 100 * s / d, 100 * x / d, i, f }'
  kill "$pid" 2>/dev/null || true
  qx_wine_stop
  timeout 60 "$QX_WINE" reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f </dev/null >/dev/null 2>&1 || true
  qx_wine_stop
  kill "$x_pid" 2>/dev/null || true
  wait "$x_pid" 2>/dev/null || true
  x_pid=
  rm -rf "$work/run"
done

#!/usr/bin/env bash
# Runs Quendelrix.scr under Wine: scripts/run.sh [switch] (default /s).
# scripts/run.sh --linux [options] runs the native Linux program instead
# (its own window unless the options say --root or --window-id), and
# scripts/run.sh --wayland [options] its Wayland mode (on a private
# headless sway when there is no Wayland display).
# scripts/run.sh --web [?count=N&interval=N&seed=N] builds the web page,
# serves it on 127.0.0.1, saves a screenshot of it from headless Chromium and
# prints its path; from a terminal it then goes on serving until Ctrl-C.
# On the current X display when there is one; otherwise on a private virtual
# display for a few seconds, after which a screenshot is saved and its path
# printed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$QX_ROOT"

if [ "${1:-}" = "--wayland" ]; then
  qx_install_packages
  cmake --preset native >/dev/null
  cmake --build --preset native --target quendelrix
  program="$QX_ROOT/build/native/platform/x11/quendelrix"
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "$@"
  fi
  source "$QX_ROOT/scripts/headless_sway.sh"
  qx_start_sway "HEADLESS-1 1024x768 0 0 1" "HEADLESS-2 800x600 1024 0 2"
  trap qx_stop_sway EXIT
  "$program" "$@" </dev/null &
  pid=$!
  sleep "${QX_RUN_SECONDS:-4}"
  mkdir -p build/screenshots
  stamp=$(date +%Y%m%d-%H%M%S)
  shots=()
  for output in HEADLESS-1 HEADLESS-2; do
    shots+=("$QX_ROOT/build/screenshots/run-wayland-$stamp-$output.png")
    grim -o "$output" "${shots[-1]}"
  done
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "no Wayland display: ran for ${QX_RUN_SECONDS:-4} s on a headless sway; screenshots: ${shots[*]}"
  exit 0
fi

if [ "${1:-}" = "--linux" ]; then
  shift
  qx_install_packages
  cmake --preset native >/dev/null
  cmake --build --preset native --target quendelrix
  program="$QX_ROOT/build/native/platform/x11/quendelrix"
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$program" "$@"
  fi
  qx_start_xvfb
  trap qx_stop_xvfb EXIT
  "$program" "$@" </dev/null &
  pid=$!
  sleep "${QX_RUN_SECONDS:-4}"
  mkdir -p build/screenshots
  shot="$QX_ROOT/build/screenshots/run-linux-$(date +%Y%m%d-%H%M%S).png"
  import -window root -display "$DISPLAY" "$shot"
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "no display: ran for ${QX_RUN_SECONDS:-4} s on a virtual one; screenshot: $shot"
  exit 0
fi

if [ "${1:-}" = "--web" ]; then
  query=${2:-}
  qx_install_packages
  cmake --preset web >/dev/null
  cmake --build --preset web
  log=$(mktemp)
  python3 -u -m http.server --bind 127.0.0.1 0 -d build/web/platform/web >"$log" 2>&1 &
  server=$!
  profile=$(mktemp -d)
  trap 'kill "$server" 2>/dev/null; rm -rf "$profile" "$log"' EXIT
  for _ in $(seq 1 100); do
    grep -q 'port [0-9]' "$log" && break
    sleep 0.1
  done
  url="http://127.0.0.1:$(grep -o 'port [0-9]*' "$log" | head -n1 | cut -d' ' -f2)/$query"
  mkdir -p build/screenshots
  shot="$QX_ROOT/build/screenshots/run-web-$(date +%Y%m%d-%H%M%S).png"
  # Three seconds on the page's own clock, however busy the machine.
  chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$profile" --window-size=1024,768 --virtual-time-budget=3000 \
    --screenshot="$shot" "$url" >/dev/null 2>&1
  echo "the page: $url"
  echo "screenshot: $shot"
  if [ -t 0 ]; then
    echo "serving until Ctrl-C"
    wait "$server"
  fi
  exit 0
fi

switch=("$@")
[ ${#switch[@]} -gt 0 ] || switch=(/s)

qx_install_packages
cmake --preset windows >/dev/null
cmake --build --preset windows --target Quendelrix
scr="$QX_ROOT/build/windows/platform/win32/Quendelrix.scr"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  qx_wine_prefix
  "$QX_WINE" "$scr" "${switch[@]}"
  exit $?
fi

qx_start_xvfb
trap 'qx_wine_stop; qx_stop_xvfb' EXIT
qx_wine_prefix
"$QX_WINE" "$scr" "${switch[@]}" </dev/null >/dev/null 2>&1 &
sleep "${QX_RUN_SECONDS:-6}"
mkdir -p build/screenshots
shot="$QX_ROOT/build/screenshots/run-$(date +%Y%m%d-%H%M%S).png"
import -window root -display "$DISPLAY" "$shot"
echo "no display: ran for ${QX_RUN_SECONDS:-6} s on a virtual one; screenshot: $shot"

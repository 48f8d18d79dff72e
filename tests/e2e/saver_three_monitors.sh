#!/usr/bin/env bash
# Runs the saver's three-monitor scenarios on an Xorg server with three
# monitors side by side, one of them left of the primary:
#   800x600 | 1024x768 (primary) | 640x480
# Wine reads the monitors once per wineserver, so the server is restarted
# for the layout and again afterwards for the tests that follow on the
# caller's display.
# Usage: saver_three_monitors.sh <wine-run.sh> <qx_e2e_tests.exe>
set -euo pipefail
wine_run=$1
driver=$2
source "$(dirname "$0")/../../scripts/common.sh"
caller_display=${DISPLAY:-}

restart_wineserver() {
  qx_wine_stop
  qx_wine_env
  "$QX_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  timeout 60 "$QX_WINE" wineboot </dev/null >/dev/null 2>&1 || true
}
finish() {
  qx_stop_xorg
  export DISPLAY=$caller_display
  restart_wineserver
}
trap finish EXIT

qx_start_xorg
qx_xorg_layout 1024x768+800+0 800x600+0+0 640x480+1824+0
restart_wineserver
"$wine_run" "$driver" --gtest_filter='SaverLayoutE2E.*'

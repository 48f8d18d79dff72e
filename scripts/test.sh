#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds the native tree
# (AddressSanitizer + UndefinedBehaviorSanitizer), the portable core alone
# (without any host's libraries) and the Windows tree, runs
# the unit tests natively and under Wine, the end-to-end suite under Wine on a
# private X display (the setup program included), the release files (built
# twice and compared, the Debian package run by XScreenSaver), and short
# fuzzing runs. Exits non-zero on any failure. The native tests also build
# the web page and run it in Node.js and in headless Chromium.
#
#   scripts/test.sh                   every stage
#   scripts/test.sh native [ARGS]     the native tree and its tests only
#   scripts/test.sh core [ARGS]       the portable core without the hosts
#   scripts/test.sh windows [ARGS]    the Windows tree and its tests under
#                                     Wine only, on a private X display with
#                                     the project's Wine prefix
# ARGS go to ctest, e.g. scripts/test.sh windows -R DialogE2E
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$QX_ROOT"

stage=${1:-all}
[ $# -eq 0 ] || shift
case "$stage" in
all | native | core | windows) ;;
*)
  echo "usage: scripts/test.sh [native|core|windows [ctest options...]]" >&2
  exit 2
  ;;
esac
if [ "$stage" = all ] && [ $# -gt 0 ]; then
  echo "ctest options go with a stage: scripts/test.sh native|core|windows ..." >&2
  exit 2
fi

qx_install_packages

native_stage() {
  echo "== native build and unit tests (ASan + UBSan)"
  cmake --preset native >/dev/null
  cmake --build --preset native
  ctest --preset native "$@"
}

# The portable core alone, configured without any host (QX_BUILD_X11 off):
# it must build and pass its unit tests without the hosts' libraries, and
# none of it may read an X11 header.
core_stage() {
  echo "== the portable core and its unit tests alone, without the hosts' libraries"
  cmake --preset core >/dev/null
  cmake --build --preset core
  if ninja -C build/core -t deps | grep -q '/X11/'; then
    echo "the portable core read an X11 header"
    exit 1
  fi
  ctest --preset core "$@"
}

# The Windows tests need an X display and the Wine prefix around them: a
# private Xvfb and one warm Wine server for the whole run.
windows_stage() {
  echo "== Windows build"
  cmake --preset windows >/dev/null
  cmake --build --preset windows
  echo "== unit and end-to-end tests under Wine"
  qx_start_xvfb
  trap 'qx_wine_stop; qx_stop_xvfb' EXIT
  qx_wine_prefix
  ctest --preset windows "$@"
  qx_wine_stop
  qx_stop_xvfb
  trap - EXIT
}

case "$stage" in
native)
  native_stage "$@"
  exit 0
  ;;
core)
  core_stage "$@"
  exit 0
  ;;
windows)
  windows_stage "$@"
  exit 0
  ;;
esac

native_stage
core_stage
windows_stage

echo "== benchmarks build"
cmake --preset bench >/dev/null
cmake --build --preset bench

echo "== release files: built twice from fresh clones, compared, the package run"
bash tests/package/reproducible.sh
bash tests/package/deb_test.sh build/release-check/dist/quendelrix_*.deb build/native/tests/x11/x11_e2e_tool
bash tests/package/web_page.sh build/release-check/dist/web

echo "== fuzzing (short bounded runs)"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for fuzzer in build/fuzz/fuzz/fuzz_*; do
  [ -x "$fuzzer" ] || continue
  corpus="build/fuzz/corpus/$(basename "$fuzzer")"
  mkdir -p "$corpus"
  "$fuzzer" -max_total_time=20 -rss_limit_mb=2048 "$corpus" >"$corpus.log" 2>&1 ||
    { tail -40 "$corpus.log"; echo "$fuzzer failed"; exit 1; }
  echo "$(basename "$fuzzer"): $(grep -o 'Done [0-9]* runs' "$corpus.log" || echo ok)"
done

echo "all tests passed"

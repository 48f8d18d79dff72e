#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds the native tree
# (AddressSanitizer + UndefinedBehaviorSanitizer) and the Windows tree, runs
# the unit tests natively and under Wine, the end-to-end suite under Wine on a
# private X display (the setup program included), the release files (built
# twice and compared, the Debian package run by XScreenSaver), and short
# fuzzing runs. Exits non-zero on any failure. The native tests also build
# the web page and run it in Node.js and in headless Chromium.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$QX_ROOT"

qx_install_packages

echo "== native build and unit tests (ASan + UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --test-dir build/native --output-on-failure -j2

echo "== Windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows

echo "== benchmarks build"
cmake --preset bench >/dev/null
cmake --build --preset bench

echo "== unit and end-to-end tests under Wine"
qx_start_xvfb
trap 'qx_wine_stop; qx_stop_xvfb' EXIT
qx_wine_prefix
ctest --test-dir build/windows --output-on-failure --timeout 300

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

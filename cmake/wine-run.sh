#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's private prefix.
# QX_WINEPREFIX (set by scripts/test.sh) names the prefix; the default lies in
# the build tree's parent so that every tree shares one.
#
# Now and then Wine fails to start a program at all: the launch ends at once
# with an error and not a single line of output. Such a launch is reported as
# a Wine start failure and tried once more. A program that printed anything
# (a test program prints its first line before any test runs) has started,
# and is never run a second time, whether it passed or failed.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${QX_WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=${QX_WINE_BINARY:-/usr/lib/wine/wine64}

out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

for attempt in 1 2; do
  # The output goes on to the caller as it comes; the copies tell whether
  # there was any.
  "$wine" "$@" 2>"$err" | tee "$out"
  rc=${PIPESTATUS[0]}
  cat "$err" >&2
  if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ]; then
    exit "$rc"
  fi
  echo "wine-run.sh: Wine did not start $1 (exit status $rc, no output at all)" \
       "on attempt $attempt" >&2
done
exit "$rc"

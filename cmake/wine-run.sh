#!/bin/sh
# Runs a Windows program under Wine with the project's private prefix.
# QX_WINEPREFIX (set by scripts/test.sh) names the prefix; the default lies in
# the build tree's parent so that every tree shares one.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${QX_WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec /usr/lib/wine/wine64 "$@"

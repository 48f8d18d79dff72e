#!/bin/sh
# Runs the Windows tests of the settings file under the Japanese (932),
# Simplified Chinese (936), Korean (949), Traditional Chinese (950) and
# Western (1252) code pages, each reading the file the one before it wrote
# (and the first one the file of the last), compared byte for byte with the
# fixed file.
# Usage: locale_runs.sh <wine-run.sh> <qx_unit_tests.exe> <work-folder>
set -eu
wine_run=$1
tests=$2
work=$3
rm -rf "$work"
mkdir -p "$work"

# Wine names the Linux folder on drive Z:.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

run() {  # <locale> <code page> <file to read or ""> <file to write or "">
  echo "== code page $2"
  env -u LANG LC_ALL="$1" QX_EXPECT_ACP="$2" \
    QX_CROSS_IN="$([ -n "$3" ] && winpath "$3")" \
    QX_CROSS_OUT="$([ -n "$4" ] && winpath "$4")" \
    "$wine_run" "$tests" --gtest_filter='Win32Profile*'
}

previous=""
for pair in ja_JP.UTF-8:932 zh_CN.UTF-8:936 ko_KR.UTF-8:949 zh_TW.UTF-8:950 en_US.UTF-8:1252; do
  locale=${pair%:*}
  cp=${pair#*:}
  mkdir -p "$work/$cp"
  run "$locale" "$cp" "$previous" "$work/$cp/Quendelrix.ini"
  previous="$work/$cp/Quendelrix.ini"
done
run ja_JP.UTF-8 932 "$previous" ""
echo "each of 932, 936, 949, 950 and 1252 read what another wrote"

#!/bin/sh
# Runs the Windows unit tests of the profile functions under code page 932
# and 1252, then has each code page read a file the other one wrote.
# Usage: locale_runs.sh <wine-run.sh> <qx_unit_tests.exe> <work-folder>
set -eu
wine_run=$1
tests=$2
work=$3
mkdir -p "$work"
japanese() { env -u LANG LC_ALL=ja_JP.UTF-8 "$wine_run" "$tests" "$@"; }
western() { env -u LANG LC_ALL=en_US.UTF-8 "$wine_run" "$tests" "$@"; }

japanese --gtest_filter='Win32Profile.*'
western --gtest_filter='Win32Profile.*'

# Wine names the Linux folder on drive Z:.
ini="Z:$(echo "$work/Quendelrix.ini" | tr / '\\')"
QX_CROSS_INI=$ini japanese --gtest_filter='Win32ProfileCrossLocale.Write'
QX_CROSS_INI=$ini western --gtest_filter='Win32ProfileCrossLocale.Read'
QX_CROSS_INI=$ini western --gtest_filter='Win32ProfileCrossLocale.Write'
QX_CROSS_INI=$ini japanese --gtest_filter='Win32ProfileCrossLocale.Read'
echo "both code pages read what the other wrote"

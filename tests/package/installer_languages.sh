#!/bin/sh
# Runs the setup program's language scenario with the driver (and so the
# setup program it starts) on a Japanese and on an English system.
# Usage: installer_languages.sh <wine-run.sh> <qx_installer_tests.exe>
set -eu
wine_run=$1
driver=$2
QX_EXPECT_LANGUAGE=ja env -u LANG LC_ALL=ja_JP.UTF-8 "$wine_run" "$driver" \
  --gtest_filter='Installer.EntriesFollowTheSystemLanguage'
QX_EXPECT_LANGUAGE=en env -u LANG LC_ALL=en_US.UTF-8 "$wine_run" "$driver" \
  --gtest_filter='Installer.EntriesFollowTheSystemLanguage'
echo "the setup program named its entries in Japanese and in English"

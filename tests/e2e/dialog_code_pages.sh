#!/bin/sh
# Runs the settings dialog's saving scenario with the driver (and so the
# program it starts) under code page 932 and under 1252.
# Usage: dialog_code_pages.sh <wine-run.sh> <qx_e2e_tests.exe>
set -eu
wine_run=$1
driver=$2
QX_EXPECT_ACP=932 env -u LANG LC_ALL=ja_JP.UTF-8 "$wine_run" "$driver" \
  --gtest_filter='DialogE2E.SetSavesTheSameFileWhateverTheCodePage'
QX_EXPECT_ACP=1252 env -u LANG LC_ALL=en_US.UTF-8 "$wine_run" "$driver" \
  --gtest_filter='DialogE2E.SetSavesTheSameFileWhateverTheCodePage'
echo "the dialog saved the same file under code pages 932 and 1252"

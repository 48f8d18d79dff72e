#!/bin/sh
# Runs the settings dialog's saving scenario with the driver (and so the
# program it starts) under the Japanese (932), Simplified Chinese (936),
# Korean (949), Traditional Chinese (950) and Western (1252) code pages.
# Usage: dialog_code_pages.sh <wine-run.sh> <qx_e2e_tests.exe>
set -eu
wine_run=$1
driver=$2
for pair in ja_JP.UTF-8:932 zh_CN.UTF-8:936 ko_KR.UTF-8:949 zh_TW.UTF-8:950 en_US.UTF-8:1252; do
  QX_EXPECT_ACP=${pair#*:} env -u LANG LC_ALL=${pair%:*} "$wine_run" "$driver" \
    --gtest_filter='DialogCodePageE2E.SetSavesTheSameFileWhateverTheCodePage'
done
echo "the dialog saved the same file under code pages 932, 936, 949, 950 and 1252"

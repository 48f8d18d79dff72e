#!/usr/bin/env bash
# The install step of scripts/common.sh (qx_install_packages) with stand-ins
# for dpkg-query, locale, localedef, apt-get, sudo and id first on PATH, so
# the machine's own packages and locales are never touched. Each case says
# which packages and locales are missing and who runs it, and what must be
# run: nothing when nothing is missing, else apt-get and localedef, through
# sudo when the caller is not root.
#   tests/scripts/install_step_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

# Every stand-in logs its command line; dpkg-query and locale answer from
# QX_FAKE_MISSING (package names) and QX_FAKE_LOCALES (what locale -a lists).
for cmd in apt-get localedef; do
  printf '#!/bin/sh\necho "%s $*" >>"$QX_FAKE_LOG"\n' "$cmd" >"$work/bin/$cmd"
done
cat >"$work/bin/sudo" <<'SH'
#!/bin/sh
echo "sudo $1" >>"$QX_FAKE_LOG"
exec "$@"
SH
cat >"$work/bin/id" <<'SH'
#!/bin/sh
echo "$QX_FAKE_UID"
SH
cat >"$work/bin/dpkg-query" <<'SH'
#!/bin/sh
for p in $QX_FAKE_MISSING; do
  for arg; do :; done  # the last argument: the package asked about
  [ "$p" = "$arg" ] && { echo "unknown ok not-installed"; exit 0; }
done
echo "install ok installed"
SH
cat >"$work/bin/locale" <<'SH'
#!/bin/sh
printf '%s\n' C C.utf8 POSIX $QX_FAKE_LOCALES
SH
chmod +x "$work/bin"/*

all_locales="en_US.utf8 ja_JP.utf8 ko_KR.utf8 zh_CN.utf8 zh_TW.utf8"
failures=0

# run_case NAME UID MISSING LOCALES EXPECTED_LOG EXPECTED_OUTPUT
run_case() {
  local name=$1 log="$work/$1.log" out="$work/$1.out" rc
  : >"$log"
  (
    set -euo pipefail
    export PATH="$work/bin:$PATH" QX_FAKE_LOG=$log QX_FAKE_UID=$2 QX_FAKE_MISSING=$3 \
      QX_FAKE_LOCALES=$4
    source "$root/scripts/common.sh"
    qx_install_packages
    echo "returned"
  ) >"$out" 2>&1
  rc=$?
  if [ $rc -ne 0 ] || [ "$(cat "$log")" != "$5" ] || [ "$(cat "$out")" != "$6" ]; then
    printf 'FAIL %s (status %d)\n  ran:\n%s\n  said:\n%s\n' "$name" "$rc" "$(cat "$log")" "$(cat "$out")"
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
}

run_case nothing_missing 0 "" "$all_locales" "" \
  "packages and locales: all present
returned"

run_case only_a_locale_missing 0 "" "en_US.utf8 ja_JP.utf8 zh_CN.utf8 zh_TW.utf8" \
  "localedef -i ko_KR -f UTF-8 ko_KR.UTF-8" \
  "generating the locale ko_KR.UTF-8
returned"

run_case only_a_locale_missing_as_a_user 1000 "" "en_US.utf8 ja_JP.utf8 ko_KR.utf8 zh_TW.utf8" \
  "sudo localedef
localedef -i zh_CN -f UTF-8 zh_CN.UTF-8" \
  "generating the locale zh_CN.UTF-8
returned"

run_case packages_missing 0 "xvfb nsis" "$all_locales" \
  "apt-get update
apt-get install -y --no-install-recommends xvfb nsis" \
  "installing: xvfb nsis
returned"

run_case packages_and_locales_missing_as_a_user 1000 "wine64" "en_US.utf8 ja_JP.utf8 zh_CN.utf8" \
  "sudo apt-get
apt-get update
sudo apt-get
apt-get install -y --no-install-recommends wine64
sudo localedef
localedef -i zh_TW -f UTF-8 zh_TW.UTF-8
sudo localedef
localedef -i ko_KR -f UTF-8 ko_KR.UTF-8" \
  "installing: wine64
generating the locale zh_TW.UTF-8
generating the locale ko_KR.UTF-8
returned"

echo "install step: $failures failure(s)"
[ $failures -eq 0 ]

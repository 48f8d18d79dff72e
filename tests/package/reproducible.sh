#!/usr/bin/env bash
# Builds the release files twice, from two fresh clones of the committed
# HEAD in folders of different names and depths, and fails unless both give
# the same SHA256SUMS. On success the first build's files are left in
# <output> (default build/release-check/dist) for the package tests.
#   tests/package/reproducible.sh [<output>]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QX_ROOT"

work="$QX_ROOT/build/release-check"
out="${1:-$work/dist}"
rm -rf "$work/a" "$work/second build" "$out"
mkdir -p "$work" "$out"
commit=$(git rev-parse HEAD)

build() {
  local tree=$1 dist=$2
  git clone -q --no-local "$QX_ROOT" "$tree"
  git -C "$tree" checkout -q "$commit"
  (cd "$tree" && bash scripts/package.sh "$dist" >"$tree.log" 2>&1) ||
    { tail -40 "$tree.log"; echo "package build in $tree failed" >&2; exit 1; }
}

build "$work/a" "$out"
build "$work/second build/clone b" "$work/second build/dist"

if ! cmp -s "$out/SHA256SUMS" "$work/second build/dist/SHA256SUMS"; then
  echo "two builds of $commit differ:" >&2
  diff "$out/SHA256SUMS" "$work/second build/dist/SHA256SUMS" >&2 || true
  exit 1
fi
[ "$(wc -l <"$out/SHA256SUMS")" -eq 6 ] || { echo "SHA256SUMS should name six files" >&2; exit 1; }
(cd "$out" && sha256sum -c --quiet SHA256SUMS)
rm -rf "$work/a" "$work/second build"
echo "identical release files from two trees:"
cat "$out/SHA256SUMS"

#!/usr/bin/env bash
# The released web page, as a static file server hands it out:
#   tests/package/web_page.sh <dist>/web
# The folder holds the page's three files and nothing else, and the
# WebAssembly module is one of at most 300 KB (300,000 bytes).
set -euo pipefail
web=$1
limit=300000

files=$(cd "$web" && LC_ALL=C ls -A | tr '\n' ' ')
if [ "$files" != "index.html quendelrix.js quendelrix.wasm " ]; then
  echo "$web holds: $files" >&2
  exit 1
fi
if [ "$(head -c 4 "$web/quendelrix.wasm" | od -An -tx1 | tr -d ' ')" != "0061736d" ]; then
  echo "quendelrix.wasm is no WebAssembly module" >&2
  exit 1
fi
size=$(stat -c %s "$web/quendelrix.wasm")
if [ "$size" -gt "$limit" ]; then
  echo "quendelrix.wasm has $size bytes, more than $limit" >&2
  exit 1
fi
echo "web page: index.html, quendelrix.js ($(stat -c %s "$web/quendelrix.js") bytes), quendelrix.wasm ($size of at most $limit bytes)"

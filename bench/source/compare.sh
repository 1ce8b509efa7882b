#!/bin/bash
# Scanning throughput of the source view's highlighter against KSyntaxHighlighting's x86 assembly definition,
# measured back to back on the same input (the bundled sources, topped up with a generated lab source).
# Usage: bench/source/compare.sh [BUILD_DIR]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
ours=$build/bench/bench_source
theirs=$build/bench/ksh_scan
if [[ ! -x $ours ]]; then
  echo "compare.sh: $ours not built" >&2
  exit 2
fi
if [[ ! -x $theirs ]]; then
  echo "compare.sh: $theirs not built (needs Debian's libkf5syntaxhighlighting-dev)" >&2
  exit 2
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$ours" --write-corpus="$tmp/corpus.asm"
ourLine=$("$ours" --scan-file="$tmp/corpus.asm")
theirLine=$("$theirs" "$tmp/corpus.asm")
echo "$ourLine"
echo "$theirLine"
ourRate=$(sed -E 's/^[^:]*: ([0-9.]+) MB\/s.*/\1/' <<<"$ourLine")
theirRate=$(sed -E 's/^.*\): ([0-9.]+) MB\/s.*/\1/' <<<"$theirLine")
awk -v a="$ourRate" -v b="$theirRate" 'BEGIN {
  r = a / b
  printf "ratio: %.1fx (target: at least 20x; own throughput target: at least 300 MB/s)\n", r
  exit (r >= 20 && a >= 300) ? 0 : 1
}'

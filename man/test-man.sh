#!/usr/bin/env bash
# Checks the manual pages: mandoc finds no warning or error in them, and labtool(1) has a section for every
# command that "labtool --help" lists and names every exit status.
#   test-man.sh MAN_SOURCE_DIR LABTOOL
set -uo pipefail
pages=$1
labtool=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! command -v mandoc >/dev/null; then
  echo "SKIP: mandoc is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi
for page in "$pages"/*.1; do
  # Style notes (a reference to a page not installed yet) are shown but do not fail.
  mandoc -T lint "$page" 2>&1 | grep -v 'mandoc.db'
  mandoc -T lint -W warning "$page" >/dev/null 2>&1 || fail "mandoc -T lint warns about $(basename "$page")"
  # man-db and groff, as "man -l" reads it (and lintian checks it).
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man --warnings -l $(basename "$page"): $warnings"
  fi
done

commands=$("$labtool" --help | sed -n '/^commands:/,$p' | tail -n +2 | awk '{print $1}')
[ -n "$commands" ] || fail "labtool --help lists no command"
for command in $commands; do
  grep -qx "\.Ss $command" "$pages/labtool.1" || fail "labtool.1 has no section for the command '$command'"
done
status=$(sed -n '/^\.Sh EXIT STATUS/,/^\.Sh /p' "$pages/labtool.1")
for code in 0 1 2; do
  grep -qx "\.It $code" <<<"$status" || fail "labtool.1 does not explain exit status $code"
done

[ "$failures" -eq 0 ] && { echo "manual pages: all checks passed"; exit 0; }
echo "$failures checks failed"
exit 1

#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: first in the ordinary build (with the
# window tests and the soak), then under AddressSanitizer and UndefinedBehaviorSanitizer with every fuzz
# corpus and a bounded run of each fuzzer (scripts/sanitize.sh). Arguments go to both ctest runs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
# The window tests need an X server: without a display, run one (Xvfb) for the length of the run.
if [ -z "${DISPLAY:-}" ]; then
  xnumber=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$xnumber" >/dev/null 2>&1 &
  xserver=$!
  trap 'kill "$xserver" 2>/dev/null || true; wait "$xserver" 2>/dev/null || true; rm -f "$xnumber"' EXIT
  for _ in $(seq 100); do [ -s "$xnumber" ] && break; sleep 0.1; done
  [ -s "$xnumber" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$xnumber")"
fi
# Only what did not pass is shown; with pipefail each run fails exactly when its ctest does.
ctest --preset default --output-on-failure -j2 "$@" | { grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: ' || true; }
scripts/sanitize.sh "$@"

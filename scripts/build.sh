#!/usr/bin/env bash
# Configures (once) and builds the given preset (default: default).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
dir=build
[ "$preset" = default ] || dir=build-$preset
[ -f "$dir/build.ninja" ] || cmake --preset "$preset" >/dev/null
# Progress lines are dropped; with pipefail the script fails exactly when the build does.
cmake --build --preset "$preset" | { grep -v -E '^\[[0-9]+/[0-9]+\]|^ninja: no work to do' || true; }

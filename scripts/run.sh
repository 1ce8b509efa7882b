#!/usr/bin/env bash
# Installs what is missing, builds, and starts labguide in the working folder that holds the built catalogue.
# scripts/run.sh --scale F shows it F times as large (Qt's QT_SCALE_FACTOR, as the installed launcher's
# "大字显示" sets it); a QT_SCALE_FACTOR already in the environment passes through as well.
set -euo pipefail
if [ "${1:-}" = "--scale" ]; then
  [[ "${2:-}" =~ ^[0-9]+([.][0-9]+)?$ ]] || { echo "run.sh: --scale takes a factor such as 1.5" >&2; exit 2; }
  export QT_SCALE_FACTOR=$2
  shift 2
fi
[ $# -eq 0 ] || { echo "usage: scripts/run.sh [--scale F]" >&2; exit 2; }
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
cd build/work
exec ../bin/labguide

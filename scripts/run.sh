#!/usr/bin/env bash
# Installs what is missing, builds, and starts labguide in the working folder that holds the built catalogue.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
cd build/work
exec ../bin/labguide

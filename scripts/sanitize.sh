#!/usr/bin/env bash
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer (clang, with the libFuzzer targets) and runs the
# whole suite but the soak under them: every fuzz corpus, and each fuzzer for 20 s (label "fuzz"), each with
# the limits its CMakeLists gives (the codec fuzzers: memory, time an input, inputs of up to 1 MiB).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh asan
filter() { grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed|^ +Start +[0-9]+: ' || true; }
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset asan -LE soak --output-on-failure -j2 "$@" | filter
else
  ctest --preset asan -LE soak --output-on-failure -j2 "$@" | filter
fi

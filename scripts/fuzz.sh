#!/usr/bin/env bash
# Fuzzes every target in the sanitizer build for a while (default 60 s each, two at a time) and adds to the
# committed corpora the inputs that reach new coverage. Crashing inputs land in build-asan/fuzz/artifacts.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh
scripts/build.sh asan
export ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen

corpus_of() { find fuzz -type d -name "corpus_${1#fuzz_}" | head -n1; }

run() {
  local bin=$1 name corpus grown
  name=$(basename "$bin")
  corpus=$(corpus_of "$name")
  grown=build-asan/fuzz/grown/$name
  mkdir -p "$grown" "build-asan/fuzz/artifacts/$name"
  # The target's limits (memory, time an input, input length), as its CMakeLists gives them.
  local options=(-rss_limit_mb=2048)
  [ -f "build-asan/fuzz/$name.options" ] && read -ra options <"build-asan/fuzz/$name.options"
  "$bin" -max_total_time="$seconds" "${options[@]}" -artifact_prefix="build-asan/fuzz/artifacts/$name/" \
    "$grown" "$corpus" >"build-asan/fuzz/$name.log" 2>&1 || { echo "$name found a fault: see build-asan/fuzz/$name.log"; return 1; }
  # Only what adds coverage to the committed corpus is kept there.
  "$bin" -merge=1 "${options[@]}" "$corpus" "$grown" >>"build-asan/fuzz/$name.log" 2>&1
  rm -rf "$grown"
  echo "$name: $(find "$corpus" -type f | wc -l) corpus files"
}

status=0
targets=()
for f in build-asan/fuzz/fuzz_*; do [ -f "$f" ] && [ -x "$f" ] && [[ "$f" != *.options ]] && targets+=("$f"); done
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  run "${targets[i]}" & first=$!
  second=
  if ((i + 1 < ${#targets[@]})); then run "${targets[i + 1]}" & second=$!; fi
  wait "$first" || status=1
  [ -z "$second" ] || wait "$second" || status=1
done
exit $status

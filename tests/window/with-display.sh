#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb on a free display number), so that window tests running
# side by side never draw over one another's windows or screenshots. LABGUIDE_TEST_SCREEN gives the screen's
# size and depth (1280x1024x24 unless set). Without Xvfb it uses DISPLAY.
set -uo pipefail
if ! command -v Xvfb >/dev/null; then
  [ -n "${DISPLAY:-}" ] || { echo "with-display.sh: no Xvfb and no DISPLAY" >&2; exit 1; }
  exec "$@"
fi
number=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${LABGUIDE_TEST_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$number" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$number"' EXIT
for _ in $(seq 100); do
  [ -s "$number" ] && break
  kill -0 "$server" 2>/dev/null || { echo "with-display.sh: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$number" ] || { echo "with-display.sh: Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$number")"
"$@"

#!/usr/bin/env bash
# Drives the launcher in a scratch tree laid out as the package installs it, with a stand-in for the
# program (a script that prints the folder it runs in), through the catalogue's life: the first start, a
# newer package over an unchanged copy, over a changed copy, over a copy in use, a read-only home and a
# missing program.
#   test-launcher.sh LAUNCHER
set -uo pipefail
launcher=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }

root=$(mktemp -d)
holders=()
cleanup() {
  for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null; done
  rm -rf "$root"
}
trap cleanup EXIT

usr=$root/usr
prog=$usr/lib/labguide
mkdir -p "$usr/bin" "$prog" "$usr/share/labguide"
cp "$launcher" "$usr/bin/labguide"
chmod +x "$usr/bin/labguide"
printf '#!/bin/sh\npwd\n' >"$prog/labguide"
chmod +x "$prog/labguide"
ln -s ../../share/labguide/QK740X.mdb "$prog/QK740X.mdb"
template=$prog/QK740X.mdb
install_package() { # CONTENT: a new package version replaces the installed catalogue, as dpkg does, by a rename
  printf '%s' "$1" >"$usr/share/labguide/.new" && mv "$usr/share/labguide/.new" "$usr/share/labguide/QK740X.mdb"
}
home=$root/home
work=$home/.local/share/labguide
mkdir -p "$home"
start() { # runs the launcher for the user; out, err and rc hold what it said and its exit status
  env -u XDG_DATA_HOME HOME="$home" "$@" "$usr/bin/labguide" </dev/null >"$root/out" 2>"$root/err"
  rc=$?
  out=$(cat "$root/out")
  err=$(cat "$root/err")
}
noted() { cut -d' ' -f1 "$work/.QK740X.mdb.installed" 2>/dev/null; }
sum() { sha256sum <"$1" | cut -d' ' -f1; }
expected_out=$work # what the stand-in prints
started() { [ "$rc" -eq 0 ] && [ "$out" = "$expected_out" ]; }

# First start: the working folder with a copy of the installed catalogue and the note of what it was copied
# from; the program runs there.
install_package "catalogue 1"
start
check "first start: the program did not start in $work (rc $rc): $err" started
check "first start: the copy differs from the installed catalogue" cmp -s "$work/QK740X.mdb" "$template"
check "first start: no note of the installed catalogue" test "$(noted)" = "$(sum "$template")"
check "first start: said '$err'" test -z "$err"
start
check "a second start with the same package changed something: $err" \
  test -z "$err" -a ! -e "$work/QK740X.mdb.bak" -a "$(cat "$work/QK740X.mdb")" = "catalogue 1"

# A newer package over a copy the user never changed: the copy is replaced, the old kept as .bak.
install_package "catalogue 2"
start
check "unchanged copy: the program did not start: $err" started
check "unchanged copy: not replaced by the newer catalogue" test "$(cat "$work/QK740X.mdb")" = "catalogue 2"
check "unchanged copy: the old copy is not kept as QK740X.mdb.bak" test "$(cat "$work/QK740X.mdb.bak" 2>/dev/null)" = "catalogue 1"
check "unchanged copy: the note does not name the new catalogue" test "$(noted)" = "$(sum "$template")"
check "unchanged copy: said '$err'" test -z "$err"
check "unchanged copy: left temporary files: $(ls -A "$work")" \
  test "$(ls -A "$work" | sort | tr '\n' ' ')" = ".QK740X.mdb.installed QK740X.mdb QK740X.mdb.bak "

# A newer package over a copy the user changed: the copy stays, one line tells how to merge the new one.
printf ' and my experiment' >>"$work/QK740X.mdb"
install_package "catalogue 3"
for run in first second; do
  start
  check "changed copy ($run start): the program did not start: $err" started
  check "changed copy ($run start): the user's copy was replaced" test "$(cat "$work/QK740X.mdb")" = "catalogue 2 and my experiment"
  check "changed copy ($run start): the backup was touched" test "$(cat "$work/QK740X.mdb.bak")" = "catalogue 1"
  check "changed copy ($run start): not one line on stderr: '$err'" test "$(wc -l <"$root/err")" -eq 1
  for part in "newer catalogue is installed" "labtool pack $template -o $work/installed.labpack" \
    "labtool unpack $work/installed.labpack --into $work --skip"; do
    check "changed copy ($run start): the line lacks '$part': $err" grep -qF -- "$part" <<<"$err"
  done
done
# Once the note names the installed catalogue (the user merged it), the line stops.
sha256sum "$template" >"$work/.QK740X.mdb.installed"
start
check "changed copy after merging: said '$err'" test -z "$err" -a "$(cat "$work/QK740X.mdb")" = "catalogue 2 and my experiment"

# A copy in use is never replaced: not while a process holds SQLite's exclusive lock on it (as labguide
# does from its first query on), nor while labguide runs in the working folder.
cp "$template" "$work/QK740X.mdb"
install_package "catalogue 4"
in_use_case() { # WHAT: starts over a copy in use, then again once it is free
  start
  check "$1: the program did not start: $err" started
  check "$1: the copy was replaced" test "$(cat "$work/QK740X.mdb")" = "catalogue 3"
  check "$1: nothing said about the newer catalogue: '$err'" grep -q "in use" <<<"$err"
  for pid in "${holders[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  holders=()
  start
  check "$1, then free: not replaced" test "$(cat "$work/QK740X.mdb")" = "catalogue 4" -a -z "$err"
  cp "$work/QK740X.mdb.bak" "$work/QK740X.mdb" # back to the state before
  sha256sum "$work/QK740X.mdb" >"$work/.QK740X.mdb.installed"
}
if command -v python3 >/dev/null; then
  # The write lock SQLite takes for an exclusive transaction: its pending, reserved and shared bytes.
  python3 -c '
import fcntl, sys, time
f = open(sys.argv[1], "r+b")
fcntl.lockf(f, fcntl.LOCK_EX | fcntl.LOCK_NB, 512, 0x40000000)
print("locked", flush=True)
time.sleep(120)' "$work/QK740X.mdb" >"$root/lock" &
  holders+=($!)
  for _ in $(seq 100); do [ -s "$root/lock" ] && break; sleep 0.05; done
  in_use_case "copy locked"
else
  echo "SKIP: python3 is missing, the locked copy is not tried"
fi
# labguide running there before its first query: the program's own executable, blocked reading a pipe.
cp "$prog/labguide" "$root/stand-in"
cp "$(command -v cat)" "$prog/labguide"
mkfifo "$root/pipe"
exec 3<>"$root/pipe"
(cd "$work" && exec "$prog/labguide" <"$root/pipe" >/dev/null) &
holders+=($!)
sleep 0.2
expected_out="" # the launcher's own start reads nothing and prints nothing
in_use_case "labguide running in the working folder"
expected_out=$work
exec 3>&-
cp "$root/stand-in" "$prog/labguide"

# A home that cannot be written: a clear message, no program. As root the permission bits stop nothing, so
# the home is mounted read-only in a mount namespace of its own.
install_package "catalogue 5"
if [ "$(id -u)" -ne 0 ]; then
  chmod a-w "$home" "$work"
  start
  chmod u+w "$home" "$work"
elif unshare -m true 2>/dev/null; then
  start unshare -m sh -c 'mount -o bind,ro "$HOME" "$HOME" && exec "$0"'
else
  echo "SKIP: as root without mount namespaces the home cannot be made read-only"
  rc=1 err="labguide: skipped" out=""
fi
check "read-only home: exit status 0" test "$rc" -ne 0
check "read-only home: the program started" test -z "$out"
check "read-only home: no clear message: '$err'" grep -q "^labguide: .*not writable" <<<"$err"
check "read-only home: the copy changed" test "$(cat "$work/QK740X.mdb")" = "catalogue 3"
# A working folder that cannot be made at all.
touch "$root/file"
start env XDG_DATA_HOME="$root/file"
check "working folder impossible: exit $rc, '$err'" test "$rc" -ne 0 -a -z "$out"
check "working folder impossible: no clear message: '$err'" grep -q "^labguide: cannot create" <<<"$err"

# The program missing: a clear message, exit status not 0.
rm "$prog/labguide"
start
check "missing program: exit status 0" test "$rc" -ne 0
check "missing program: no clear message: '$err'" grep -q "^labguide: the program is missing" <<<"$err"

if [ "$failures" -eq 0 ]; then
  echo "launcher: all checks passed"
  exit 0
fi
echo "$failures checks failed"
exit 1

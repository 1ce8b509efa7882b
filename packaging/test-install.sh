#!/usr/bin/env bash
# Installs the built program into a scratch DESTDIR as a desktop program and checks what a user gets:
# the program folder, the launcher, the desktop entry and the icon; then starts the installed launcher
# (on the display in DISPLAY) for a fresh user and checks its working folder and the user's own copy.
#   test-install.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }

root=$(mktemp -d)
launched=""
# Every program started from the scratch install, whatever became of the launcher that started it.
kill_scratch_programs() {
  local p
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/exe" 2>/dev/null)" in
    "$root"/*) kill -KILL "${p#/proc/}" 2>/dev/null ;;
    esac
  done
}
cleanup() {
  [ -n "$launched" ] && kill -- "-$launched" 2>/dev/null
  kill_scratch_programs
  rm -rf "$root"
}
trap cleanup EXIT

DESTDIR=$root/dest cmake --install "$build" --prefix /usr >"$root/install.log" 2>&1 || {
  cat "$root/install.log"
  echo "FAIL: cmake --install"
  exit 1
}
usr=$root/dest/usr
prog=$usr/lib/labguide

# The program folder: both executables, and links to asm/, pic/ and the catalogue template, which lie with
# the architecture-independent data in share/labguide as delivered.
for exe in labguide labedit labtool; do
  check "$prog/$exe is not an executable" test -x "$prog/$exe" -a -f "$prog/$exe"
done
for name in asm pic QK740X.mdb; do
  check "$prog/$name does not lead to share/labguide/$name" test "$(readlink "$prog/$name")" = "../../share/labguide/$name"
  check "share/labguide/$name is missing" test -e "$usr/share/labguide/$name" -a ! -L "$usr/share/labguide/$name"
done
for folder in asm/51 asm/88 asm/96 pic; do
  check "$prog/$folder is missing" test -d "$prog/$folder"
done
want=$(cd "$source/data" && find asm pic -type f ! -name .keep | sort)
have=$(cd "$prog" && find -L asm pic -type f | sort)
check "asm/ and pic/ differ from the delivered data" test "$want" = "$have"
check "the catalogue template differs from the built one" cmp -s "$prog/QK740X.mdb" "$build/work/QK740X.mdb"

# The commands on the PATH.
check "bin/labguide is not an executable launcher" test -x "$usr/bin/labguide" -a -f "$usr/bin/labguide"
check "bin/labtool does not lead to the program folder" test "$(readlink "$usr/bin/labtool")" = ../lib/labguide/labtool
check "bin/labedit does not lead to the program folder" test "$(readlink "$usr/bin/labedit")" = ../lib/labguide/labedit
listed=$("$usr/bin/labtool" catalogue list "$prog/QK740X.mdb" 2>&1) || fail "installed labtool cannot list the catalogue: $listed"
check "the installed catalogue lists no experiment" test -n "$listed"
# The installed program folder is as complete as the build's: the same lint findings for both.
lint_build=$("$build/bin/labtool" catalogue lint "$build/work/QK740X.mdb" --program-dir "$build/bin" 2>&1)
lint_installed=$("$usr/bin/labtool" catalogue lint "$prog/QK740X.mdb" --program-dir "$prog" 2>&1 | sed "s#$prog#$build/bin#g")
check "lint of the installed folder differs from the build's" test "$lint_build" = "$lint_installed"

# The desktop entry and the icon.
entry=$usr/share/applications/labguide.desktop
check "no desktop entry" test -f "$entry"
for line in "[Desktop Entry]" "Type=Application" "Name=实验演示向导" "Exec=labguide" "Icon=labguide" "Terminal=false" \
  "Actions=large;" "[Desktop Action large]" "Name=大字显示" "Exec=labguide --scale 1.5"; do
  check "desktop entry lacks '$line'" grep -qxF "$line" "$entry"
done
editor_entry=$usr/share/applications/labedit.desktop
check "no desktop entry for the editor" test -f "$editor_entry"
for line in "Name=实验编辑器" "Icon=labguide" "Terminal=false"; do
  check "the editor's desktop entry lacks '$line'" grep -qxF "$line" "$editor_entry"
done
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate rejects the entry" desktop-file-validate "$entry"
  check "desktop-file-validate rejects the editor's entry" desktop-file-validate "$editor_entry"
else
  echo "SKIP: desktop-file-validate (desktop-file-utils) is not installed; the desktop entry is not validated"
fi
# The AppStream metadata, for software centres.
metainfo=$usr/share/metainfo/org.example.labguide.metainfo.xml
check "no AppStream metadata" test -f "$metainfo"
if command -v appstreamcli >/dev/null; then
  check "appstreamcli rejects the metadata" appstreamcli validate --no-net "$metainfo"
  check "the metadata does not launch the installed desktop entry" \
    grep -q "<launchable type=\"desktop-id\">$(basename "$entry")</launchable>" "$metainfo"
else
  echo "SKIP: appstreamcli (appstream) is not installed; the AppStream metadata is not validated"
fi

# The licence and the manual pages.
copyright=$usr/share/doc/labguide/copyright
check "no copyright file" test -f "$copyright"
check "the copyright file is not machine-readable" grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$copyright"
check "the copyright file does not say GPL-3+" grep -qx "License: GPL-3+" "$copyright"
for page in labguide labedit labtool; do
  man=$usr/share/man/man1/$page.1.gz
  check "no manual page $page(1)" test -f "$man"
  check "$page(1) does not open as a manual page" test "$(gzip -dc "$man" 2>/dev/null | grep -c "^\.Dt ${page^^} 1")" = 1
done
for size in 32 48 64; do
  icon=$usr/share/icons/hicolor/${size}x$size/apps/labguide.png
  if [ -f "$icon" ]; then
    # PNG signature, then the IHDR width and height.
    check "$icon is not a PNG" test "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a
    dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
    check "$icon is $dims, not ${size}x$size" test "$dims" = "${size}x$size"
  else
    fail "no icon $icon"
  fi
done

# The launcher for a user who never ran the program: it makes the working folder, copies the catalogue and
# starts the program in that folder; the main window appears.
# Each start gets a process group of its own, so that stopping it stops whatever the launcher started.
launch() {
  setsid "$@" "$usr/bin/labguide" >"$root/launch.log" 2>&1 &
  launched=$!
}
# How long a start may take: a sanitizer build on a loaded two-core machine took 47 s where a plain one
# takes 7 s; the wait ends as soon as the window shows, so a long limit costs nothing when all is well.
start_limit=${LABGUIDE_START_LIMIT:-240}
wait_for_program() { # folder: waits until the launched program runs there with its window shown
  local folder=$1
  for _ in $(seq $((start_limit * 5))); do
    if [ "$(readlink "/proc/$launched/cwd" 2>/dev/null)" = "$folder" ] &&
      [ "$(readlink "/proc/$launched/exe" 2>/dev/null)" = "$prog/labguide" ] &&
      xdotool search --onlyvisible --pid "$launched" >/dev/null 2>&1; then
      return 0
    fi
    kill -0 "$launched" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}
stop_program() {
  kill -- "-$launched" 2>/dev/null || kill "$launched" 2>/dev/null
  wait "$launched" 2>/dev/null
  launched=""
  kill_scratch_programs
}

home=$root/home
mkdir -p "$home"
launch env -u XDG_DATA_HOME HOME="$home"
if wait_for_program "$home/.local/share/labguide"; then
  check "the user's catalogue is not a copy of the template" cmp -s "$home/.local/share/labguide/QK740X.mdb" "$prog/QK740X.mdb"
  check "the user's catalogue is not writable" test -w "$home/.local/share/labguide/QK740X.mdb"
else
  fail "the launcher did not start labguide in ~/.local/share/labguide: $(cat "$root/launch.log")"
fi
stop_program

# A second start keeps the user's own catalogue as it is.
printf 'teacher edits' >>"$home/.local/share/labguide/QK740X.mdb"
before=$(sha256sum <"$home/.local/share/labguide/QK740X.mdb")
launch env -u XDG_DATA_HOME HOME="$home"
wait_for_program "$home/.local/share/labguide" || fail "the second start failed: $(cat "$root/launch.log")"
stop_program
check "the launcher overwrote the user's catalogue" test "$(sha256sum <"$home/.local/share/labguide/QK740X.mdb")" = "$before"

# XDG_DATA_HOME chooses the place.
launch env XDG_DATA_HOME="$root/xdg" HOME="$home"
if wait_for_program "$root/xdg/labguide"; then
  check "no catalogue under XDG_DATA_HOME" test -f "$root/xdg/labguide/QK740X.mdb"
else
  fail "the launcher ignored XDG_DATA_HOME: $(cat "$root/launch.log")"
fi
stop_program

# The large display ("大字显示"): the launcher sets Qt's own scale factor; a bad factor is refused.
setsid env -u XDG_DATA_HOME HOME="$home" "$usr/bin/labguide" --scale 1.5 >"$root/launch.log" 2>&1 &
launched=$!
if wait_for_program "$home/.local/share/labguide"; then
  check "--scale 1.5 did not set QT_SCALE_FACTOR" grep -qxF QT_SCALE_FACTOR=1.5 <(tr '\0' '\n' <"/proc/$launched/environ")
else
  fail "the launcher did not start labguide with --scale 1.5: $(cat "$root/launch.log")"
fi
stop_program
if msg=$(env HOME="$home" "$usr/bin/labguide" --scale 9 2>&1); then
  fail "the launcher started with --scale 9"
else
  check "no message for a bad scale factor: $msg" grep -q "labguide: --scale" <<<"$msg"
fi

# A working folder that cannot be made: a clear message and no program.
touch "$root/blocked"
if msg=$(env XDG_DATA_HOME="$root/blocked" HOME="$home" "$usr/bin/labguide" 2>&1); then
  fail "the launcher started without a working folder"
else
  check "no message for an impossible working folder: $msg" grep -q "labguide:" <<<"$msg"
fi

if [ "$failures" -eq 0 ]; then
  echo "install layout and launcher: all checks passed"
  exit 0
fi
echo "$failures checks failed"
exit 1

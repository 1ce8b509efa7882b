#!/bin/sh
# Starts labguide for the user: the program reads its catalogue QK740X.mdb from the folder it runs in and
# writes Video.avi and Capture.bmp there, so it runs in a writable folder of the user's own,
# ${XDG_DATA_HOME:-~/.local/share}/labguide/, which gets a copy of the installed catalogue when it has none.
# The user's copy is never overwritten.
#
# labguide --scale F starts it F times as large (the desktop action "大字显示" uses 1.5): the launcher sets
# Qt's own QT_SCALE_FACTOR; the program itself reads no command line.
set -eu
here=$(dirname "$(readlink -f "$0")")
program_dir=$(readlink -f "$here/../lib/labguide")

fail() {
  echo "labguide: $*" >&2
  exit 1
}

case "${1:-}" in
  "") ;;
  --scale)
    factor=${2:-}
    # A plain decimal number from 0.5 to 4 (what Qt accepts sensibly).
    echo "$factor" | grep -Eq '^[0-9]+([.][0-9]+)?$' &&
      awk -v f="$factor" 'BEGIN { exit !(f >= 0.5 && f <= 4) }' ||
      fail "--scale takes a factor from 0.5 to 4, such as 1.5 (not '$factor')"
    export QT_SCALE_FACTOR="$factor"
    shift 2 ;;
  *) fail "unknown option '$1' (labguide [--scale F])" ;;
esac
[ $# -eq 0 ] || fail "unknown option '$1' (labguide [--scale F])"

[ -x "$program_dir/labguide" ] || fail "the program is missing in $program_dir"
data_home=${XDG_DATA_HOME:-}
case "$data_home" in
  /*) ;;
  *) # unset, empty or relative: the standard's default
    [ -n "${HOME:-}" ] || fail "neither XDG_DATA_HOME nor HOME is set"
    data_home=$HOME/.local/share ;;
esac
work=$data_home/labguide
mkdir -p "$work" || fail "cannot create the working folder $work"
[ -w "$work" ] || fail "the working folder $work is not writable"

if [ ! -e "$work/QK740X.mdb" ] && [ -f "$program_dir/QK740X.mdb" ]; then
  # Copy beside it, then move into place without replacing a copy that appeared meanwhile.
  tmp="$work/.QK740X.mdb.$$"
  if cp "$program_dir/QK740X.mdb" "$tmp" && chmod u+w "$tmp"; then
    mv -n "$tmp" "$work/QK740X.mdb"
  fi
  rm -f "$tmp"
  [ -e "$work/QK740X.mdb" ] || fail "cannot copy the catalogue into $work"
fi

cd "$work"
exec "$program_dir/labguide"

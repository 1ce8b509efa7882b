#!/bin/sh
# Starts labguide for the user: the program reads its catalogue QK740X.mdb from the folder it runs in and
# writes Video.avi and Capture.bmp there, so it runs in a writable folder of the user's own,
# ${XDG_DATA_HOME:-~/.local/share}/labguide/, which gets a copy of the installed catalogue when it has none.
# Beside the copy, .QK740X.mdb.installed notes (in sha256sum's format) the installed catalogue it was made
# from. When a newer package brings another catalogue, a copy the user never changed is replaced (the old one
# kept as QK740X.mdb.bak); a changed copy is kept, with a line on how to merge the new one into it. A copy
# that a running labguide holds open is never replaced.
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

catalogue=$work/QK740X.mdb
note=$work/.QK740X.mdb.installed
template=$program_dir/QK740X.mdb

checksum() {
  sum=$(sha256sum <"$1") || return 1
  printf '%s\n' "${sum%% *}"
}
shown() { # a path as a shell word, for commands the user may paste
  case $1 in
    *[!A-Za-z0-9_./+=:,@%-]*) printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")" ;;
    *) printf '%s' "$1" ;;
  esac
}
copy_template() { # copies the installed catalogue beside the user's; prints the copy's name
  tmp="$work/.QK740X.mdb.new.$$"
  if cp "$template" "$tmp" && chmod u+w "$tmp"; then
    printf '%s\n' "$tmp"
  else
    rm -f "$tmp"
    return 1
  fi
}
write_note() { # CHECKSUM of the installed catalogue the user's copy now is
  if ! { printf '%s  %s\n' "$1" "$template" >"$note.$$" && mv -f "$note.$$" "$note"; }; then
    rm -f "$note.$$"
    echo "labguide: cannot write $note" >&2
  fi
}
held_open() { # true when labguide runs in the working folder or a process holds a lock on the user's copy
  # labguide holds the catalogue's exclusive (SQLite) lock from its first query until it ends; before that it
  # has not opened it yet, but would open the file as it then is.
  program=$(stat -L -c %d:%i "$program_dir/labguide") || return 0
  folder=$(stat -L -c %d:%i "$work") || return 0
  for proc in /proc/[0-9]*; do
    [ "$(stat -L -c %d:%i "$proc/exe" 2>/dev/null)" = "$program" ] &&
      [ "$(stat -L -c %d:%i "$proc/cwd" 2>/dev/null)" = "$folder" ] && return 0
  done
  [ -r /proc/locks ] || return 0 # cannot tell: treat it as held
  id=$(stat -L -c %d:%i "$catalogue") || return 0
  for pid in $(awk -v inode="${id#*:}" '$2 != "->" { n = split($6, f, ":"); if (f[n] == inode) print $5 }' /proc/locks); do
    # The inode number alone may belong to a file of another file system: look for the file among the
    # holder's open files when they can be seen.
    [ -d "/proc/$pid/fd" ] && [ -r "/proc/$pid/fd" ] || return 0
    for fd in "/proc/$pid/fd"/*; do
      [ "$(stat -L -c %d:%i "$fd" 2>/dev/null)" = "$id" ] && return 0
    done
  done
  return 1
}

if [ ! -e "$catalogue" ] && [ -f "$template" ]; then
  # Copy beside it, then move into place without replacing a copy that appeared meanwhile.
  if tmp=$(copy_template); then
    made=$(checksum "$tmp")
    mv -n "$tmp" "$catalogue"
    rm -f "$tmp"
    [ "$(checksum "$catalogue")" = "$made" ] && write_note "$made"
  fi
  [ -e "$catalogue" ] || fail "cannot copy the catalogue into $work"
elif [ -f "$catalogue" ] && [ -f "$template" ] && installed=$(checksum "$template"); then
  noted=""
  [ -f "$note" ] && noted=$(head -n1 "$note" | cut -d' ' -f1)
  if [ "$noted" != "$installed" ]; then
    current=$(checksum "$catalogue") || current="" # unreadable: the program reports it
    if [ -z "$current" ]; then
      :
    elif [ "$current" = "$installed" ]; then
      write_note "$installed" # a copy from before notes were kept, or one already brought up to date
    elif [ -n "$noted" ] && [ "$current" = "$noted" ]; then
      # The copy is still as the launcher made it: bring the newer catalogue in, keeping the old as .bak.
      if held_open; then
        echo "labguide: a newer catalogue is installed; $catalogue is in use by a running labguide and is updated at a later start" >&2
      elif tmp=$(copy_template) &&
        { ln -f "$catalogue" "$catalogue.bak" 2>/dev/null || cp -p "$catalogue" "$catalogue.bak"; } &&
        mv -f "$tmp" "$catalogue"; then
        write_note "$(checksum "$catalogue")"
      else
        rm -f "$work/.QK740X.mdb.new.$$"
        echo "labguide: cannot bring the newer catalogue $template into $catalogue; the copy stays as it is" >&2
      fi
    else
      pack="$work/installed.labpack"
      echo "labguide: a newer catalogue is installed and $(shown "$catalogue") holds your changes, so it stays; to add the new experiments to it: labtool pack $(shown "$template") -o $(shown "$pack") && labtool unpack $(shown "$pack") --into $(shown "$work") --skip" >&2
    fi
  fi
fi

cd "$work"
exec "$program_dir/labguide"

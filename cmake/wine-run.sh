#!/usr/bin/env bash
# Runs Windows programs under Wine in the test prefix, each run inside its
# own Xvfb session. Everything of one run (the program, what it starts,
# `wine reg`) shares that session's X display and wineserver; the server
# is told to end with its last client so the next run starts clean.
#
#   wine-run.sh BITS ROOT --create          make a fresh prefix under ROOT
#   wine-run.sh BITS ROOT --remove          delete it
#   wine-run.sh BITS ROOT --exec CMD ARG..  run a host command inside a session
#   wine-run.sh BITS ROOT PROGRAM.exe ARG.. run a Windows program inside a session
#
# BITS (32 or 64) is the programs' architecture. Debian's `wine` script
# takes the 32-bit loader whenever it is installed, even on a kernel that
# refuses 32-bit programs; each loader is named here instead. Where the
# machine cannot run 32-bit programs, or has no 32-bit Wine, a 32-bit run
# exits with 77, which CTest reports as skipped.
set -Eeuo pipefail
# A step that fails says which, whatever it printed (or hid).
trap 'echo "wine-run.sh: line $LINENO: \"$BASH_COMMAND\" failed ($?)" >&2' ERR

bits=$1 root=$2
shift 2
export WINEPREFIX="$root/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko downloads; no menu entries or MIME types written into
# the user's home (winemenubuilder) by a throwaway prefix.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"
# The prefix and its tools are 64-bit; the 32-bit loader runs only the
# 32-bit test programs.
wine64=${VORUNDEL_WINE64:-/usr/lib/wine/wine64}
wine32=${VORUNDEL_WINE32:-/usr/lib/wine/wine}
wineserver=/usr/lib/wine/wineserver64

if [ "${1-}" = --remove ]; then
  rm -rf "$root"
  exit 0
fi

# Fails, or skips a 32-bit run, at once and with the loader's own words.
probe() {
  local out status=0
  out=$("$1" --version 2>&1) || status=$?
  out=$(sed 's/^.*: line [0-9]*: //' <<<"$out")
  [ "$status" -eq 0 ] && return 0
  if [ "$2" = 32 ] && [ "$status" -eq 126 ]; then
    echo "SKIPPED: this machine does not run 32-bit programs: $out" >&2
    exit 77
  fi
  if [ "$2" = 32 ] && [ "$status" -eq 127 ]; then
    echo "SKIPPED: no 32-bit Wine here (wine32:i386): $out" >&2
    exit 77
  fi
  echo "wine-run.sh: $1 cannot start: $out" >&2
  exit 1
}

# Debian's Wine keeps its server's socket in /tmp/wine-XXXXXX/server-DEV-INO
# (the prefix's device and inode), and leaves it there. It is not moved
# with TMPDIR: Wine 10's wineserver and wineboot abort with TMPDIR set.
remove_server_folder() {
  local name folder
  [ -d "$WINEPREFIX" ] || return 0
  # shellcheck disable=SC2046
  name=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for folder in /tmp/wine-*/"$name"; do
    [ -d "$folder" ] || continue
    rm -rf "$folder"
    rmdir "${folder%/*}" 2>/dev/null || true
  done
}

if [ "${1-}" != --in-session ]; then
  probe "$wine64" 64
  if [ "${1-}" != --create ] && [ "$bits" = 32 ]; then
    probe "$wine32" 32
  fi
  if [ "${1-}" != --create ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run.sh: no prefix at $WINEPREFIX (the wine_prefix test makes it)" >&2
    exit 2
  fi
  mkdir -p "$root/tmp"
  run_tmp=$(mktemp -d "$root/tmp/run.XXXXXX")
  trap 'rm -rf "$run_tmp"; remove_server_folder' EXIT
  status=0
  # A random first display number keeps parallel sessions apart.
  xvfb-run -a -n $((100 + RANDOM % 800)) -f "$run_tmp/Xauthority" \
    -s "-screen 0 1024x768x24 -dpi 96" \
    "$0" "$bits" "$root" --in-session "$@" || status=$?
  exit "$status"
fi
shift

loader=$wine64
[ "$bits" = 32 ] && loader=$wine32
wine() { "$wine64" "$@"; }

# Its output, only where it fails. Kept in a file, not a pipe: Wine's
# services that a program starts would hold a pipe open after it ends.
quietly() {
  local log status=0
  log=$(mktemp)
  "$@" >"$log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return "$status"
}

# The server detaches; it must not hold the caller's output open, or a
# test that failed would wait for the server to time out.
start_server() { "$wineserver" -p0 </dev/null >/dev/null 2>&1; }
finish() {
  # The server saves the registry and exits once its last client is gone.
  "$wineserver" -w || true
}
# What a run left running (a folder opened in Wine's file manager, say)
# would keep the server up for ever: it is ended, and fails the run.
finish_run() {
  if ! timeout 120 "$wineserver" -w; then
    echo "wine-run.sh: programs of the run still running: ended" >&2
    "$wineserver" -k || true
    return 1
  fi
}

case "${1-}" in
--create)
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  start_server
  if ! log=$(wine wineboot -i 2>&1); then
    "$wineserver" -k || true
    echo "wine-run.sh: wineboot failed:" >&2
    grep -v '^$' <<<"$log" | tail -5 >&2
    exit 1
  fi
  # Japanese text in dialogs: Wine's default fonts have no Japanese
  # glyphs; names must reach `reg` as UTF-8.
  fonts='HKCU\Software\Wine\Fonts\Replacements'
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" \
    "Segoe UI" "MS UI Gothic"; do
    LANG=C.UTF-8 quietly wine reg add "$fonts" /v "$face" /d "Noto Sans CJK JP" /f
  done
  LANG=C.UTF-8 quietly wine reg add "$fonts" /v "ＭＳ Ｐゴシック" /d IPAPGothic /f
  finish
  ;;
--exec)
  shift
  start_server
  status=0
  VORUNDEL_WINE=$loader VORUNDEL_WINESERVER=$wineserver "$@" || status=$?
  if ! finish_run && [ "$status" -eq 0 ]; then
    status=1
  fi
  exit "$status"
  ;;
*)
  start_server
  status=0
  "$loader" "$@" || status=$?
  finish
  exit "$status"
  ;;
esac

#!/usr/bin/env bash
# Runs Windows programs under Wine in the test prefix, each run inside its
# own Xvfb session. Everything of one run (the program, what it starts,
# `wine reg`) shares that session's X display and wineserver; the server
# is told to end with its last client so the next run starts clean.
#
#   wine-run.sh ROOT --create          make a fresh prefix under ROOT
#   wine-run.sh ROOT --remove          delete it
#   wine-run.sh ROOT --exec CMD ARG..  run a host command inside a session
#   wine-run.sh ROOT PROGRAM.exe ARG.. run a Windows program inside a session
set -euo pipefail

root=$1
shift
export WINEPREFIX="$root/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko downloads; no menu entries or MIME types written into
# the user's home (winemenubuilder) by a throwaway prefix.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d"

if [ "${1-}" = --remove ]; then
  rm -rf "$root"
  exit 0
fi

if [ "${1-}" != --in-session ]; then
  if [ "${1-}" != --create ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-run.sh: no prefix at $WINEPREFIX (the wine_prefix test makes it)" >&2
    exit 2
  fi
  mkdir -p "$root/tmp"
  # Debian's Wine leaves a folder in TMPDIR per prefix: keep it in ours.
  run_tmp=$(mktemp -d "$root/tmp/run.XXXXXX")
  export TMPDIR="$run_tmp"
  trap 'rm -rf "$run_tmp"' EXIT
  status=0
  # A random first display number keeps parallel sessions apart.
  xvfb-run -a -n $((100 + RANDOM % 800)) -f "$run_tmp/Xauthority" \
    -s "-screen 0 1024x768x24 -dpi 96" \
    "$0" "$root" --in-session "$@" || status=$?
  exit "$status"
fi
shift

finish() {
  # The server saves the registry and exits once its last client is gone.
  wineserver -w || true
}

case "${1-}" in
  --create)
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineserver -p0
    wine wineboot -i >/dev/null 2>&1
    # Japanese text in dialogs: Wine's default fonts have no Japanese
    # glyphs; names must reach `reg` as UTF-8.
    fonts='HKCU\Software\Wine\Fonts\Replacements'
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif" \
      "Segoe UI" "MS UI Gothic"; do
      LANG=C.UTF-8 wine reg add "$fonts" /v "$face" /d "Noto Sans CJK JP" \
        /f >/dev/null
    done
    LANG=C.UTF-8 wine reg add "$fonts" /v "ＭＳ Ｐゴシック" /d IPAPGothic \
      /f >/dev/null
    # Without a window manager every window close costs Wine ~2 s.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
    finish
    ;;
  --exec)
    shift
    wineserver -p0
    status=0
    "$@" || status=$?
    finish
    exit "$status"
    ;;
  *)
    wineserver -p0
    status=0
    wine "$@" || status=$?
    finish
    exit "$status"
    ;;
esac

#!/usr/bin/env bash
# The Debian package of another release, installed here with apt as a user
# installs it, passes the X11 rows as this release's own build does. Prints
# one summary line. Run as root, on a machine that may be changed (CI's
# fresh root), after scripts/test has installed the test packages.
#
#   tests/linux/other-release-deb.sh LABEL DEB
#   e.g. tests/linux/other-release-deb.sh "Debian 12 .deb" vorundel.deb
set -u
cd "$(dirname "$0")/../.."
label=$1 deb=$(realpath "$2")
source /etc/os-release
here="${NAME%% *} $VERSION_ID"
session=$(mktemp -d)
trap 'rm -rf "$session"' EXIT

installed() {
  local out
  if ! out=$(DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$deb" 2>&1); then
    tail -n 5 <<<"$out"
    return 1
  fi
}

rows() {
  XDG_DATA_HOME=$session xvfb-run --auto-servernum \
    "--server-args=-screen 0 1024x768x24 -dpi 96 -nolisten tcp" \
    dbus-run-session -- /usr/bin/python3 tests/e2e/e2e.py x11 \
    /usr/bin/vorundel "$PWD"
}

if ! installed; then
  echo "  $label, $here: FAILED to install"
  exit 1
fi
if ! rows; then
  echo "  $label, $here: installed; X11 rows FAILED"
  exit 1
fi
echo "  $label, $here: installed; X11 rows passed"

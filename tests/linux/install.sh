#!/bin/bash
# The installed tree validates (desktop entry, AppStream), and the Debian
# package carries it with the right relations and is lintian clean.
# Usage: install.sh BUILD_DIR
set -u
build=$1 tmp=$(mktemp -d) failed=0 id=io.github.vorundel.vorundel
trap 'rm -rf "$tmp"' EXIT
export TMPDIR=$tmp # lintian leaves a file there per run
fail() {
  echo "FAILED: $*"
  failed=1
}
cmake --install "$build" --prefix "$tmp/p" >/dev/null || fail "cmake --install"
out=$(desktop-file-validate "$tmp/p/share/applications/$id.desktop" 2>&1) && [ -z "$out" ] || fail "desktop-file-validate: $out"
# The tree check also matches the metainfo's id and launchable to the entry.
appstreamcli validate --no-net "$tmp/p/share/metainfo/$id.metainfo.xml" >/dev/null || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$tmp/p" >/dev/null || fail "appstreamcli validate-tree"
cpack -G DEB -B "$tmp/deb" --config "$build/CPackConfig.cmake" >/dev/null || fail cpack
deb=$(ls "$tmp"/deb/*.deb) || exit 1
depends=$(dpkg-deb --field "$deb" Depends)
for p in libqt6widgets6 libqt6gui6 libqt6core6 libglib2.0-0 libfontconfig1 shared-mime-info; do [[ $depends == *$p* ]] || fail "Depends lacks $p: $depends"; done
[ "$(dpkg-deb --field "$deb" Recommends)" = "fonts-ipafont-gothic, qt6-translations-l10n, xwayland" ] || fail Recommends
[ "$(dpkg-deb --field "$deb" Package)" = vorundel ] || fail Package
contents=$(dpkg-deb --contents "$deb")
# The package is the installed tree: every file of it, each icon size.
for f in bin/vorundel share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
  share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/vorundel.png; do
  [[ $contents == *" ./usr/$f"* ]] || fail "not in the package: $f"
done
# Copyright, changelog, manual page, stripped binary, description.
out=$(lintian --fail-on error,warning "$deb" 2>&1) && ! grep -q '^[EW]: ' <<<"$out" || fail "lintian: $out"
exit $failed

# Shared by scripts/run and scripts/test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# As root, or through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

# Installs the Debian packages listed in the given files that are missing.
# A package of another architecture (wine32:i386) has that architecture
# added first, so that apt-get update fetches its lists. Such a package
# only runs some tests: where it cannot be installed (its lists still
# syncing on the mirror, say), those tests are skipped.
ensure_packages() {
  local native=() foreign=()
  local pkg
  for pkg in $(grep -hv '^#' "$@"); do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' &&
      continue
    if [[ $pkg == *:* ]]; then
      foreign+=("$pkg")
    else
      native+=("$pkg")
    fi
  done
  [ ${#native[@]} -eq 0 ] && [ ${#foreign[@]} -eq 0 ] && return 0
  for pkg in "${foreign[@]}"; do
    add_architecture "${pkg##*:}"
  done
  echo "Installing: ${native[*]} ${foreign[*]}"
  # A list the mirror is still syncing fails the update; the others are read.
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q ||
    echo "lib.sh: apt-get update left some lists out"
  if [ ${#native[@]} -gt 0 ]; then
    apt_install "${native[@]}" || return 1
  fi
  if [ ${#foreign[@]} -gt 0 ] && ! apt_install "${foreign[@]}"; then
    echo "lib.sh: ${foreign[*]} not installed: the tests that need it are skipped"
  fi
  return 0
}

add_architecture() {
  dpkg --print-foreign-architectures | grep -qx "$1" ||
    as_root dpkg --add-architecture "$1"
}

apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "$@"
}

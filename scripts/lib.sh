# Shared by scripts/run and scripts/test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# Installs the Debian packages listed in the given files that are missing,
# as root or through sudo.
ensure_packages() {
  local missing=()
  local pkg
  for pkg in $(grep -hv '^#' "$@"); do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

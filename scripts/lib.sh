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
# added first, so that apt-get update fetches its lists.
ensure_packages() {
  local missing=()
  local pkg arch
  for pkg in $(grep -hv '^#' "$@"); do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  for pkg in "${missing[@]}"; do
    [[ $pkg == *:* ]] || continue
    arch=${pkg##*:}
    dpkg --print-foreign-architectures | grep -qx "$arch" ||
      as_root dpkg --add-architecture "$arch"
  done
  echo "Installing: ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
}

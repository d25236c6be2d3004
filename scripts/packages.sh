# Sourced by the scripts: installs the Debian packages a script needs when
# they are missing (as root; otherwise it names them and fails).
# shellcheck shell=bash

missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      printf '%s\n' "$package"
  done
}

# ensure_packages PACKAGE...
ensure_packages() {
  local missing
  missing=$(missing_packages "$@")
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" != 0 ]; then
    echo "missing packages, to be installed as root:" $missing >&2
    return 1
  fi
  printf '\n=== installing: %s\n' "$(echo $missing)"
  if grep -q ':i386$' <<<"$missing"; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

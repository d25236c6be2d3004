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

# install_packages PACKAGE...: apt-get install, as root. A mirror caught
# mid-sync can fail one index (the security archive's i386 list, say): the
# update then fails but leaves the other lists fresh, and a package of both
# architectures can find its two halves at different versions. The install
# is then tried again from the release itself, where both halves match.
install_packages() {
  local release
  apt-get update -qq || echo "apt-get update failed in part; installing from what it has" >&2
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
  release=$(. /etc/os-release && printf '%s' "$VERSION_CODENAME")
  [ -n "$release" ] || return 1
  echo "installing again from $release alone" >&2
  apt-get install -y -qq --no-install-recommends -t "$release" "$@" >/dev/null
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
  export DEBIAN_FRONTEND=noninteractive
  # shellcheck disable=SC2086
  install_packages $missing
}

# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian packages Marrowlight needs to build, test and run, and the one
# function both README commands use to install them. Sourced, not run.

MARROWLIGHT_PACKAGES=(
  build-essential cmake ninja-build g++ clang libclang-rt-dev
  libgtest-dev libgmock-dev
  nlohmann-json3-dev libcli11-dev libssl-dev
  genisoimage xorriso udftools
  qt6-base-dev
  xvfb xauth xdotool imagemagick x11-utils fonts-dejavu-core dpkg-dev openbox dbus-daemon
  qemu-system-x86 busybox-static cpio xz-utils
  tgt qemu-block-extra
  scdoc groff-base man-db appstream desktop-file-utils
)

# Installs whatever is missing; a machine that has everything is left alone.
install_packages() {
  local missing=()
  local package
  for package in "${MARROWLIGHT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

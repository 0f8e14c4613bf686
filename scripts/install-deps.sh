#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is
# missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
  libgtest-dev nlohmann-json3-dev libssl-dev libpugixml-dev
  iproute2 procps time
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev fonts-dejavu-core
  # The package and its checks: manual pages, dependencies, lintian, the
  # desktop entry and metainfo validators, reading a manual page, completion.
  scdoc dpkg-dev lintian desktop-file-utils appstream man-db bash-completion
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "error: not root and no sudo; install these packages first: ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

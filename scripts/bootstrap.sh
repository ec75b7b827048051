#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing TERIL need,
# but only those that are missing. Runs apt-get update once before installing.
set -euo pipefail

packages=(cmake g++ make ninja-build pkg-config qt6-base-dev qt6-qpa-plugins
          libgl-dev libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
          fonts-dejavu-core libfftw3-dev clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null 2>&1; then
  SUDO=(sudo)
else
  echo "bootstrap: the packages ${missing[*]} are missing and this user can't install them." >&2
  echo "bootstrap: run this script as root, or install them with apt-get." >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update
"${SUDO[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

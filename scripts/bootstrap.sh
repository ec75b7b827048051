#!/usr/bin/env bash
# Installs the Debian packages TERIL needs, but only those that are missing.
# Runs apt-get update once before installing.
#
#   scripts/bootstrap.sh run    what building and running the program needs (./run.sh)
#   scripts/bootstrap.sh test   that, and the test, benchmark and fuzzing tools (./test.sh)
set -euo pipefail
what="${1:-test}"

# Building and running: the compiler, Qt 6 with its SVG module, the field
# libraries of the core (FFTW3, CFITSIO, ERFA, Eigen3), a font for the plot
# and Xvfb for a window without a display.
packages=(cmake g++ make ninja-build pkg-config qt6-base-dev qt6-svg-dev qt6-qpa-plugins
          libgl-dev fonts-dejavu-core libfftw3-dev libcfitsio-dev liberfa-dev libeigen3-dev
          xvfb xauth)
if [ "$what" = test ]; then
  # Tests, benchmarks, the fuzz targets (clang with libFuzzer) and ccache,
  # which lets the sanitizer build and later builds reuse objects.
  packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev ccache)
elif [ "$what" != run ]; then
  echo "bootstrap: usage: scripts/bootstrap.sh run|test" >&2
  exit 2
fi

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

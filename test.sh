#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test through
# CTest. The exit status is the tests'.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/bootstrap.sh test
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure -j "$(nproc)" "$@"

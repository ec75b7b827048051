#!/usr/bin/env bash
# Makes docs/screenshot.png: opens the window on the example light curve on a
# virtual display of 1600 x 1000 pixels (the window takes the whole screen),
# grabs it once the file has loaded and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
bash scripts/build.sh --target teril
home="$(mktemp -d)"
work="$(mktemp -d)"
trap 'rm -rf "$home" "$work"' EXIT
# A copy, so that ZR.log and the settings stay out of the repository.
cp examples/eclipsing.dat "$work/"
TERIL_HOME="$home" xvfb-run -a -s "-screen 0 1600x1000x24" \
  build/teril --screenshot "$PWD/docs/screenshot.png" "$work/eclipsing.dat"
echo "screenshot: docs/screenshot.png"

#!/usr/bin/env bash
# Installs what is missing, builds, and opens TERIL on the example light
# curve (or on the data file given as the first argument). Without a display
# the same engine runs in this terminal instead (console mode).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/bootstrap.sh run
TERIL_PROGRAM_ONLY=1 bash scripts/build.sh --target teril
file="${1:-examples/eclipsing.dat}"
shift || true
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/teril "$file" "$@"
fi
echo "run.sh: no display found (DISPLAY is not set), so TERIL runs in console mode."
echo "run.sh: type keys and answers line by line (for example 3, +, R); Esc or ';' ends the run."
echo
# A terminal, a pipe or a redirected file is the script of the run
# (printf ':wsp1\ny\n;\n' | ./run.sh); only a closed standard input is
# replaced by an empty one.
if { true 3<&0; } 2>/dev/null; then
  exec build/teril --console "$file" "$@"
else
  exec build/teril --console "$file" "$@" < /dev/null
fi

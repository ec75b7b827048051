#!/usr/bin/env bash
# Configures and builds TERIL into build/.
#   scripts/build.sh [cmake --build options]            the program, tests and benchmarks
#   TERIL_PROGRAM_ONLY=1 scripts/build.sh --target teril  the program alone (./run.sh), which
#                                                        needs no test or benchmark library
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
extras=ON
[ -n "${TERIL_PROGRAM_ONLY:-}" ] && extras=OFF
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build "${generator[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTERIL_BUILD_TESTS=$extras -DTERIL_BUILD_BENCH=$extras
elif [ "$extras" = ON ] && grep -q '^TERIL_BUILD_TESTS:BOOL=OFF' build/CMakeCache.txt; then
  # A build made by ./run.sh: switch the tests and benchmarks on.
  cmake -S . -B build -DTERIL_BUILD_TESTS=ON -DTERIL_BUILD_BENCH=ON
fi
cmake --build build -j "$(nproc)" "$@"

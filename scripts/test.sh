#!/usr/bin/env bash
# Sets everything up, builds with warnings as errors, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCIARLA_WERROR=ON >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j2 "$@"

#!/usr/bin/env bash
# Sets everything up, builds, and says what it would start. The local chat
# service and the chat window join this script as they are built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-run
echo "Built. CiarlaChat and the local chat service are not there yet: nothing to start."

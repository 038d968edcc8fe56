#!/usr/bin/env bash
# Configures and builds everything into build/. QEL_WERROR=ON in the
# environment makes compiler warnings errors (test.sh sets it).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQEL_WERROR="${QEL_WERROR:-OFF}" >/dev/null
cmake --build build -j "$(nproc)"

#!/usr/bin/env bash
# Builds the player and runs every test, headless. Exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-deps.sh
# The tested build has no compiler warning.
QEL_WERROR=ON tools/build.sh
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
ctest --test-dir build --output-on-failure -j "$(nproc)"

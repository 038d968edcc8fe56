#!/usr/bin/env bash
# Builds the player and starts it on the bundled demo scenario.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-deps.sh
tools/build.sh
exec build/qelplayer "$@" demo/Opning.dat

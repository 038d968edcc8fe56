#!/usr/bin/env bash
# Builds the player and starts it on the bundled demo scenario.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-deps.sh
tools/build.sh
# A folder argument plays that scenario folder from its Opning.dat.
exec build/qelplayer "$@" demo

#!/usr/bin/env bash
# Refuses a quoted include that climbs out of its folder ("../"): a header of
# another layer is reached through that layer's include root, so the build,
# not the path, says whether the layer may use it.
set -euo pipefail
cd "$(dirname "$0")/.."
if found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*\.\./' src tests bench fuzz); then
    echo "includes that climb out of their folder:" >&2
    echo "$found" >&2
    exit 1
fi

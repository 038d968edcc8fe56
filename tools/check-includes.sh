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

# Inside the interpreter the folders are ordered too: the game state (engine/),
# then the scene logic (scene/), then the run loop and its commands (script/).
# A file includes nothing of a folder above its own.
up=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(scene|script)/' src/engine || true)
up+=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"script/' src/scene || true)
if [ -n "$up" ]; then
    echo "includes that run up the interpreter's folders (engine < scene < script):" >&2
    echo "$up" >&2
    exit 1
fi

#!/usr/bin/env bash
# Installs the editor extension's npm modules (the grammar test runner and
# vsce, which packs the .vsix) from editors/vscode/package-lock.json, when they
# are missing or older than the lock file. Without npm or the registry it says
# so and the tests that need the modules skip.
set -uo pipefail
cd "$(dirname "$0")/../editors/vscode"
stamp=node_modules/.package-lock.json
if [ -f "$stamp" ] && [ "$stamp" -nt package-lock.json ]; then exit 0; fi
if ! command -v npm >/dev/null; then
  echo "setup-editor: npm is not installed; the editor extension's tests will skip"
  exit 0
fi
timeout 600 npm ci --no-audit --no-fund --loglevel=error ||
  echo "setup-editor: npm ci failed; the editor extension's tests will skip"
exit 0

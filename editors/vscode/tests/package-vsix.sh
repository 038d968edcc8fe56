#!/bin/sh
# Packs the extension into a .vsix with vsce, in a scratch folder, and checks
# that the package holds the grammar, the client and the manifest; skipped
# (status 77) where Node or the extension's npm modules are absent
# (tools/setup-editor.sh brings them).
cd "$(dirname "$0")/.." || exit 1
if ! command -v node >/dev/null 2>&1; then echo "skipped: node is not installed"; exit 77; fi
# vsce 3 runs on Node 20 or later; Debian 12's own Node is 18.
major=$(node -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0)
if [ "$major" -lt 20 ]; then echo "skipped: vsce needs Node 20 or later, this is Node $major"; exit 77; fi
if [ ! -x node_modules/.bin/vsce ]; then
  echo "skipped: run tools/setup-editor.sh for vsce"; exit 77
fi
out=$(mktemp -d) || exit 1
trap 'rm -rf "$out"' EXIT
node_modules/.bin/vsce package --out "$out/qel-scenes.vsix" </dev/null || exit 1
list=$(node_modules/.bin/vsce ls 2>/dev/null) || exit 1
for f in package.json extension.js syntaxes/qel.tmLanguage.json language-configuration.json; do
  echo "$list" | grep -qx "$f" || { echo "the package lacks $f"; exit 1; }
done
[ -s "$out/qel-scenes.vsix" ] || { echo "no .vsix was written"; exit 1; }
echo "packed $(wc -c <"$out/qel-scenes.vsix") bytes"

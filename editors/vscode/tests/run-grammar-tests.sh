#!/bin/sh
# The grammar's tests; skipped (status 77) where Node or the extension's npm
# modules are absent (tools/setup-editor.sh brings them).
cd "$(dirname "$0")/.." || exit 1
if ! command -v node >/dev/null 2>&1; then echo "skipped: node is not installed"; exit 77; fi
if [ ! -x node_modules/.bin/vscode-tmgrammar-test ]; then
  echo "skipped: run tools/setup-editor.sh for vscode-tmgrammar-test"; exit 77
fi
exec node_modules/.bin/vscode-tmgrammar-test -g syntaxes/qel.tmLanguage.json 'tests/*.dat'

#!/usr/bin/env bash
# Checks that every tracked C++ file is laid out as .clang-format says; prints
# the places that differ and fails. `clang-format-14 -i FILE` lays a file out.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format-14 --style=file --dry-run --Werror

#!/usr/bin/env bash
# Builds the player and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer (any undefined behaviour stops the program) into
# build-asan/, then runs every test, headless. Exits non-zero when a test fails
# or a sanitizer reports anything.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cc=${QEL_CLANG:-clang++-14}
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cc" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
command -v llvm-symbolizer-14 >/dev/null && export ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer-14)
# As in test.sh, a test that fails is run once more: the real-window tests
# share two cores with the rest.
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 600 --repeat until-pass:2

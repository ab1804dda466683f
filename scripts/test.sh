#!/usr/bin/env bash
# Sets up the machine, configures, builds and runs every test.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=build
EXTRA=()
if [ "${1:-}" = "--sanitize" ]; then
  BUILD_DIR=build-asan
  EXTRA=(-DVANDREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

bash scripts/setup.sh
cmake -S . -B "$BUILD_DIR" -DVANDREL_WERROR=ON "${EXTRA[@]}"
cmake --build "$BUILD_DIR" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 600

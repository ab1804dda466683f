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
if [ "$BUILD_DIR" = build-asan ]; then
  # Every sanitizer report, also one from a child process whose failure a
  # test expected, lands in this folder; any file there fails the run.
  reports="$PWD/$BUILD_DIR/sanitizer-reports"
  rm -rf "$reports"; mkdir -p "$reports"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$reports/asan"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan"
fi
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 600 || status=$?
if [ -n "${reports:-}" ] && [ -n "$(ls -A "$reports")" ]; then
  echo "sanitizer reports:"
  for f in "$reports"/*; do echo "== $f"; head -n 60 "$f"; done
  status=1
fi
exit $status

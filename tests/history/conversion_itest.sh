#!/bin/bash
# Runs the conversion tests inside ccsandbox, where they have VOBs and views.
set -u
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"
"$BUILD_DIR/tests/history/history_conversion_test" || exit 1

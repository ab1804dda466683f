# Shared helpers of the substitute's integration scripts. Source it first:
# it re-runs the calling script inside ccsandbox (fresh /view, registry and
# /vobs, substitute programs first on PATH) and stops at the first failure.
set -u
if [ -z "${IN_CCSANDBOX:-}" ]; then
    : "${BUILD_DIR:?BUILD_DIR must name the build tree}"
    mkdir -p "${TEST_TMP:-/tmp/ccsub-test.$$}"
    exec env IN_CCSANDBOX=1 "$BUILD_DIR/clearcase/bin/ccsandbox" bash "$0" "$@"
fi
TEST_TMP=${TEST_TMP:-/tmp/ccsub-test.$$}
mkdir -p "$TEST_TMP"
FAILS=0

fail() { echo "FAIL: $*" >&2; FAILS=$((FAILS + 1)); }
# die TEXT: a failure the rest of the script cannot go on from.
die() { echo "FATAL: $*" >&2; exit 1; }
# ct ARGS...: cleartool that must succeed for the script to go on.
ct() { cleartool "$@" || die "cleartool $*"; }
# ok CMD...: the command must succeed.
ok() { "$@" >"$TEST_TMP/out" 2>"$TEST_TMP/err" || fail "expected success: $* ($(cat "$TEST_TMP/err"))"; }
# ko CMD...: the command must fail, with "cleartool: Error:" on stderr and nothing on stdout.
ko() {
    if "$@" >"$TEST_TMP/out" 2>"$TEST_TMP/err"; then fail "expected failure: $*"; return; fi
    grep -q "Error:" "$TEST_TMP/err" || fail "no error text for: $*"
}
# eq EXPECTED ACTUAL [what]
eq() { [ "$1" = "$2" ] || fail "${3:-value}: expected [$1], got [$2]"; }
has_file() { [ -e "$1" ] || fail "missing: $1"; }
no_file() { [ ! -e "$1" ] && [ ! -L "$1" ] || fail "should not exist: $1"; }
content() { eq "$1" "$(cat "$2" 2>/dev/null)" "content of $2"; }
db() { sqlite3 /var/lib/vandrel-ccsub/ccsub.db "$1"; }
finish() {
    if [ "$FAILS" -ne 0 ]; then echo "$FAILS failure(s)" >&2; exit 1; fi
    echo "all checks passed"
}

# A VOB /vobs/src with a view dev whose root directory is checked in.
make_vob_and_view() {
    cleartool mkvob -tag /vobs/src -nc /store/src.vbs >/dev/null || exit 1
    cleartool mkview -tag dev /store/dev.vws >/dev/null || exit 1
}

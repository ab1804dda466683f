#!/bin/bash
# ccsandbox isolation: two sandboxes never see each other's registry or
# views, nothing is left on the host, and processes left running by the
# command are ended with it.
set -u
: "${BUILD_DIR:?}"
SB=$BUILD_DIR/clearcase/bin/ccsandbox
TEST_TMP=${TEST_TMP:-/tmp/ccsub-sandbox.$$}
mkdir -p "$TEST_TMP"
FAILS=0
fail() { echo "FAIL: $*" >&2; FAILS=$((FAILS + 1)); }
before_view=$(ls -A /view 2>/dev/null | wc -l)
before_reg=$(ls -A /var/lib/vandrel-ccsub 2>/dev/null | wc -l)
marker="sandbox-$$-$RANDOM"
$SB bash -c "cleartool mkvob -tag /vobs/$marker -nc /store/x.vbs >/dev/null && cleartool mkview -tag $marker /store/v.vws >/dev/null && test -d /view/$marker/vobs/$marker" \
    || fail "first sandbox could not make a VOB and a view"
$SB bash -c "cleartool lsvob -s /vobs/$marker" >/dev/null 2>&1 && fail "second sandbox sees the first one's VOB"
[ -e /view/$marker ] && fail "view left on the host"
[ "$(ls -A /view 2>/dev/null | wc -l)" = "$before_view" ] || fail "host /view changed"
[ "$(ls -A /var/lib/vandrel-ccsub 2>/dev/null | wc -l)" = "$before_reg" ] || fail "host registry changed"
# The command's exit status comes back; PATH starts with the substitute.
$SB bash -c 'exit 5'
[ $? = 5 ] || fail "exit status"
first=$($SB bash -c 'command -v cleartool')
[ "$first" = "$BUILD_DIR/clearcase/bin/cleartool" ] || fail "cleartool on PATH is $first"
# A detached process dies with the sandbox.
$SB bash -c "setsid sleep 300 </dev/null >/dev/null 2>&1 & echo \$! > $TEST_TMP/pid; sleep 0.2"
sleep 0.5
if pgrep -f "^sleep 300$" >/dev/null; then fail "detached process survived"; pkill -f "^sleep 300$"; fi
# An unknown command fails cleanly.
$SB /no/such/program 2>/dev/null
[ $? = 127 ] || fail "missing program status"
[ $FAILS = 0 ] || exit 1
echo "all checks passed"

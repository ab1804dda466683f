#!/bin/bash
# A deployment through the whole chain with both daemons running: site A's
# only VOB key deploys the directory src of its VOB into a plain directory at
# site B. The first round carries every file of the tree; B writes them
# byte for byte, logs one ACK line per directory and file, and confirms. The
# second round, after a changed file and new files (empty, binary, a blank
# in the name), carries the tree again; B's copy matches once more,
# and its VOB is never touched.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/deploy bash tests/e2e/feature_deployment_itest.sh
set -u
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"
source "$SRC_DIR/scripts/demo/sites_lib.sh"
source "$SRC_DIR/scripts/demo/chain_lib.sh"

sites_init "$TEST_TMP/sites"
make_sites > "$TEST_TMP/make.out" 2>&1 || die "make_sites: $(cat "$TEST_TMP/make.out")"
TARGET=$SITES_ROOT/$LOC_B/deployed
# The VOB key keeps its number (the VOB's triggers request it) and becomes a
# hard deployment of src into TARGET.
sed -i "s|^$VOB_KEY>.*|$VOB_KEY>$VOB_A>>src>/[D] $TARGET>.>$LOC_B>ship|" "$DEPOT_A/m_bay/config/shipper.conf"
grep -qF "/[D] $TARGET>" "$DEPOT_A/m_bay/config/shipper.conf" || die "the deployment key line was not written"
SRC_A=/view/$VIEW_A_WORK$VOB_A/src
DLOG_B=$DEPOT_B/m_bay/logs/receiver_deploys.txt
DLOG_A=$DEPOT_A/m_bay/logs/shipper_deploys.txt

# expected_acks: the ACK lines a deployment of SRC_A must log, sorted: one
# per directory below the top and one per file.
expected_acks() {
    (
        cd "$SRC_A" || exit 1
        find . -name '*@@' -prune -o -mindepth 1 -type d -print | sed 's|^\./||' | while IFS= read -r d; do printf 'directory>ACK >%s/%s\n' "$TARGET" "$d"; done
        find . -name '*@@' -prune -o -type f -print | sed 's|^\./||' | while IFS= read -r f; do printf '     file>ACK >%s/%s\n' "$TARGET" "$f"; done
    ) | LC_ALL=C sort
}

# deployed WHAT FROM_LINE: B confirmed the deployment of WHAT, its directory
# is a byte-exact copy of src at A, and the deployment log, from line
# FROM_LINE on, holds one ACK line per directory and file and no NACK.
deployed() {
    wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 \
        || die "$1 was not deployed: $(cat "$TEST_TMP/wait.out")"
    # The view lists each element's extended name too (NAME@@); those are no files.
    diff -r -x '*@@' "$SRC_A" "$TARGET" > "$TEST_TMP/diff.out" 2>&1 || fail "after $1 B's directory differs: $(head -n 20 "$TEST_TMP/diff.out")"
    tail -n "+$2" "$DLOG_B" | grep 'ACK ' | LC_ALL=C sort > "$TEST_TMP/acks"
    expected_acks > "$TEST_TMP/acks.expected"
    diff "$TEST_TMP/acks.expected" "$TEST_TMP/acks" > "$TEST_TMP/acks.diff" \
        || fail "after $1 the ACK lines differ from the tree: $(cat "$TEST_TMP/acks.diff")"
    tail -n "+$2" "$DLOG_B" | grep -F 'NACK' && fail "after $1 B logged a NACK"
    tail -n "+$2" "$DLOG_B" | grep -qF "Package DEPLOYMENT processing ENDED for package" \
        || fail "after $1 B did not log the end of the deployment"
    grep -qF "DEPLOYMENT package SENT for package (mship.$NNN.$LOC_B.$LOC_A)" "$DLOG_A" \
        || fail "after $1 A did not log the deployment as sent"
    # Nothing of the packet is left in B's receiving directory but the confirmation.
    leftover=$(ls -A "$INTAKE_B" | grep -v "^$STREAM\.epoc\$")
    [ -z "$leftover" ] || fail "after $1 B's receiving directory holds: $leftover"
    mark=$(confirmation_mark)
}

mark=$(confirmation_mark)
trap stop_daemons EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
deployed "the first deployment" 1
has_file "$TARGET/net/sock.c"
has_file "$TARGET/Makefile"
if [ ! -f "$TARGET/main.c" ] || [ -L "$TARGET/main.c" ]; then fail "main.c is not a plain file at B"; fi

# Second round: a changed file, an empty file, a name with a blank and
# binary bytes.
from=$(($(_lines "$DLOG_B") + 1))
(
    set -e
    cd "$SRC_A"
    _ct checkout -nc main.c .
    printf 'int util(void);\nint main(void) { return util() + 1; }\n' > main.c
    _ct mkelem -nc empty.h 'read me.txt' tool.bin
    printf 'spaces are fine\n' > 'read me.txt'
    printf '\000\001\r\n\377tool\000' > tool.bin
    _ct checkin -c 'second round' main.c empty.h 'read me.txt' tool.bin .
) || die "changes at A"
deployed "the second deployment" "$from"
content "$(printf 'int util(void);\nint main(void) { return util() + 1; }')" "$TARGET/main.c"
has_file "$TARGET/empty.h"
[ -s "$TARGET/empty.h" ] && fail "the empty file arrived with content"
content "spaces are fine" "$TARGET/read me.txt"
cmp -s "$SRC_A/tool.bin" "$TARGET/tool.bin" || fail "the binary file differs at B"

# The deployments never reached B's VOB: it holds nothing but its root.
leftover=$(ls -A "/view/$VIEW_B$VOB_B" | grep -v '^lost+found\(@@\)\?$')
[ -z "$leftover" ] || fail "B's VOB received: $leftover"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"
finish

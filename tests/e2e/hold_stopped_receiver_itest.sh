#!/bin/bash
# Packets arrive while the receiver is stopped. After a first confirmed
# packet, the receiver stops; A's changes (versions, labels, attributes of an
# element and a branch, removals, locks) make packet k, which waits
# unconfirmed in B's receiving directory; one more change makes packet k+1,
# which replaces packet k there and, bounded by the same confirmation, covers
# its history too. Once the receiver starts again it applies the one packet
# it finds, confirms it, and both VOBs agree.
#
# By hand (absolute paths):
#   BUILD_DIR=$PWD/build SRC_DIR=$PWD TEST_TMP=/tmp/held bash tests/e2e/hold_stopped_receiver_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib faults_lib

itest_make_sites
B=/view/$VIEW_B$VOB_B
PACKET=$INTAKE_B/$STREAM

trap stop_daemons EXIT
mark=$(confirmation_mark)
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 || die "the first history: $(cat "$TEST_TMP/wait.out")"
timeout 60 "$RECEIVER" "$DEPOT_B" -stop > "$TEST_TMP/stop.out" 2>&1 < /dev/null || die "the receiver did not stop: $(cat "$TEST_TMP/stop.out")"
mark=$(confirmation_mark)

# Packet k: delivered, nobody takes it.
with_shipper_stopped change_history "$VIEW_A_WORK" "$VOB_A" 2> "$TEST_TMP/change.err" || die "changes at A: $(cat "$TEST_TMP/change.err")"
wait_until 60 "packet k is delivered" more_than 1 shipped_passes || die "$(tail -n 5 "$DEPOT_A/m_bay/logs/shipper_errors.txt")"
has_file "$PACKET.pack"
versions_k=$(sed -n 's/^\[\([0-9]*\)\]$/\1/p' "$PACKET.pack")
sum_k=$(cksum < "$PACKET.crc")

# Packet k+1 replaces it: one more version, new data, the same bound.
with_shipper_stopped small_change "$VIEW_A_WORK" "$VOB_A" "Replaced while waiting." 2> "$TEST_TMP/change.err" \
    || die "the last change at A: $(cat "$TEST_TMP/change.err")"
wait_until 60 "packet k+1 is delivered" more_than 2 shipped_passes || die "$(tail -n 5 "$DEPOT_A/m_bay/logs/shipper_errors.txt")"
eq "$((versions_k + 1))" "$(sed -n 's/^\[\([0-9]*\)\]$/\1/p' "$PACKET.pack")" "versions in packet k+1"
[ "$(cksum < "$PACKET.crc")" != "$sum_k" ] || fail "packet k+1 left packet k's data in place"
eq 2 "$(_count "---- packaging all data since (" "$DEPOT_A/m_bay/logs/shipper_all.txt")" "packets bounded by the first confirmation"
eq "$mark" "$(confirmation_mark)" "B's confirmation while the receiver is stopped"

# The receiver starts and applies the one packet it finds.
start_receiver 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 || die "packet k+1 was not applied: $(cat "$TEST_TMP/wait.out")"
eq 2 "$(applied_packets)" "packets applied"
compare_sites > "$TEST_TMP/cmp.out" 2>&1 || fail "the VOBs differ: $(head -n 20 "$TEST_TMP/cmp.out")"
content "Replaced while waiting." "$B/doc/README"
content "replication started" "$B/doc/CHANGES"
no_file "$B/src/Makefile"
# Nothing of either packet is left, not even a copy of a replaced part.
eq "$STREAM.epoc" "$(ls "$INTAKE_B")" "B's receiving directory"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
finish

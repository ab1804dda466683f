#!/bin/bash
# A VOB key with the hold personality: the shipper leaves each packet in its
# "_hold_out" directory, and an outside carrier (scripts/demo/carry_held.sh)
# moves it to B's receiving directory and brings B's confirmation back to
# where the shipper reads it. Two rounds: the whole history, then the later
# changes, bounded by the confirmation the carrier brought back; after each,
# both VOBs agree. While B's confirmation is not back, the shipper's packet
# stays held and B's receiving directory sees nothing.
#
# By hand (absolute paths):
#   BUILD_DIR=$PWD/build SRC_DIR=$PWD TEST_TMP=/tmp/carrier bash tests/e2e/hold_carrier_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib faults_lib

itest_make_sites
B=/view/$VIEW_B$VOB_B
HOLD=$DEPOT_A/m_bay/_hold_out
HELD=$HOLD/$STREAM
sed -i "s|^$VOB_KEY>\(.*\)>ship\$|$VOB_KEY>\1>hold|" "$DEPOT_A/m_bay/config/shipper.conf"
grep -qx "$VOB_KEY>.*>$LOC_B>hold" "$DEPOT_A/m_bay/config/shipper.conf" || die "no hold key line"

carry() { bash "$SRC_DIR/scripts/demo/carry_held.sh" "$HOLD" "$INTAKE_B" 2>> "$TEST_TMP/carry.err"; }
# carried_and_confirmed MARK: one carrier round; B's confirmation differs from MARK.
carried_and_confirmed() { carry && [ "$(confirmation_mark)" != "$1" ]; }

# round WHAT N: waits for the shipper's N-th held packet, lets the carrier
# work until B confirmed it, brings the confirmation back, compares.
round() {
    wait_until 60 "the shipper holds packet $2" more_than $(($2 - 1)) shipped_passes \
        || die "$1: $(tail -n 5 "$DEPOT_A/m_bay/logs/shipper_errors.txt")"
    has_file "$HELD.pack"
    no_file "$INTAKE_B/$STREAM.pack"
    wait_until 60 "B confirms packet $2" carried_and_confirmed "$mark" \
        || die "$1: $(cat "$TEST_TMP/carry.err"; tail -n 8 "$DEPOT_B/m_bay/logs/receiver_errors.txt")"
    carry || fail "$1: the carrier failed: $(cat "$TEST_TMP/carry.err")"
    cmp -s "$INTAKE_B/$STREAM.epoc" "$HELD.epoc" || fail "$1: B's confirmation was not brought back"
    no_file "$HELD.pack"
    no_file "$HELD.crc"
    no_file "$HELD.pack_pending"
    compare_sites > "$TEST_TMP/cmp.out" 2>&1 || fail "after $1 the VOBs differ: $(head -n 20 "$TEST_TMP/cmp.out")"
    mark=$(confirmation_mark)
}

mark=$(confirmation_mark)
trap stop_daemons EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
round "the first history" 1
grep -qF -- "-- holding packet instructions for (mship.$NNN.$LOC_B.$LOC_A) $LOC_B for external process" \
    "$DEPOT_A/m_bay/logs/shipper_all.txt" || fail "the shipper did not say it holds the packet"
content "$(cat "/view/$VIEW_A_WORK$VOB_A/src/util.c@@/main/dev/1")" "$B/src/util.c@@/main/dev/1"

with_shipper_stopped change_history "$VIEW_A_WORK" "$VOB_A" 2> "$TEST_TMP/change.err" || die "changes at A: $(cat "$TEST_TMP/change.err")"
round "the changes, removals and locks" 2
eq 1 "$(_count "---- packaging all data since (" "$DEPOT_A/m_bay/logs/shipper_all.txt")" \
    "packets bounded by the confirmation the carrier brought back"
no_file "$B/src/Makefile"
content "replication started" "$B/doc/CHANGES"
eq "$STREAM.epoc" "$(ls "$INTAKE_B")" "B's receiving directory"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"
finish

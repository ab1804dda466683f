#!/bin/bash
# The whole chain with both daemons running: site A's history travels to
# site B as a first packet, then later changes (attributes of an element and
# a branch, removals of an element and a label, locks of a label type and a
# branch) as a second one; after each, B has confirmed and both VOBs agree.
# Then both daemons stop on request.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/chain bash tests/e2e/replication_chain_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib

itest_make_sites
B=/view/$VIEW_B$VOB_B

mark=$(confirmation_mark)
trap stop_daemons EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
itest_replicate "the first history"
content "$(cat "/view/$VIEW_A_WORK$VOB_A/src/util.c@@/main/dev/1")" "$B/src/util.c@@/main/dev/1"
[ -e "$B/doc/old.txt" ] && fail "an element removed before the first packet reached B"

change_history "$VIEW_A_WORK" "$VOB_A" || die "changes at A"
itest_replicate "the changes, removals and locks"
no_file "$B/src/Makefile"
content "replication started" "$B/doc/CHANGES"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
content "Stopped to honor stop request..." "$DEPOT_A/daemon/vandrel_shipper.daemon_stopped"
content "Stopped to honor stop request..." "$DEPOT_B/daemon/vandrel_receiver.daemon_stopped"
_running "$SHIPPER" "$DEPOT_A" && fail "the shipper still runs"
_running "$RECEIVER" "$DEPOT_B" && fail "the receiver still runs"
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
finish

#!/bin/bash
# The demonstration's waits, with stand-ins for both daemons that move a
# replication's files as the real ones do: a replication that completes is
# followed step by step; each way it can go wrong ends the wait at once (or at
# its bound) with the step that did not happen, and the daemons are stopped.
set -u
: "${TEST_TMP:?}" "${SRC_DIR:?}" "${BUILD_DIR:?}"
rm -rf "$TEST_TMP"
mkdir -p "$TEST_TMP"
source "$SRC_DIR/scripts/demo/sites_lib.sh"
source "$SRC_DIR/scripts/demo/chain_lib.sh"
FAILS=0
fail() { echo "FAIL: $*" >&2; FAILS=$((FAILS + 1)); }

FAKE=$TEST_TMP/fake_daemon
cp "$SRC_DIR/tests/e2e/fake_daemon.sh" "$FAKE"
chmod +x "$FAKE"
n=0
# scenario, limit in seconds, expected status of the wait, texts expected in
# its output, separated by "|" (the steps reached or the one that did not happen).
while IFS='#' read -r scenario limit want text; do
    n=$((n + 1))
    sites_init "$TEST_TMP/s$n"
    SHIPPER=$FAKE RECEIVER=$FAKE
    _new_depot "$DEPOT_A"
    _new_depot "$DEPOT_B"
    mkdir -p "$INTAKE_B"
    request=$DEPOT_A/m_bay/_ship_out/mship.$NNN.$LOC_B
    : > "$request"
    export FAKE_SCENARIO=$scenario FAKE_REQUEST=$request FAKE_INTAKE=$INTAKE_B FAKE_STREAM=$STREAM
    # A confirmation of an earlier packet is not the one waited for.
    [ "$scenario" = stall ] && echo "1-Dec-2026.1:2:3 UTC +0000" > "$INTAKE_B/$STREAM.epoc"
    mark=$(confirmation_mark)
    echo "   an earlier packet" | tee "$DEPOT_A/m_bay/logs/shipper_TOCs.txt" > "$DEPOT_B/m_bay/logs/receiver_TOCs.txt"
    tocs=$(toc_marks)
    start=$SECONDS
    (
        export FAKE_ROLE=receiver
        start_receiver || exit 1
        export FAKE_ROLE=shipper
        start_shipper || exit 1
        wait_for_confirmation "$limit" "$mark"
    ) > "$TEST_TMP/wait.out" 2>&1
    got=$?
    # What this run packed and applied, and nothing older.
    show_replication "$tocs" >> "$TEST_TMP/wait.out"
    grep -q "an earlier packet" "$TEST_TMP/wait.out" && fail "$scenario: an earlier packet is shown"
    took=$((SECONDS - start))
    [ "$got" = "$want" ] || fail "$scenario: status $got, expected $want: $(cat "$TEST_TMP/wait.out")"
    IFS='|' read -ra texts <<< "$text"
    for t in "${texts[@]}"; do
        grep -qF -- "$t" "$TEST_TMP/wait.out" || fail "$scenario: [$t] missing from: $(cat "$TEST_TMP/wait.out")"
    done
    [ "$took" -le $((limit + 12)) ] || fail "$scenario: the wait took ${took}s"
    stop_daemons || fail "$scenario: stopping the stand-ins failed"
    for d in "$DEPOT_A" "$DEPOT_B"; do
        _running "$FAKE" "$d" && fail "$scenario: a stand-in still runs for $d"
    done
done <<'EOT'
ok#30#0#done: the shipper takes the shipping request mship.005.siteB|done: the packet epoc.005.siteB.siteA reaches siteB's receiving directory|done: siteB applies the packet and confirms it (epoc.005.siteB.siteA.epoc)|    packed src/main.c@@/main/2|    applied src/main.c@@/main/2
shipfail#30#1#step not done: the shipper takes the shipping request mship.005.siteB: the shipper's pass ended with an error:
recvfail#30#1#step not done: siteB applies the packet and confirms it (epoc.005.siteB.siteA.epoc): the receiver reported errors:
shipdies#30#1#step not done: the shipper takes the shipping request mship.005.siteB: the shipper is no longer running
stall#3#1#step not done within 3s: the shipper takes the shipping request mship.005.siteB|(nothing new)
nostart#30#1#step not done: the receiver did not start (exit 1): START_FAILED: no view
EOT
[ "$FAILS" = 0 ] || { echo "$FAILS failure(s)" >&2; exit 1; }
echo "all checks passed"

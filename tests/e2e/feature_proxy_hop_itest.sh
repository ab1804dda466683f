#!/bin/bash
# The whole chain across one proxy hop: site A's host map names an
# intermediate "remote" directory instead of B's receiving directory, and
# vandrel_proxy, run by hand as cron would run it, carries each package from
# there into B's receiving directory and B's confirmation back. Nothing
# reaches B before the relay runs; the relay leaves nothing behind on the
# remote side but the confirmation; the shipper's second pass takes its
# since time from the relayed confirmation; after each round both VOBs agree.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/hop bash tests/e2e/feature_proxy_hop_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib batch_lib
command -v lftp > /dev/null || die "lftp is not installed (scripts/setup.sh)"

itest_make_sites
REMOTE=$SITES_ROOT/relay
mkdir -p "$REMOTE" "$TEST_TMP/tmp"
export TMPDIR=$TEST_TMP/tmp
me=$(id -un)
# A delivers into the relay directory.
passkey=$(vandrel_packet passkey file:/// "$me" demo "$REMOTE") || die "no passkey for A"
printf '[%s]\n' "$passkey" > "$DEPOT_A/m_bay/config/hostmaps/$LOC_B.hostmap"
# The hop: B's receiving directory is local, the relay directory remote.
passkey=$(vandrel_packet passkey file:/// relay secret "$REMOTE") || die "no passkey for the hop"
printf 'lftp\n%s\n[%s]\n' "$INTAKE_B" "$passkey" > "$TEST_TMP/hop.proxy"
ALL_A=$DEPOT_A/m_bay/logs/shipper_all.txt

# completed_passes: how many passes of the stream the shipper completed.
completed_passes() { grep -cF "Completed (mship.$NNN.$LOC_B)" "$ALL_A" 2> /dev/null; }

# sent WHAT BEFORE: waits (bounded) until the shipper completed a pass beyond
# BEFORE, then checks that the package waits whole in the relay directory
# and that nothing of it reached B.
sent() {
    local i
    for ((i = 0; i < 600; i++)); do
        [ "$(($(completed_passes)))" -gt "$2" ] && break
        grep -qF "Completed with error (mship.$NNN.$LOC_B)" "$ALL_A" 2> /dev/null \
            && die "$1: the shipper's pass failed: $(grep -v '^\s' "$ALL_A" | tail -n 6)"
        sleep 0.1
    done
    [ "$(($(completed_passes)))" -gt "$2" ] || die "$1: the shipper did not complete a pass within 60s"
    has_file "$REMOTE/$STREAM.pack"
    has_file "$REMOTE/$STREAM.crc"
    compgen -G "$INTAKE_B/$STREAM.*" | grep -v "\.epoc\$" && fail "$1: parts reached B before the relay ran"
}

# relay WHAT: one run of the hop; it must deliver the package whole.
relay() {
    timeout 120 vandrel_proxy "$TEST_TMP/hop.proxy" > "$TEST_TMP/relay.out" 2>&1 || fail "$1: the relay failed"
    grep -qF "delivered whole to ($INTAKE_B)" "$TEST_TMP/relay.out" \
        || fail "$1: the relay did not deliver the package: $(cat "$TEST_TMP/relay.out")"
    no_file "$REMOTE/$STREAM.pack"
    no_file "$REMOTE/$STREAM.crc"
}

# applied WHAT: B confirms the relayed package; a second relay run pushes the
# confirmation back unchanged; the VOBs agree.
applied() {
    wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 \
        || die "$1 was not applied at B: $(cat "$TEST_TMP/wait.out")"
    mark=$(confirmation_mark)
    timeout 120 vandrel_proxy "$TEST_TMP/hop.proxy" > "$TEST_TMP/push.out" 2>&1 || fail "$1: the push failed"
    grep -qF 'GOOD "PUSH"' "$TEST_TMP/push.out" || fail "$1: no good push: $(cat "$TEST_TMP/push.out")"
    cmp -s "$INTAKE_B/$STREAM.epoc" "$REMOTE/$STREAM.epoc" || fail "$1: the relayed confirmation differs from B's"
    compare_sites > "$TEST_TMP/cmp.out" 2>&1 || fail "after $1 the VOBs differ: $(head -n 20 "$TEST_TMP/cmp.out")"
    # Only the relayed confirmation stays: no backup of the one it replaced.
    leftover=$(ls -A "$REMOTE" | grep -v "^$STREAM\.epoc\$")
    [ -z "$leftover" ] || fail "after $1 the relay directory holds: $leftover"
}

mark=$(confirmation_mark)
trap stop_daemons EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
sent "the first history" 0
grep -qF -- "---- packaging all data since VOB creation for (mship.$NNN.$LOC_B.$LOC_A)" "$ALL_A" \
    || fail "the first packet did not carry the whole history"
relay "the first history"
applied "the first history"

# The second pass starts from the confirmation the relay brought back.
since=$(awk '{ print $1; exit }' "$REMOTE/$STREAM.epoc")
[ -n "$since" ] || die "the relayed confirmation is empty"
before=$(($(completed_passes)))
hold_shipping || die "the shipper did not stop"
change_history "$VIEW_A_WORK" "$VOB_A" || die "changes at A"
resume_shipping || die "the shipper did not start again"
sent "the changes" "$before"
grep -qF -- "---- packaging all data since ($since) for (mship.$NNN.$LOC_B.$LOC_A)" "$ALL_A" \
    || fail "the second packet did not start from the relayed confirmation ($since): $(grep -F 'packaging all data' "$ALL_A")"
relay "the changes"
applied "the changes"
no_file "/view/$VIEW_B$VOB_B/src/Makefile"
content "replication started" "/view/$VIEW_B$VOB_B/doc/CHANGES"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"
[ -z "$(ls -A "$TMPDIR")" ] || fail "work files left in TMPDIR: $(ls -A "$TMPDIR")"
finish

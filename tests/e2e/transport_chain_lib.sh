# shellcheck shell=bash
# The whole chain through sftp, for the transport chain tests: sshd for
# site B (on an address, perhaps behind a prefix such as "ip netns exec NS"),
# site A's shipper with the OpenSSH wrapper, the first history and then the
# later changes replicated and compared, both daemons stopped on request.
# Source it inside the sandbox after tests/support/itest_lib.sh,
# tests/clearcase/lib.sh, sites_lib.sh, chain_lib.sh and sftp_lib.sh, then
# call sftp_chain ADDRESS [PREFIX...].
# Add to CHAIN_STOP what the caller needs done on the way out.

CHAIN_STOP=${CHAIN_STOP:-}
SSHD_DIR=$TEST_TMP/sshd

chain_stop() {
    stop_daemons
    sftp_sshd_stop "$SSHD_DIR"
    eval "$CHAIN_STOP"
}

sftp_chain() {
    local address=$1 b
    shift
    trap chain_stop EXIT
    sites_init "$TEST_TMP/sites"
    sftp_sshd_start "$SSHD_DIR" "$address" 300 "$@" 2> "$TEST_TMP/sshd.err" || die "sshd: $(cat "$TEST_TMP/sshd.err")"
    sftp_use_for_sites
    make_sites > "$TEST_TMP/make.out" 2>&1 || die "make_sites: $(cat "$TEST_TMP/make.out")"
    sftp_install_at_a "$SSHD_DIR" || die "the wrapper at site A"
    b=/view/$VIEW_B$VOB_B

    mark=$(confirmation_mark)
    start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
    itest_replicate "the first history"
    content "$(cat "/view/$VIEW_A_WORK$VOB_A/src/util.c@@/main/dev/1")" "$b/src/util.c@@/main/dev/1"
    # The changes are made while the shipper rests: a running shipper may
    # take the request half-way through them, and its next pass, finding
    # B still at that packet, ends as "receiver busy", which the wait counts
    # as a failed pass. The transport is what is tested here, not that race.
    timeout 60 "$SHIPPER" "$DEPOT_A" -stop > "$TEST_TMP/pause.out" 2>&1 < /dev/null \
        || die "the shipper did not stop for the changes: $(cat "$TEST_TMP/pause.out")"
    change_history "$VIEW_A_WORK" "$VOB_A" || die "changes at A"
    start_shipper 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
    itest_replicate "the changes, removals and locks"
    no_file "$b/src/Makefile"
    content "replication started" "$b/doc/CHANGES"

    stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
    content "Stopped to honor stop request..." "$DEPOT_A/daemon/vandrel_shipper.daemon_stopped"
    content "Stopped to honor stop request..." "$DEPOT_B/daemon/vandrel_receiver.daemon_stopped"
    # The shipper really took the sftp road, and no session left a word in
    # its error log (the wrapper keeps the expected "not found" of a
    # confirmation not there yet out of it).
    grep -qF 'Using "sftp" program class' "$DEPOT_A/m_bay/logs/shipper_all.txt" \
        || fail "the shipper did not use the sftp kind"
    grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"
    grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
    # Nothing half-sent stays in B's receiving directory: only the confirmation.
    eq "$STREAM.epoc" "$(ls -A "$INTAKE_B" | tr '\n' ' ' | sed 's/ $//')" "what stays in $INTAKE_B"
}

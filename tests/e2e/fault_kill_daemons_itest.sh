#!/bin/bash
# kill -9 of either daemon in the middle of a packet, then a restart.
#  - The shipper dies while it sends: its transfer has put the packet's data
#    into B's receiving directory but not its trailer. Restarted, it ships
#    the next change in a packet bounded by B's last confirmation, which
#    replaces the half-delivered one and carries its history too.
#  - The receiver dies in its pre-receive trigger, before it takes the
#    packet: restarted, it applies the packet it finds.
#  - The receiver dies while it applies: the import of the versions has run,
#    the confirmation is not written. Restarted, it drops its interrupted
#    work; the next packet carries the same versions again and they are not
#    applied twice.
# Neither daemon's leftovers (lock files of a dead process, its pending
# descriptor) keep it from starting or from working; after each round both
# VOBs agree.
#
# Programs on PATH in front of the real ones hold the daemons at a known
# point: lftp, for the sending session, leaves out the trailer and waits;
# clearimport waits after the real import; so does the receiver's
# pre-receive trigger. Each holds once, when asked.
#
# By hand (absolute paths):
#   BUILD_DIR=$PWD/build SRC_DIR=$PWD TEST_TMP=/tmp/kill bash tests/e2e/fault_kill_daemons_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib faults_lib

itest_make_sites
B=/view/$VIEW_B$VOB_B
A=/view/$VIEW_A_WORK$VOB_A
PACKET=$INTAKE_B/$STREAM

# The holding programs. hold_<name> asks for one hold; the program leaves
# held_<name> with its process id and waits to be killed.
WRAP=$TEST_TMP/wrap
mkdir -p "$WRAP"
cat > "$WRAP/lftp" <<END
#!/bin/bash
# lftp -f SCRIPT
if [ "\$1" = -f ] && grep -q '^put ".*\.pack"\$' "\$2" && rm "$WRAP/hold_lftp" 2> /dev/null; then
    grep -v '^put ".*\.pack"\$' "\$2" > "\$2.held"
    $(command -v lftp) -f "\$2.held"
    rm -f "\$2.held"
    echo \$\$ > "$WRAP/held_lftp"
    exec sleep 120
fi
exec $(command -v lftp) "\$@"
END
cat > "$WRAP/clearimport" <<END
#!/bin/bash
$(command -v clearimport) "\$@"
rc=\$?
if rm "$WRAP/hold_clearimport" 2> /dev/null; then
    echo \$\$ > "$WRAP/held_clearimport"
    sleep 120
fi
exit \$rc
END
cat > "$DEPOT_B/m_bay/_triggers/hold_receive.sh" <<END
#!/bin/bash
if rm "$WRAP/hold_pre_receive" 2> /dev/null; then
    echo \$\$ > "$WRAP/held_pre_receive"
    exec sleep 120
fi
END
chmod +x "$WRAP/lftp" "$WRAP/clearimport" "$DEPOT_B/m_bay/_triggers/hold_receive.sh"
printf 'pre_receive_trigger=hold_receive.sh\n' >> "$DEPOT_B/m_bay/config/receiver.conf"
PATH=$WRAP:$PATH

# held NAME: the program holds; release NAME ends it.
held() { [ -s "$WRAP/held_$1" ]; }
release() { kill -9 "$(cat "$WRAP/held_$1")" 2> /dev/null; }

# replicate WHAT: waits for B to confirm the packet that carries WHAT, then
# compares the two VOBs.
replicate() {
    wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 \
        || die "$1 was not replicated: $(cat "$TEST_TMP/wait.out")"
    compare_sites > "$TEST_TMP/cmp.out" 2>&1 || fail "after $1 the VOBs differ: $(head -n 20 "$TEST_TMP/cmp.out")"
    mark=$(confirmation_mark)
}

# versions ELEMENT: the versions of ELEMENT at A and at B, as each lists them.
versions() { cd "$1" && cleartool lsvtree -s "$2" 2>&1 | sed 's/.*@@//'; }

mark=$(confirmation_mark)
trap 'release lftp; release clearimport; release pre_receive; stop_daemons' EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
replicate "the first history"

# The shipper dies in the middle of sending packet 2.
touch "$WRAP/hold_lftp"
with_shipper_stopped change_history "$VIEW_A_WORK" "$VOB_A" 2> "$TEST_TMP/change.err" || die "changes at A: $(cat "$TEST_TMP/change.err")"
wait_until 60 "the shipper sends packet 2" held lftp || die "$(tail -n 5 "$DEPOT_A/m_bay/logs/shipper_errors.txt")"
has_file "$PACKET.crc"
no_file "$PACKET.pack"
kill_hard "$SHIPPER" "$DEPOT_A" || die "the shipper was not killed"
release lftp
eq "$mark" "$(confirmation_mark)" "B's confirmation after the shipper died"
ls -l "$DEPOT_A/daemon" > "$TEST_TMP/shipper_leftovers.txt"
small_change "$VIEW_A_WORK" "$VOB_A" "Sent after the shipper was killed." || die "a change at A"
start_shipper 2> "$TEST_TMP/start.err" || die "the killed shipper does not start again: $(cat "$TEST_TMP/start.err")"
replicate "the changes of the killed shipper's packet"
content "Sent after the shipper was killed." "$B/doc/README"
content "replication started" "$B/doc/CHANGES"
no_file "$B/src/Makefile"

# The receiver dies in its pre-receive trigger for packet 4.
touch "$WRAP/hold_pre_receive"
small_change "$VIEW_A_WORK" "$VOB_A" "Kept when the receiver was killed." || die "a change at A"
wait_until 60 "the receiver takes packet 4" held pre_receive || die "$(tail -n 5 "$DEPOT_B/m_bay/logs/receiver_errors.txt")"
kill_hard "$RECEIVER" "$DEPOT_B" || die "the receiver was not killed"
release pre_receive
has_file "$PACKET.pack"
start_receiver 2> "$TEST_TMP/start.err" || die "the killed receiver does not start again: $(cat "$TEST_TMP/start.err")"
replicate "the packet the receiver had not taken"
content "Kept when the receiver was killed." "$B/doc/README"

# The receiver dies after the import of packet 5's versions.
touch "$WRAP/hold_clearimport"
small_change "$VIEW_A_WORK" "$VOB_A" "Applied when the receiver was killed." || die "a change at A"
wait_until 60 "the receiver imports packet 5" held clearimport || die "$(tail -n 5 "$DEPOT_B/m_bay/logs/receiver_errors.txt")"
kill_hard "$RECEIVER" "$DEPOT_B" || die "the receiver was not killed"
release clearimport
eq "$mark" "$(confirmation_mark)" "B's confirmation after the receiver died"
has_file "$PACKET.pack_pending"
ls -l "$DEPOT_B/daemon" > "$TEST_TMP/receiver_leftovers.txt"
start_receiver 2> "$TEST_TMP/start.err" || die "the killed receiver does not start again: $(cat "$TEST_TMP/start.err")"
wait_until 30 "the receiver drops its interrupted packet" eval "[ ! -e '$PACKET.pack_pending' ]" \
    || die "the interrupted packet stays: $(ls "$INTAKE_B")"
sleep 1
small_change "$VIEW_A_WORK" "$VOB_A" "Sent after the receiver was killed." || die "a change at A"
replicate "the changes after the receiver was killed"
content "Sent after the receiver was killed." "$B/doc/README"
eq "$(versions "$A" doc/README)" "$(versions "$B" doc/README)" "versions of doc/README at B"
# Six packets were built, the second never delivered whole, the fifth
# imported but never confirmed; four were applied and confirmed.
eq 6 "$(_count "-- TOC for \"replication\" package" "$DEPOT_A/m_bay/logs/shipper_TOCs.txt")" "packets built"
eq 4 "$(applied_packets)" "packets applied"
eq "$INTAKE_B/$STREAM.epoc" "$(echo "$INTAKE_B/$STREAM".*)" "B's packet files"
# The import output of the receiver killed in packet 5 (catcho.<pid>,
# catche.<pid>) went with the restart, each file with its line.
ls -A "$INTAKE_B" | grep -E '^catch[oe]\.' && fail "import output of the killed receiver stays in $INTAKE_B"
for out in catcho catche; do
    eq 1 "$(grep -cE "\] -- removed \(.*/$out\.[0-9]+\): import output left by an interrupted receiver run\$" \
        "$DEPOT_B/m_bay/logs/receiver_all.txt")" "removals of $out logged"
done
# The one error of the receiver is the interrupted packet it dropped.
eq 1 "$(_count "Aborted: tossed received packet ($PACKET.pack_pending)..." "$DEPOT_B/m_bay/logs/receiver_errors.txt")" \
    "the interrupted packet dropped"
eq 1 "$(_count "Aborted" "$DEPOT_B/m_bay/logs/receiver_errors.txt")" "packets the receiver tossed"
grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
finish

#!/bin/bash
# The road of received packets through vandrel_receiver, with packets made
# by vandrel_packet and the ClearCase substitute: confirmation, locked VOB,
# trigger refusal, missing, foreign, damaged and incomplete packets, test
# mode, a leftover pending descriptor, and a stop request between packets.
. "$SRC_DIR/tests/clearcase/lib.sh"
. "$SRC_DIR/tests/receiver/receiver_lib.sh"

cleartool mkvob -tag /vobs/dst -nc /store/dst.vbs > /dev/null || die "mkvob"
cleartool mkvob -tag /vobs/bare -nc /store/bare.vbs > /dev/null || die "mkvob bare"
for i in 1 2 3 4; do
    cleartool mktrtype -element -all -postop checkin -execunix true "QUORLIN_$i@/vobs/dst" > /dev/null || die "mktrtype"
done
cleartool mkview -tag imp /store/imp.vws > /dev/null || die "mkview"

new_depot "$TEST_TMP/r"
IN="$TEST_TMP/r/in"
mkdir -p "$IN"
ENVLOG="$TEST_TMP/r/trigger_env"
# The triggers record what they were told; the pre-receive one refuses
# while $TEST_TMP/r/refuse exists and leaves a stop request while
# $TEST_TMP/r/stop_after exists.
cat > "$TRIG/pre.sh" << EOS
#!/bin/sh
env | grep '^VANDREL_' | sort | sed 's/^/pre /' >> "$ENVLOG"
[ -e "$TEST_TMP/r/stop_after" ] && : > "$DDIR/vandrel_receiver.daemon_stop"
[ -e "$TEST_TMP/r/refuse" ] && exit 3
exit 0
EOS
cat > "$TRIG/post.sh" << EOS
#!/bin/sh
env | grep '^VANDREL_' | sort | sed 's/^/post /' >> "$ENVLOG"
EOS
chmod +x "$TRIG/pre.sh" "$TRIG/post.sh"
write_conf "pre_receive_trigger=pre.sh" "post_receive_trigger=post.sh" \
    "$TEST_TMP/r/no_such_dir>preserve>allow_rmelem_all" \
    "$IN > preserve > allow_rmver, allow_rmver_none, allow_rmtype_all, allow_rmlbtype_none"
ALL="$LOGS/receiver_all.txt"
P=epoc.001.east.west

run_once() { "$RCV" "$D" "${1:--once}" -wait > "$TEST_TMP/r/run.out" 2>&1; }
# fresh: forget earlier logs and trigger records.
fresh() { : > "$ALL"; : > "$ENVLOG"; rm -f "$TEST_TMP/r/refuse" "$TEST_TMP/r/stop_after"; }
logged() { grep -qF -- "$1" "$ALL" || fail "${2:-log} lacks: $1"; }
not_logged() { grep -qF -- "$1" "$ALL" && fail "${2:-log} should not hold: $1"; }
# Only these names may be left in the receiving directory.
only_left() {
    local want left
    want=$([ $# -gt 0 ] && printf '%s\n' "$@" | sort | tr '\n' ' ')
    left=$(ls -A "$IN" | sort | tr '\n' ' ')
    eq "$want" "$left" "files left in the receiving directory"
}
whole_packet() {
    make_packet "$IN" "$1" "${2:-/vobs/dst}" "${3:-/vobs/dst}" "${4:-}" || die "make_packet $1"
    trailer "$IN" "$1" "${2:-/vobs/dst}" 1 "$(integrity_line "$IN" "$1")"
}

# --- success and confirmation ---------------------------------------------
fresh
whole_packet $P
TRAILER_TEXT=$(cat "$IN/$P.pack")
run_once
only_left $P.epoc
eq "$TRAILER_TEXT" "$(cat "$IN/$P.epoc")" "the confirmation is the trailer"
logged "Successfully processed package ($IN/$P.crc)..."
logged "--- Packet contains 1 element version..."
logged "  - Using optional (allow_rmver) ..." "earliest option wins"
logged "  - Using optional (allow_rmlbtype) ..." "group overrides"
logged "  - Using optional (allow_rmattype) ..." "group sets its members"
logged "  - Using optional (allow_rmelem_none) ..." "options of another line"
not_logged "no_such_dir"
grep -q 'received/converted config. spec.' <(cleartool catcs -tag imp) || fail "config spec not set on the view"
for want in "pre VANDREL_PACKET_STATUS=Pending" "pre VANDREL_PACKAGE_TYPE=" "pre VANDREL_RECEIVING_VOB=" \
    "post VANDREL_PACKET_STATUS=OK" "post VANDREL_PACKAGE_NAME=$P.pack" "post VANDREL_KEY_ID=001" \
    "post VANDREL_RECEIVING_LOCATION=east" "post VANDREL_SHIPPING_LOCATION=west" \
    "post VANDREL_RECEIVING_VOB=/vobs/dst" "post VANDREL_PACKAGE_TYPE=vob_to_vob" \
    "post VANDREL_RECEIVING_PROTECTIONS=preserve" \
    "post VANDREL_RECEIVING_DIR=$IN " "post VANDREL_THIS_LOCATION=east" "post VANDREL_RECEIVER_WHICH=" \
    "post VANDREL_RECEIVER_VERSION=12.1" "post VANDREL_LOGGING_DIR=$LOGS" "post VANDREL_TRIGGER_TYPE=post_receive"; do
    grep -qxF -- "$want" "$ENVLOG" || fail "trigger environment lacks [$want]"
done
rm -f "$IN/$P.epoc"

# --- a second packet replaces an old confirmation; an unmounted VOB is mounted
fresh
echo old > "$IN/$P.epoc"
cleartool umount /vobs/dst > /dev/null
whole_packet $P
run_once
only_left $P.epoc
[ "$(head -c 10 "$IN/$P.epoc")" = "10-Dec-202" ] || fail "old confirmation not replaced"
cleartool lsvob /vobs/dst | grep -q '^\*' || fail "VOB not mounted by the receiver"
rm -f "$IN/$P.epoc"

# --- test mode changes nothing --------------------------------------------
fresh
whole_packet $P
before=$(cd "$IN" && ls -l --time-style=full-iso && sha256sum ./*)
run_once -test_once
after=$(cd "$IN" && ls -l --time-style=full-iso && sha256sum ./*)
eq "$before" "$after" "receiving directory after -test_once"
logged "TEST ONLY: ====== Would process appropiate packet ====== ..."
not_logged "Successfully processed"
[ -s "$ENVLOG" ] && fail "no trigger runs in test mode"

# --- a locked VOB: the packet waits, reported once, then is taken ----------
fresh
cleartool lock vob:/vobs/dst > /dev/null || die "lock"
"$RCV" "$D" -start -wait > "$TEST_TMP/r/daemon.out" 2>&1 &
dpid=$!
for _ in $(seq 1 100); do [ "$(grep -c 'Skipped packet' "$ALL")" -ge 1 ] && break; sleep 0.1; done
sleep 4 # more than one pass
eq 1 "$(grep -c "Skipped packet ($IN/$P.pack) for locked VOB (/vobs/dst)..." "$ALL")" "locked VOB reports"
eq "$before" "$(cd "$IN" && ls -l --time-style=full-iso && sha256sum ./*)" "files of a packet for a locked VOB"
grep -qF "Skipped packet" "$LOGS/receiver_warnings.txt" || fail "skip is a warning"
cleartool unlock vob:/vobs/dst > /dev/null
for _ in $(seq 1 100); do [ -e "$IN/$P.epoc" ] && break; sleep 0.1; done
[ -e "$IN/$P.epoc" ] || fail "packet not taken after the VOB was unlocked"
timeout 30 "$RCV" "$D" -stop > /dev/null
wait $dpid
only_left $P.epoc
rm -f "$IN/$P.epoc"

# --- tossed packets, each with its message and nothing applied -------------
# Each case: a name, how to spoil the packet, and the message expected.
toss_case() {
    local what=$1 message=$2
    fresh
    rm -f "$IN"/*
    cleartool setcs -tag imp <(printf 'element * /main/0\n') > /dev/null
    shift 2
    "$@"
    run_once
    only_left
    logged "$message" "$what"
    not_logged "Successfully processed" "$what"
    # The config spec is set just before the target directory is looked for.
    [ "$what" != "no target dir" ] && cleartool catcs -tag imp | grep -q 'received/converted' &&
        fail "$what: config spec applied"
}
refused() { whole_packet $P; : > "$TEST_TMP/r/refuse"; }
missing_data() { trailer "$IN" $P /vobs/dst; }
other_key() {
    "$PKT" tables | sed -n 1p > "$TEST_TMP/r/k"
    k=$(cat "$TEST_TMP/r/k")
    printf '%s' "${k:3:3}${k:0:3}${k:6}" > "$TEST_TMP/r/other_key"
    make_packet "$IN" $P /vobs/dst /vobs/dst "$TEST_TMP/r/other_key"
    trailer "$IN" $P /vobs/dst
}
part_removed() { whole_packet $P; rm "$IN/$P.crc_1"; }
part_added() { whole_packet $P; cp "$IN/$P.crc_1" "$IN/$P.crc_2"; }
corrupted() { whole_packet $P; printf 'X' | dd of="$IN/$P.crc" bs=1 seek=20 conv=notrunc 2> /dev/null; }
wrong_digest() {
    make_packet "$IN" $P /vobs/dst /vobs/dst
    trailer "$IN" $P /vobs/dst 1 "sha256 1 $(printf '%064d' 0) $(printf '%064d' 0)"
}
truncated_old_trailer() {
    make_packet "$IN" $P /vobs/dst /vobs/dst
    head -c 40 "$IN/$P.crc" > "$IN/t" && mv "$IN/t" "$IN/$P.crc"
    trailer "$IN" $P /vobs/dst
}
unknown_vob() { whole_packet $P /vobs/none /vobs/none; }
no_trigger_types() { whole_packet $P /vobs/bare /vobs/bare; }
no_target_dir() { whole_packet $P /vobs/dst /vobs/dst/no/such/dir; }
climbing_path() { whole_packet $P /vobs/dst /vobs/dst/../../etc; }
no_destination() { whole_packet $P - -; }

toss_case "pre-receive refusal" "Denied by pre_receive trigger... Packet tossed... " refused
grep -q '^post' "$ENVLOG" && fail "post-receive trigger ran after a pre-receive refusal"
toss_case "missing data file" "Missing package ($IN/$P.crc)..." missing_data
grep -qxF "post VANDREL_PACKET_STATUS=NOK" "$ENVLOG" || fail "tossed packet: post-receive status not NOK"
toss_case "another key" "Aborted: Decryption failed:tossed received package ($IN/$P.crc)..." other_key
logged "Received packet was encrypted with a different encryption key." "another key"
toss_case "part removed" "Incomplete or damaged package ($IN/$P.crc)" part_removed
toss_case "part added" "Incomplete or damaged package ($IN/$P.crc)" part_added
toss_case "corrupted" "Incomplete or damaged package ($IN/$P.crc)" corrupted
toss_case "digest not matching" "Incomplete or damaged package ($IN/$P.crc)" wrong_digest
toss_case "truncated without integrity line" "tossed received package ($IN/$P.crc)" truncated_old_trailer
toss_case "unknown VOB" "-- lsvob failed for (/vobs/none) Pass Aborted for package ($IN/$P.crc)..." unknown_vob
toss_case "no trigger types" "-- Quorlin not applied to VOB (/vobs/bare) Pass Aborted..." no_trigger_types
toss_case "no target dir" "-- required import directory (/view/imp/vobs/dst/no/such/dir) does not exist" no_target_dir
toss_case "climbing VOB path" "-- VOB path (/vobs/dst/../../etc) leaves the view root" climbing_path
toss_case "no destination" "-- missing VOB and deployment directory, Packet Invalid." no_destination

# --- text from a packet never runs as a command ----------------------------
fresh
evil="/vobs/x\$(touch $TEST_TMP/r/pwned)\`touch $TEST_TMP/r/pwned\`;touch $TEST_TMP/r/pwned"
whole_packet $P "$evil" "$evil"
run_once
[ -e "$TEST_TMP/r/pwned" ] && fail "a VOB tag from a packet ran as a command"
only_left

# --- links planted in a receiving directory are never written through ------
fresh
echo "keep me" > "$TEST_TMP/r/victim"
for n in $P.crc_pending $P.crz $P.xtar $P.unorm $P.pre $P.nele receiver.cs zeb.0000 zeb.0001; do
    ln -s "$TEST_TMP/r/victim" "$IN/$n"
done
whole_packet $P
ln -s "$IN/$P.pack" "$IN/epoc.009.east.west.pack"
run_once
eq "keep me" "$(cat "$TEST_TMP/r/victim")" "file behind a planted link"
eq 644 "$(stat -c %a "$TEST_TMP/r/victim")" "mode of the file behind a planted link"
logged "Successfully processed package ($IN/$P.crc)..."
logged "(epoc.009.east.west.pack) in receiving directory ($IN) is not a received packet descriptor; left alone."
[ -L "$IN/epoc.009.east.west.pack" ] || fail "a linked descriptor was acted on"
rm -f "$IN"/*

# --- a leftover pending descriptor is tossed; foreign names are left alone --
fresh
make_packet "$IN" epoc.002.east.west /vobs/dst /vobs/dst
trailer "$IN" epoc.002.east.west /vobs/dst
mv "$IN/epoc.002.east.west.pack" "$IN/epoc.002.east.west.pack_pending"
: > "$IN/epoc.002.east.west.crc_pending"
: > "$IN/notes.pack"
: > "$IN/epoc.003.east.west.packed"
: > "$IN/epoc.1.east.west.pack"
run_once
logged "-- ($IN/epoc.002.east.west.pack_pending) was left by an interrupted receiver run: its packet is tossed and the shipper's next packet covers its history"
logged "Aborted: tossed received packet ($IN/epoc.002.east.west.pack_pending)..."
[ -e "$IN/epoc.002.east.west.pack_pending" ] && fail "leftover pending descriptor kept"
[ -e "$IN/epoc.002.east.west.crc" ] || fail "the delivered packet file of a leftover was removed"
for n in notes.pack epoc.003.east.west.packed epoc.1.east.west.pack; do
    [ -e "$IN/$n" ] || fail "foreign name $n was acted on"
    logged "($n) in receiving directory ($IN) is not a received packet descriptor; left alone."
done
rm -f "$IN"/*

# --- a stop request is honoured between packets ----------------------------
fresh
whole_packet epoc.004.east.west
whole_packet epoc.005.east.west
: > "$TEST_TMP/r/stop_after"
"$RCV" "$D" -start -wait > "$TEST_TMP/r/daemon.out" 2>&1
eq 1 "$(ls "$IN" | grep -c '\.epoc$')" "packets confirmed before the stop"
eq 1 "$(ls "$IN" | grep -c '\.pack$')" "packets left waiting after the stop"
logged "encountered queued stop request"
eq "Stopped to honor stop request..." "$(cat "$DDIR/vandrel_receiver.daemon_stopped")" "stopped note"
rm -f "$IN"/*

finish

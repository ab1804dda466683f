#!/bin/bash
# Whole shipping passes against the ClearCase substitute and a real lftp on
# the local file system: history authored in a VOB whose triggers leave the
# requests, one pass per request, and the delivered (or held) packet decoded
# with vandrel_packet. The first packet carries the whole history, the next
# one what changed since the confirmed epoch (removals and locks included);
# a busy receiver skips the pass; the hold personality fills _hold_out.
source "$SRC_DIR/tests/shipping_pass/pass_lib.sh"
export PATH="$SRC_DIR/contrib/triggers:$PATH"
RECV=$TEST_TMP/recv
R=$RECV/epoc.001.siteB.siteA

make_depot
echo "depot=$D" > "$TEST_TMP/site"
install_vandrel_triggers /vobs/src "$TEST_TMP/site" 1 "$OUT" 1 /vobs/src siteB >/dev/null || die "triggers"
conf -- '1>/vobs/src>>.>/vobs/dst>.>siteB'
rm -rf "$RECV"; mkdir -p "$RECV"
printf '[%s]\n' "$(vandrel_packet passkey file:/// ship pw "$RECV")" > "$BAY/config/hostmaps/siteB.hostmap"

# inspect PACKET: its summary in $TEST_TMP/inspect.
inspect() {
    rm -rf "$TEST_TMP/x"
    vandrel_packet inspect "$1" "$TEST_TMP/x" > "$TEST_TMP/inspect" 2>&1 || fail "inspect $1: $(cat "$TEST_TMP/inspect")"
}
in_packet() { grep -qF -- "$1" "$TEST_TMP/inspect" || fail "not in the packet: $1"; }
in_unorm() { grep -qF -- "$1" "$TEST_TMP/x/unorm" || fail "not in the element description: $1"; }
not_in_packet() { grep -qF -- "$1" "$TEST_TMP/inspect" && fail "in the packet: $1"; return 0; }
# new_version TEXT: checks in a new version of f.c holding TEXT.
new_version() {
    ct checkout -nc f.c >/dev/null
    echo "$1" > f.c
    ct checkin -nc f.c >/dev/null
}

# History: an element with two versions, a label, an attribute.
cd /view/dev/vobs/src
ct checkout -nc . >/dev/null
echo one > f.c
ct mkelem -nc -ci f.c >/dev/null
ct ln -s f.c link_to_f >/dev/null
ct checkin -nc . >/dev/null
new_version two
ct mklbtype -nc REL1@/vobs/src >/dev/null
ct mklabel REL1 f.c >/dev/null
ct mkattype -nc Status@/vobs/src >/dev/null
ct mkattr Status '"tested"' f.c >/dev/null
has_file "$REQ"

# First packet: no epoch anywhere, so the whole history. What an earlier,
# broken-off pass left behind is removed first.
stale_tail=$(printf 'a%.0s' $(seq 100))
for f in "$E.crz" "$E.crz_1" "$E.crc" "$E.crc_1" "$E.crxi" "$E.crx" "$E.holla" "$E.$stale_tail" "$H.crc_1"; do
    echo stale > "$f"
done
once
has_text "---- packaging all data since VOB creation for (mship.001.siteB.siteA) siteB" "$LOGS/shipper_all.txt"
has_text "Completed (mship.001.siteB)" "$LOGS/shipper_all.txt"
no_file "$REQ"
has_file "$R.crc"
has_file "$R.pack"
eq "OK mship.001.siteB.siteA" "$(post_runs)" "post-ship run"
inspect "$R.crc"
in_packet "f.c@@/main/1"
in_packet "f.c@@/main/2"
in_unorm "Label 4:REL1"
in_unorm 'Attrib 15:Status="tested"'
in_packet "link_to_f>f.c"
eq "" "$(ls "$EPOCS")" "files left in the epocs directory"
no_file "$H.crc_1"

# The receiver confirms the packet: the next one covers what changed since,
# removals and locks included.
head -n 1 "$R.pack" | cut -d' ' -f1 > "$R.epoc"
since=$(cat "$R.epoc")
rm -f "$R.crc" "$R.pack"
sleep 1
new_version three
ct lock lbtype:REL1@/vobs/src >/dev/null
ct rmver -force f.c@@/main/1 >/dev/null
: > "$LOGS/post_runs"
once
has_text "---- packaging all data since ($since) for (mship.001.siteB.siteA) siteB" "$LOGS/shipper_all.txt"
inspect "$R.crc"
in_packet "f.c@@/main/3"
not_in_packet "f.c@@/main/2"
grep -q "REL1" "$TEST_TMP/x/dhist" || fail "no lock record: $(cat "$TEST_TMP/x/dhist")"
grep -q "f.c@@/main/1" "$TEST_TMP/x/dhist" || fail "no removal record: $(cat "$TEST_TMP/x/dhist")"
eq "OK mship.001.siteB.siteA" "$(post_runs)" "post-ship run"
has_file "$R.epoc"

# An epoch file that does not begin with a date-time: the whole history.
rm -f "$R.crc" "$R.pack"
echo "garbage; rm -rf /" > "$R.epoc"
new_version four
once
has_text "   Invalid epoc file received : reverted to shipper epoc..." "$LOGS/shipper_warnings.txt"
inspect "$R.crc"
in_packet "f.c@@/main/2"
in_packet "f.c@@/main/4"

# A busy receiver: the pass is skipped and the request kept, so the next
# pass tries again without waiting for another change in the VOB.
rm -f "$R.crc" "$R.pack"
echo busy > "$R.pack_pending"
new_version five
: > "$LOGS/post_runs"
once
has_text "   Receiving site is currently processing packet predecessor (packet skipped - for now)" \
    "$LOGS/shipper_warnings.txt"
no_file "$R.crc"
has_file "$REQ"
has_text "-- shipping request for (mship.001.siteB.siteA) kept: the next pass tries again" "$LOGS/shipper_all.txt"
eq "NOK mship.001.siteB.siteA" "$(post_runs)" "post-ship run of a skipped pass"
has_file "$R.pack_pending"
# Once the receiver is done, the kept request ships the change.
rm -f "$R.pack_pending"
once
no_file "$REQ"
inspect "$R.crc"
in_packet "f.c@@/main/5"
rm -f "$R.crc" "$R.pack"

# A transfer program that never ends: transport_time_limit= ends each of its
# runs, so the pass fails within seconds and nothing reaches the receiver.
mkdir -p "$TEST_TMP/hang"
printf '#!/bin/sh\nexec sleep 60\n' > "$TEST_TMP/hang/lftp"
chmod +x "$TEST_TMP/hang/lftp"
conf transport_time_limit=2 -- '1>/vobs/src>>.>/vobs/dst>.>siteB'
request
: > "$LOGS/post_runs"
before=$(ls "$EPOCS")
start=$(date +%s)
PATH="$TEST_TMP/hang:$PATH" once
elapsed=$(($(date +%s) - start))
[ "$elapsed" -lt 30 ] || fail "a hanging transfer program held the pass ${elapsed}s"
has_text "--- transfer session of (lftp) ended after its time limit of 2 seconds ---- " "$LOGS/shipper_errors.txt"
eq "NOK mship.001.siteB.siteA" "$(post_runs)" "post-ship run after the time limit"
no_file "$R.crc"
no_file "$R.pack"
eq "$before" "$(ls "$EPOCS")" "the epocs directory after the time limit"

# The hold personality: the packet and its trailer wait in _hold_out; a
# busy flag there skips the next pass.
conf -- '1>/vobs/src>>.>/vobs/dst>.>siteB>hold'
new_version six
once
has_text "-- holding packet instructions for (mship.001.siteB.siteA) siteB for external process" \
    "$LOGS/shipper_all.txt"
has_file "$H.pack"
grep -qx '[0-9]*-[A-Z][a-z][a-z]-[0-9]*\.[0-9]*:[0-9]*:[0-9]* UTC +0100' <(sed -n 1p "$H.pack") ||
    fail "trailer epoch: $(sed -n 1p "$H.pack")"
eq "</vobs/dst>" "$(sed -n 2p "$H.pack")" "trailer destination"
eq "[6]" "$(sed -n 3p "$H.pack")" "trailer version count"
inspect "$H.crc"
in_packet "f.c@@/main/6"
no_file "$R.crc"
echo busy > "$H.pack_pending"
new_version seven
once
has_text "   Receiving site is currently processing packet predecessor in the _hold_out (packet skipped - for now)" \
    "$LOGS/shipper_warnings.txt"

# One replicated file, held: its history alone travels.
conf -- '3>/vobs/src>>f.c>/vobs/dst>f.c>siteB>hold'
cp "$BAY/config/config_specs/001.cs" "$BAY/config/config_specs/003.cs"
printf '%s VLso_12.1_l %s' "$(scrambled "$DBID")" "$(scrambled "$(date +%s)_l")" > "$OUT/mship.003.siteB"
once
inspect "$HOLD/epoc.003.siteB.siteA.crc"
in_packet "f.c@@/main/7"
in_packet "destination path:    /vobs/dst/f.c"
not_in_packet "link_to_f"

# A deployment of the VOB's files, held: the packet names its location and
# carries the files as the export view shows them.
conf -- '2>/vobs/src>>.>/[D] /opt/site>.>siteB>hold'
cp "$BAY/config/config_specs/001.cs" "$BAY/config/config_specs/002.cs"
printf '%s VLso_12.1_l %s' "$(scrambled "$DBID")" "$(scrambled "$(date +%s)_l")" > "$OUT/mship.002.siteB"
once
has_text "DEPLOYMENT package building STARTED for package (mship.002.siteB.siteA) from directory (/view/exp/vobs/src):" \
    "$LOGS/shipper_deploys.txt"
has_text "DEPLOYMENT package HELD for package (mship.002.siteB.siteA)" "$LOGS/shipper_deploys.txt"
inspect "$HOLD/epoc.002.siteB.siteA.crc"
in_packet "deployment location: /opt/site"
grep -q "seven" "$TEST_TMP/x"/zeb.* || fail "the deployed file's content is not in the packet"

finish

#!/bin/bash
# Two sites on one machine: the shipper of siteA ships VOB /vobs/src with
# lftp into the bay of siteB, whose receiver applies the packet to /vobs/dst
# and confirms it; the next packet starts at that confirmation.
source "$SRC_DIR/tests/shipping_pass/pass_lib.sh"
export PATH="$SRC_DIR/contrib/triggers:$PATH"

# The receiving site: its VOB, import view and depot.
ct mkvob -tag /vobs/dst -nc /store/dst.vbs > /dev/null
for n in 1 2 3 4; do ct mktrtype -element -all -execunix true "QUORLIN_$n@/vobs/dst" > /dev/null; done
ct mkview -tag imp /store/imp.vws > /dev/null
RD=$TEST_TMP/rdepot
IN=$TEST_TMP/rbay
rm -rf "$RD" "$IN"
mkdir -p "$RD/daemon" "$RD"/m_bay/{logs,config/keys,_triggers} "$IN"
printf '%s\n' "receiver_id=$(id -un)" view=imp UTC_offset=+0100 location_name=siteB "$IN > preserve" \
    > "$RD/m_bay/config/receiver.conf"
receive() {
    vandrel_receiver "$RD" -once -wait > "$TEST_TMP/rout" 2>&1
    grep -qF "Successfully processed package" "$RD/m_bay/logs/receiver_all.txt" ||
        fail "receiver: $(tail -5 "$RD/m_bay/logs/receiver_errors.txt" 2>/dev/null)"
}

# The shipping site.
make_depot
echo "depot=$D" > "$TEST_TMP/site"
install_vandrel_triggers /vobs/src "$TEST_TMP/site" 1 "$OUT" 1 /vobs/src siteB > /dev/null || die "triggers"
conf -- '1>/vobs/src>>.>/vobs/dst>.>siteB'
printf '[%s]\n' "$(vandrel_packet passkey file:/// ship pw "$IN")" > "$BAY/config/hostmaps/siteB.hostmap"

cd /view/dev/vobs/src
{
    ct checkout -nc .
    ct mkdir -nc lib
    echo one > lib/a.c
    ct mkelem -nc -ci lib/a.c
    ct checkin -nc lib .
    ct checkout -nc lib/a.c
    echo two > lib/a.c
    ct checkin -nc lib/a.c
    ct mklbtype -nc REL1@/vobs/src
    ct mklabel REL1 lib/a.c
} > /dev/null
cd /

once
has_file "$IN/epoc.001.siteB.siteA.pack"
receive
V=/view/imp/vobs/dst/lib
eq two "$(cat "$V/a.c" 2>/dev/null)" "a.c at the receiver"
eq one "$(cat "$V/a.c@@/main/1" 2>/dev/null)" "a.c@@/main/1 at the receiver"
eq REL1 "$(cleartool describe -fmt '%Nl' "$V/a.c@@/main/2" 2>/dev/null)" "labels of a.c@@/main/2"
has_file "$IN/epoc.001.siteB.siteA.epoc"

# The next packet starts at the receiver's confirmation.
sleep 1
cd /view/dev/vobs/src
{
    ct checkout -nc lib/a.c
    echo three > lib/a.c
    ct checkin -nc lib/a.c
} > /dev/null
cd /
: > "$RD/m_bay/logs/receiver_all.txt"
once
has_text "---- packaging all data since ($(cut -d' ' -f1 "$IN/epoc.001.siteB.siteA.epoc")) for (mship.001.siteB.siteA) siteB" \
    "$LOGS/shipper_all.txt"
receive
eq three "$(cat "$V/a.c" 2>/dev/null)" "a.c after the second packet"
finish

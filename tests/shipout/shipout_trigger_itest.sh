#!/bin/bash
# The whole trigger chain against the ClearCase substitute: the example
# trigger installation equips a VOB, real operations fire vandrel_shipout,
# which leaves shipping requests, and removals and locks reach the
# destruction history through the example site script.
source "$SRC_DIR/tests/clearcase/lib.sh"
export PATH="$BUILD_DIR/bin:$SRC_DIR/contrib/triggers:$PATH"
unscramble() { vandrel_packet unscramble 10.3 1.2 "" "$1"; }

make_vob_and_view
D=$TEST_TMP/depot
OUT=$D/m_bay/_ship_out
rm -rf "$D"; mkdir -p "$D/m_bay/config" "$OUT"
echo "depot=$D" > "$TEST_TMP/site"
echo '5>/vobs/src>>.>/vobs/dst>.>siteB siteC>ship' > "$D/m_bay/config/shipper.conf"

ok install_vandrel_triggers /vobs/src "$TEST_TMP/site" 5 "$OUT" 5 /vobs/src siteB siteC
eq "QUORLIN_1 QUORLIN_2 QUORLIN_3 QUORLIN_4" "$(cleartool lstype -s -kind trtype -invob /vobs/src | sort | tr '\n' ' ' | sed 's/ $//')" "trigger types"

# A real check-in fires the trigger program: one request per location.
cd /view/dev/vobs/src
ok cleartool checkout -nc .
ok cleartool mkelem -nc f.c
has_file "$OUT/mship.005.siteB"  # mkelem fires it too
rm -f "$OUT"/mship.*
echo one > f.c
before=$(date +%s)
ok cleartool checkin -nc f.c .
after=$(date +%s)
has_file "$OUT/mship.005.siteB"
has_file "$OUT/mship.005.siteC"
read -r key tag stamp < "$OUT/mship.005.siteB"
eq "$(cleartool describe -fmt %On vob:/vobs/src)" "$(unscramble "$key")" "replication key"
eq VLso_12.1_l "$tag" "version tag"
t=$(unscramble "$stamp"); secs=${t%_l}
eq "${secs}_l" "$t" "time stamp form"
[ "$secs" -ge "$before" ] && [ "$secs" -le "$after" ] || fail "request time $secs outside [$before, $after]"

# A second firing changes nothing.
cp "$OUT/mship.005.siteB" "$TEST_TMP/first"
ok cleartool checkout -nc f.c
echo two > f.c
ok cleartool checkin -nc f.c
cmp -s "$TEST_TMP/first" "$OUT/mship.005.siteB" || fail "second firing rewrote the request"
eq 2 "$(ls "$OUT" | grep -c '^mship\.')" "requests after two firings"

# A removal: one scrambled line per location that unscrambles to the event.
rm -f "$OUT"/mship.*
ok cleartool rmver -force -nc f.c@@/main/1
for loc in siteB siteC; do
    f="$OUT/_dhist/dhist.005.$loc"
    has_file "$f"
    eq 1 "$(wc -l < "$f" 2>/dev/null)" "destruction lines for $loc"
    event=$(unscramble "$(head -n 1 "$f")")
    eq "rmver.<f.c@@/main/1" "${event#*<}" "destruction event for $loc"
    when=${event%%<*}
    [ "$when" -ge "$before" ] 2>/dev/null || fail "event time [$when]"
done
has_file "$OUT/mship.005.siteB"

# Each kind of event the site script records, as the last line it appends.
last_event() { e=$(unscramble "$(tail -n 1 "$OUT/_dhist/dhist.005.siteB")"); echo "${e#*<}"; }
expect_event() {  # expect_event EVENT COMMAND...
    local want=$1; shift
    ok "$@"
    eq "$want" "$(last_event)" "event of: $*"
}
ok cleartool mkbrtype -nc dev@/vobs/src
ok cleartool mklbtype -nc REL1@/vobs/src
ok cleartool mkbranch -nc dev f.c
echo dev > f.c
ok cleartool checkin -nc f.c
ok cleartool mkhlink -nc Merge f.c@@/main/dev/1 f.c@@/main/2
expect_event "rmmerge.<f.c@@/main/2<f.c@@/main/dev/1" cleartool rmmerge -nc f.c@@/main/dev/1 f.c@@/main/2
expect_event "rmbranch.<f.c@@/main/dev" cleartool rmbranch -force -nc f.c@@/main/dev
expect_event "Lock.e<f.c" cleartool lock -nc f.c@@
expect_event "Unlock.e<f.c" cleartool unlock -nc f.c@@
expect_event "lock.L<REL1" cleartool lock -nc lbtype:REL1@/vobs/src
expect_event "unlock.L<REL1" cleartool unlock -nc lbtype:REL1@/vobs/src
expect_event "rntype.L<REL1:REL2" cleartool rename -nc lbtype:REL1@/vobs/src REL2
expect_event "rmtype.L<REL2" cleartool rmtype -force -rmall -nc lbtype:REL2@/vobs/src
ok cleartool checkout -nc .
ok cleartool mkdir -nc sub
ok cleartool checkin -nc sub .
expect_event "rmelem.d<sub" cleartool rmelem -force -nc sub
expect_event "rmelem.f<f.c" cleartool rmelem -force -nc f.c
eq "$(wc -l < "$OUT/_dhist/dhist.005.siteB")" "$(wc -l < "$OUT/_dhist/dhist.005.siteC")" "both locations get every event"

finish

#!/bin/bash
# The two sites of the demonstration come up: site A's history fired its
# triggers (a shipping request, removal and lock events), its host map
# reaches site B's receiving directory through lftp, site B's triggers stay
# quiet, and both daemons pass their start-up checks and end a single pass
# normally.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib

sites_init "$TEST_TMP/sites"
bash "$SRC_DIR/scripts/demo/make_sites.sh" "$SITES_ROOT" > "$TEST_TMP/make.out" 2>&1 \
    || die "make_sites: $(cat "$TEST_TMP/make.out")"
unscramble() { vandrel_packet unscramble 10.3 1.2 "" "$1"; }

# Site A: the history is there and left a shipping request for B.
label_at() { cleartool describe -fmt '%Vn' "/view/$VIEW_A_WORK$VOB_A/$1@@/main/REL1" 2> /dev/null; }
eq "/main/2" "$(label_at src/main.c)" "moved label REL1 on main.c"
eq "/main/1" "$(label_at src/util.c)" "label REL1 on util.c"
[ -e "/view/$VIEW_A_WORK$VOB_A/doc/old.txt" ] && fail "the removed file is still there"
req=$DEPOT_A/m_bay/_ship_out/mship.$NNN.$LOC_B
has_file "$req"
read -r key _ < "$req"
eq "$(cleartool describe -fmt %On "vob:$VOB_A")" "$(unscramble "$key")" "replication key of the request"
# Removal and type events, each once, relative to the replicated directory.
events() {
    while IFS= read -r l; do unscramble "$l" | sed 's/^[0-9]*<//'; echo; done \
        < "$DEPOT_A/m_bay/_ship_out/_dhist/dhist.$NNN.$LOC_B"
}
for want in 'rmelem.f<doc/old.txt' 'mktype.B<dev:oe' 'mktype.A<Review:oe'; do
    eq 1 "$(events | grep -cxF "$want")" "destruction event $want"
done

# The host map names B's receiving directory; lftp reaches it with what the
# map holds, as the shipper's scripts do: a probe goes there and back.
hostmap=$DEPOT_A/m_bay/config/hostmaps/$LOC_B.hostmap
passkey=$(sed -n '1s/^\[\(.*\)\]$/\1/p' "$hostmap")
read -r machine user password dir <<< "$(vandrel_packet unpasskey "$passkey")"
eq "file:/// $(id -un) $INTAKE_B" "$machine $user $dir" "connection record"
eq 600 "$(stat -c %a "$hostmap")" "host map mode"
probe=$STREAM.holla
printf 'hello there' > "$DEPOT_A/m_bay/epocs/$probe"
cat > "$TEST_TMP/probe.lftp" <<EOF
open -u $user,$password $machine
cd "$dir"
lcd "$DEPOT_A/m_bay/epocs"
put "$probe"
!rm "$probe"
get "$probe"
rm "$probe"
quit
EOF
(cd "$DEPOT_A/m_bay/epocs" && timeout 30 lftp -f "$TEST_TMP/probe.lftp") > "$TEST_TMP/lftp.out" 2>&1 \
    || fail "lftp session: $(cat "$TEST_TMP/lftp.out")"
content "hello there" "$DEPOT_A/m_bay/epocs/$probe"
no_file "$INTAKE_B/$probe"
rm -f "$DEPOT_A/m_bay/epocs/$probe"

# Site B: the four triggers, which find no key to ship and say nothing.
eq "QUORLIN_1 QUORLIN_2 QUORLIN_3 QUORLIN_4" \
    "$(cleartool lstype -s -kind trtype -invob "$VOB_B" | sort | tr '\n' ' ' | sed 's/ $//')" "B's trigger types"
out=$(cleartool mkattype -nc Probe@"$VOB_B" 2>&1) || fail "type change at B: $out"
eq 'Created attribute type "Probe".' "$out" "what a change at B prints"
[ -n "$(find "$DEPOT_B/m_bay/_ship_out" -mindepth 1)" ] && fail "B's triggers left requests: $(ls "$DEPOT_B/m_bay/_ship_out")"
cleartool rmtype -nc attype:Probe@"$VOB_B" > /dev/null

# Both daemons accept their depots and end one pass with the usual code.
timeout 120 "$SHIPPER" "$DEPOT_A" -once -wait > "$TEST_TMP/shipper.out" 2>&1
eq 158 $? "exit code of the shipper's single pass"
grep -qF "== service (vandrel_shipper 12.1) started (to run once)" "$DEPOT_A/m_bay/logs/shipper_start_stop.txt" \
    || fail "no shipper banner: $(cat "$TEST_TMP/shipper.out")"
timeout 120 "$RECEIVER" "$DEPOT_B" -once -wait > "$TEST_TMP/receiver.out" 2>&1
eq 158 $? "exit code of the receiver's single pass"
grep -qF "== service (vandrel_receiver 12.1) started (to run once)" "$DEPOT_B/m_bay/logs/receiver_start_stop.txt" \
    || fail "no receiver banner: $(cat "$TEST_TMP/receiver.out")"
for log in "$DEPOT_A/m_bay/logs/shipper_errors.txt" "$DEPOT_B/m_bay/logs/receiver_errors.txt"; do
    grep -q 'START_FAILED\|DENIED' "$log" && fail "refusals in $log: $(grep 'START_FAILED\|DENIED' "$log")"
done

# Later changes at A leave a new request, and their removals and locks
# reach the destruction history.
rm -f "$req"
change_history "$VIEW_A_WORK" "$VOB_A" || fail "changes at A"
has_file "$req"
for want in 'rmelem.f<src/Makefile' 'lock.L<BETA' 'Lock.b<src/util.c@@/main/dev'; do
    eq 1 "$(events | grep -cxF "$want")" "destruction event $want"
done
finish

#!/bin/bash
# Received packets applied by vandrel_receiver, from the packet made with
# vandrel_packet to the confirmation: deployment packages written into their
# directory, a hostile deployment refused without writing outside it, and a
# VOB packet normalised under the receiving site's settings and imported.
. "$SRC_DIR/tests/clearcase/lib.sh"
. "$SRC_DIR/tests/receiver_e2e/e2e_lib.sh"

ct mkvob -tag /vobs/dst -nc /store/dst.vbs > /dev/null
for i in 1 2 3 4; do
    ct mktrtype -element -all -postop checkin -execunix true "QUORLIN_$i@/vobs/dst" > /dev/null
done
ct mkview -tag imp /store/imp.vws > /dev/null

new_depot "$TEST_TMP/r"
IN="$TEST_TMP/r/in"
OUT="$TEST_TMP/r/deployed"
mkdir -p "$IN"
cat > "$TRIG/post.sh" << EOS
#!/bin/sh
echo "\$VANDREL_PACKET_STATUS" >> "$TEST_TMP/r/post_status"
EOS
chmod +x "$TRIG/post.sh"
write_conf "post_receive_trigger=post.sh" "$IN > preserve"
ALL="$LOGS/receiver_all.txt"
P=epoc.001.east.west

run_once() { "$RCV" "$D" -once -wait > "$TEST_TMP/r/run.out" 2>&1; }
fresh() { for l in "$LOGS"/*.txt; do : > "$l"; done; rm -f "$TEST_TMP/r/post_status"; }
logged() { grep -qF -- "$2" "$LOGS/receiver_$1.txt" || fail "$1 log lacks: $2"; }
left_in() { ls -A "$IN" | sort | tr '\n' ' '; }

# --- a deployment package lands in its directory and is confirmed -----------
fresh
printf 'alpha\n' > "$TEST_TMP/r/d1"
printf '\000\001 binary \377' > "$TEST_TMP/r/d2"
deployment_head "$TEST_TMP/r/head" "$OUT" "$(printf 'D:sub\nF:sub/a.txt\nF:top.bin\n')"
pack "$IN" $P - - "$OUT" "$TEST_TMP/r/head" "$TEST_TMP/r/d1" "$TEST_TMP/r/d2" || die "pack deployment"
run_once
eq "$P.epoc " "$(left_in)" "receiving directory after a deployment"
cmp -s "$TEST_TMP/r/d1" "$OUT/sub/a.txt" || fail "sub/a.txt not deployed whole"
cmp -s "$TEST_TMP/r/d2" "$OUT/top.bin" || fail "top.bin not deployed whole"
logged deploys "Package DEPLOYMENT processing STARTED for package ($P.crc) to directory ($OUT):"
logged deploys "directory>ACK >$OUT/sub"
logged deploys "     file>ACK >$OUT/sub/a.txt"
logged deploys "Package DEPLOYMENT processing ENDED for package ($P.crc)"
logged all "Successfully processed package ($IN/$P.crc)..."
eq "OK" "$(cat "$TEST_TMP/r/post_status")" "post-receive status of a deployment"
rm -f "$IN/$P.epoc"

# --- a hostile deployment: refused, nothing outside, left unconfirmed --------
fresh
printf 'evil\n' > "$TEST_TMP/r/evil"
deployment_head "$TEST_TMP/r/head" "$OUT" "$(printf 'D:new\nF:new/ok.txt\nF:../escaped.txt\n')"
pack "$IN" $P - - "$OUT" "$TEST_TMP/r/head" "$TEST_TMP/r/d1" "$TEST_TMP/r/evil" || die "pack hostile"
run_once
no_file "$TEST_TMP/r/escaped.txt"
[ -n "$(find "$TEST_TMP" -name escaped.txt)" ] && fail "the hostile entry was written somewhere"
logged errors "Package DEPLOYMENT processing ENDED INCOMPLETE WITH ERRORS for package ($P.crc)"
logged deploys "../escaped.txt"
grep -qF "Successfully processed" "$ALL" && fail "a hostile deployment was confirmed"
# The pending descriptor tells the shipper that the packet is not through;
# every other file of the packet is gone.
eq "$P.pack_pending " "$(left_in)" "receiving directory after a refused deployment"
eq "NOK" "$(cat "$TEST_TMP/r/post_status")" "post-receive status of a refused deployment"
# The next pass tosses the leftover.
run_once
eq "" "$(left_in)" "receiving directory after the next pass"

# --- packets tossed on the way: nothing confirmed, nothing left -------------
# Each case: what is wrong, the message, and the head text of the packet.
tossed_case() {
    local what=$1 message=$2 head=$3
    fresh
    pack "$IN" $P - - "$OUT" "$head" "$TEST_TMP/r/d1" || die "pack $what"
    run_once
    logged errors "$message"
    eq "" "$(left_in)" "$what: receiving directory"
    eq "NOK" "$(cat "$TEST_TMP/r/post_status")" "$what: post-receive status"
}
deployment_head "$TEST_TMP/r/head" "$OUT" ""
tossed_case "empty description" "Aborted: Normalization failed:tossed received package ($IN/$P.crc)..." \
    "$TEST_TMP/r/head"
deployment_head "$TEST_TMP/r/head" "$OUT" "F:other.txt"
sed -i 's/V:12.0;/V:11.0;/' "$TEST_TMP/r/head"
tossed_case "older format" "Package processing ENDED INCOMPLETE WITH ERRORS - Remote Vandrel Shipper must be 12.0 or higher..." \
    "$TEST_TMP/r/head"
no_file "$OUT/other.txt"

# --- a VOB packet: normalised under the process settings, then confirmed ----
# The receiving site ignores branch data and holds the label type locked:
# the version on a branch and the label stay out of the import.
fresh
write_conf "post_receive_trigger=post.sh" "ignore_received_branch_data=yes" "$IN > preserve"
ct mklbtype -nc HELD@/vobs/dst > /dev/null
ct lock -nc lbtype:HELD@/vobs/dst > /dev/null
vob_head() {
    cat << EOH
ExportFromDir 9:/vobs/src
LBTYPE_BEGIN
LbType 4:HELD
LBTYPE_END
ELEMENT_BEGIN
Name 5:a.txt
ElType 9:text_file
VERSION_BEGIN
VersionId 7:/main/1
OnBranch 4:main
Label 4:HELD
ExtractFile 8:zeb.0001
VERSION_END
VERSION_BEGIN
VersionId 11:/main/dev/1
OnBranch 3:dev
ExtractFile 8:zeb.0002
VERSION_END
ELEMENT_END
EOH
    printf '%s' "${M}element * /main/LATEST${M}l:east;D:vob;V:12.0;n:branch;${M}POST>${M}DESTROY>${M}${M}${M}"
}
vob_head > "$TEST_TMP/r/head"
printf 'main one\n' > "$TEST_TMP/r/v1"
printf 'dev one\n' > "$TEST_TMP/r/v2"
pack "$IN" $P /vobs/dst /vobs/dst - "$TEST_TMP/r/head" "$TEST_TMP/r/v1" "$TEST_TMP/r/v2" || die "pack vob"
run_once
eq "$P.epoc " "$(left_in)" "receiving directory after a VOB packet"
logged TOCs "-- TOC for package ($P.crc) /vobs/dst is below:"
logged TOCs "   ======== packet contained 2 element versions to follow:"
logged TOCs "   /vobs/dst/a.txt@@/main/1"
logged TOCs "   /vobs/dst/a.txt@@/main/dev/1 (ignored because process request ignoring of branch data)"
logged warnings "-- Warning: Label (HELD) locked in receiving VOB (/vobs/dst) for all users..."
logged all "Successfully processed package ($IN/$P.crc)..."
eq "OK with Warnings" "$(cat "$TEST_TMP/r/post_status")" "post-receive status after a warning"
cmp -s /view/imp/vobs/dst/a.txt@@/main/1 <(printf 'main one\n') || fail "a.txt@@/main/1 not imported"
[ -e /view/imp/vobs/dst/a.txt@@/main/dev ] && fail "ignored branch data arrived"
eq "" "$(cleartool describe -fmt '%Nl' /view/imp/vobs/dst/a.txt@@/main/1)" "labels of a locked label type"
rm -f "$IN/$P.epoc"

finish

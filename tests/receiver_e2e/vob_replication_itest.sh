#!/bin/bash
# Replication from one VOB into another through vandrel_receiver: history
# exported with clearexport_ccase and packed with vandrel_packet arrives
# with its versions, labels, attributes, the types its header names, label
# and attribute requests, type removals and deferred type locks, and
# new-element protections; an import that cannot run leaves the packet
# unconfirmed until the next pass tosses it.
. "$SRC_DIR/tests/clearcase/lib.sh"
. "$SRC_DIR/tests/receiver_e2e/e2e_lib.sh"

for v in src dst; do ct mkvob -tag /vobs/$v -nc /store/$v.vbs > /dev/null; done
for i in 1 2 3 4; do
    ct mktrtype -element -all -postop checkin -execunix true "QUORLIN_$i@/vobs/dst" > /dev/null
done
for w in dev imp; do ct mkview -tag $w /store/$w.vws > /dev/null; done
ct mklbtype -nc REL1@/vobs/src > /dev/null
ct mkattype -nc -vtype string Status@/vobs/src > /dev/null

# --- history in the first VOB ------------------------------------------------
cd /view/dev/vobs/src || die "no view of /vobs/src"
{
    ct checkout -nc .
    ct mkdir -nc lib
    ct mkelem -nc lib/foo.c
    printf 'foo one\n' > lib/foo.c
    ct checkin -nc lib/foo.c
    ct checkout -nc lib/foo.c
    printf 'foo two\n\000binary tail\n' > lib/foo.c
    ct checkin -nc lib/foo.c
    ct mkelem -nc lib/empty.c
    ct checkin -nc lib/empty.c
    ct checkin -nc lib .
    ct mklabel -nc REL1 lib/foo.c@@/main/1
    ct mkattr -nc Status '"two
lines"' lib/foo.c@@/main/2
} > /dev/null
cd /
cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -o '$TEST_TMP/export.txt'" dev > /dev/null ||
    die "export"

# --- the packet: the export, label and attribute requests, a type lock and
# the protection of a new element ---------------------------------------------
new_depot "$TEST_TMP/r"
IN="$TEST_TMP/r/in"
mkdir -p "$IN"
cat > "$TRIG/post.sh" << EOS
#!/bin/sh
echo "\$VANDREL_PACKET_STATUS" >> "$TEST_TMP/r/post_status"
echo "\$VANDREL_RECEIVER_HAS_EMAIL \$VANDREL_RECEIVER_EMAIL_FILE" > "$TEST_TMP/r/post_email"
EOS
chmod +x "$TRIG/post.sh"
write_conf "post_receive_trigger=post.sh" "$IN > preserve > allow_lbtype_locks, allow_rmlbtype"
P=epoc.002.east.west

export_as_section "$TEST_TMP/export.txt" /view/dev/vobs/src "$TEST_TMP/head" "$TEST_TMP/data"
printf '%s' "${M}element * /main/LATEST${M}l:east;D:vob;V:12.0;n:main;g:SHARED;${M}" >> "$TEST_TMP/head"
printf '%s' "POST>m|REL2|lib/foo.c@@/main/2|>M|Status|lib/foo.c@@/main/1|[reviewed]>${M}" >> "$TEST_TMP/head"
printf '%s' "DESTROY>rmtype.L|SHARED>lock.L|REL1>${M}lib/foo.c|root|root|r--r--r--;${M}${M}" >> "$TEST_TMP/head"
mapfile -t data < "$TEST_TMP/data/list"
eq 2 "${#data[@]}" "data files of the export (the empty versions share none)"
pack "$IN" $P /vobs/dst /vobs/dst - "$TEST_TMP/head" "${data[@]}" || die "pack"

run_once() { "$RCV" "$D" -once -wait > "$TEST_TMP/r/run.out" 2>&1; }
left_in() { ls -A "$IN" | sort | tr '\n' ' '; }
run_once
eq "$P.epoc " "$(left_in)" "receiving directory after the packet"
# The remote label lock is honoured with a warning.
eq "OK with Warnings" "$(cat "$TEST_TMP/r/post_status" 2>/dev/null)" "post-receive status"
grep -qF "Successfully processed package ($IN/$P.crc)..." "$LOGS/receiver_all.txt" || fail "not confirmed"
# Nothing for the e-mail digest in a first packet.
eq "no " "$(cat "$TEST_TMP/r/post_email")" "post-receive e-mail variables of a new packet"

# --- what arrived -------------------------------------------------------------
V=/view/imp/vobs/dst/lib
cmp -s "$V/foo.c@@/main/1" <(printf 'foo one\n') || fail "foo.c@@/main/1 content"
cmp -s "$V/foo.c@@/main/2" <(printf 'foo two\n\000binary tail\n') || fail "foo.c@@/main/2 content"
[ -e "$V/empty.c@@/main/1" ] && [ ! -s "$V/empty.c@@/main/1" ] || fail "empty.c@@/main/1"
eq "REL1" "$(cleartool describe -fmt '%Nl' "$V/foo.c@@/main/1")" "labels of /main/1"
eq '"two
lines"' "$(cleartool describe -fmt '%[Status]NSa' "$V/foo.c@@/main/2")" "exported attribute on /main/2"
cleartool lslock -fmt '%c' lbtype:REL1@/vobs/dst | grep -q '^Locked' || fail "REL1 not locked after the import"
eq "r--r--r--" "$(cleartool describe -fmt '%[permissions]p' "$V/foo.c@@")" "new element protection"
grep -qF "   /vobs/dst/lib/foo.c@@/main/2" "$LOGS/receiver_TOCs.txt" || fail "TOC lacks foo.c@@/main/2"
# A type the header records asked for is made global, and the removal
# request of the same packet spares it.
eq "global" "$(cleartool describe -fmt '%[type_scope]p' lbtype:SHARED@/vobs/dst)" "label type made for the packet"
# The label and attribute requests name versions that did not exist before
# the import: they apply once the import has made them.
eq '"reviewed"' "$(cleartool describe -fmt '%[Status]NSa' "$V/foo.c@@/main/1")" \
    "attribute request on a version the packet imports"
eq "REL2" "$(cleartool describe -fmt '%Nl' "$V/foo.c@@/main/2")" "label request on a version the packet imports"

# --- the same packet again: every version exists, the requests apply --------
rm -f "$IN/$P.epoc" "$TEST_TMP/r/post_status"
pack "$IN" $P /vobs/dst /vobs/dst - "$TEST_TMP/head" "${data[@]}" || die "pack again"
run_once
eq "$P.epoc " "$(left_in)" "receiving directory after the repeated packet"
grep -qF "   /vobs/dst/lib/foo.c@@/main/2" "$LOGS/receiver_email.txt" || fail "existing version not in the digest"
eq "OK with Warnings" "$(cat "$TEST_TMP/r/post_status")" "post-receive status of a repeated packet"
eq "yes $LOGS/receiver_email.txt" "$(cat "$TEST_TMP/r/post_email")" "post-receive e-mail variables with a digest"
eq "REL2" "$(cleartool describe -fmt '%Nl' "$V/foo.c@@/main/2")" "labels of /main/2 (label request)"
eq '"reviewed"' "$(cleartool describe -fmt '%[Status]NSa' "$V/foo.c@@/main/1")" \
    "attribute request on /main/1"
# This time the label type existed before the packet: its removal is carried out.
cleartool lstype -s lbtype:SHARED@/vobs/dst > /dev/null 2>&1 && fail "removal request of an existing type not carried out"

# --- an import that cannot run: unconfirmed, then tossed by the next pass ----
rm -f "$IN/$P.epoc" "$TEST_TMP/r/post_status"
ct lock -nc vob:/vobs/dst > /dev/null
# Without the VOB tag in the trailer the receiver cannot see the lock
# before it opens the packet.
pack "$IN" $P /vobs/dst /vobs/dst - "$TEST_TMP/head" "${data[@]}" || die "pack for a locked VOB"
sed -i '/^<.*>$/d' "$IN/$P.pack"
run_once
ct unlock vob:/vobs/dst > /dev/null
grep -qF -- "-- Replication command failed.  ClearCase path possibly not set. Replication failed for (/view/imp/vobs/dst) $IN/$P.crc" \
    "$LOGS/receiver_errors.txt" || fail "failed import not reported"
eq "$P.pack_pending " "$(left_in)" "receiving directory after a failed import"
eq "NOK" "$(cat "$TEST_TMP/r/post_status")" "post-receive status of a failed import"
run_once
eq "" "$(left_in)" "receiving directory after the next pass"

finish

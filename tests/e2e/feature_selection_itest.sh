#!/bin/bash
# What each site chooses to replicate, through the whole chain with both
# daemons running, on one pair of sites:
# - site A's VOB key excludes the branch type dev, ships only label types
#   matching REL* and excludes the attribute type Status: the first packet
#   (the whole history) and the second (later labels, attributes and a
#   version on dev) bring B everything else, and none of those;
# - site B's receiver key line allows directory removals, branch locks and
#   attribute type renames, and nothing else of the kind: of the second
#   packet's removals, locks and renames B applies the allowed ones, keeps
#   what it refused, and its table of contents says why.
# After each packet the VOBs are compared with the expected differences
# left out, and cleartool at B shows what must and must not be there.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/selection bash tests/e2e/feature_selection_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib batch_lib

itest_make_sites
A=/view/$VIEW_A_WORK$VOB_A
B=/view/$VIEW_B$VOB_B
sed -i "s|^$VOB_KEY>.*|$VOB_KEY>$VOB_A>>.>$VOB_B>.>$LOC_B>ship>[E]:dev>[O]:REL*>[E]:Status|" \
    "$DEPOT_A/m_bay/config/shipper.conf"
grep -qF ">ship>[E]:dev>[O]:REL*>[E]:Status" "$DEPOT_A/m_bay/config/shipper.conf" || die "the VOB key line was not written"
sed -i "s|^$INTAKE_B > .*|$INTAKE_B > preserve > allow_rmelem_dir,allow_branch_locks,allow_rnattype|" \
    "$DEPOT_B/m_bay/config/receiver.conf"
grep -qF "> allow_rmelem_dir,allow_branch_locks,allow_rnattype" "$DEPOT_B/m_bay/config/receiver.conf" \
    || die "the receiver key line was not written"
# A second label type the key ships, renamed later.
(
    set -e
    cd "$A"
    _ct mklbtype -nc REL2@"$VOB_A"
    _ct mklabel -nc REL2 doc/README
) || die "REL2 at A"
TOC_B=$DEPOT_B/m_bay/logs/receiver_TOCs.txt

# compare EXPECTED_TEXT ERE...: the VOBs agree once the facts matching the
# EREs are left out; besides, the full comparison lists exactly the lines of
# EXPECTED_TEXT (one difference a line, sorted as compare_vobs prints them).
compare() {
    local expected=$1 e args=()
    shift
    for e in "$@"; do args+=(-ignore "$e"); done
    bash "$SRC_DIR/scripts/demo/compare_vobs.sh" -nodirversions -ignore 'Remotely_Checked_Out_To__' "${args[@]}" \
        "$VIEW_A_WORK" "$VOB_A" "$VIEW_B" "$VOB_B" > "$TEST_TMP/cmp.out" 2>&1 \
        || fail "the VOBs differ beyond what was left out: $(head -n 20 "$TEST_TMP/cmp.out")"
    compare_sites | sed -E 's/ [0-9a-f]{64}$//' > "$TEST_TMP/full.out"
    diff <(printf '%s\n' "$expected") "$TEST_TMP/full.out" > "$TEST_TMP/full.diff" \
        || fail "the differences are not the expected ones: $(cat "$TEST_TMP/full.diff")"
}

# replicate WHAT: waits for B to confirm the packet that carries WHAT.
replicate() {
    wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 \
        || die "$1 was not replicated: $(cat "$TEST_TMP/wait.out")"
    mark=$(confirmation_mark)
}

mark=$(confirmation_mark)
trap stop_daemons EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
replicate "the first history"
# Left out by A's key: the branch dev (its versions, the merge from it and
# its type, unused now), the labels BETA and OLD (with OLD's lock) and the
# attribute Status (of a version and of an element). Refused by B's key: the
# lock of the element doc/LICENSE.
compare "only in A: attribute Status on doc/README@@ \"documented\"
only in A: attribute Status on src/main.c@@/main/2 \"reviewed by two\"
only in A: attype Status scope: this VOB (ordinary type); value type: string
only in A: branch src/util.c@@/main/dev
only in A: brtype dev scope: this VOB (ordinary type); constraint: one version per element
only in A: label BETA on src/main.c@@/main /main/2
only in A: label BETA on src/util.c@@/main /main/2
only in A: label OLD on doc/logo.bin@@/main /main/1
only in A: lbtype BETA scope: this VOB (ordinary type); constraint: one version per element
only in A: lbtype OLD scope: this VOB (ordinary type); constraint: one version per element
only in A: lock doc/LICENSE@@ Locked for all users.
only in A: lock lbtype:OLD Locked for all users.
only in A: merge src/util.c@@/main/dev/1 -> src/util.c@@/main/2
only in A: version src/util.c@@/main/dev/0
only in A: version src/util.c@@/main/dev/1" '@@/main/dev' '^brtype dev' 'BETA' 'Status' 'OLD' '^lock doc/LICENSE@@\s'
grep -qxF "   lock element => \"$VOB_B/doc/LICENSE\"  (ignored by receiver \"key\" request)" "$TOC_B" \
    || fail "B's table of contents does not say why doc/LICENSE stayed unlocked"
eq "Review=1" "$(cleartool describe -fmt '%Na' "$B/src/main.c@@/main")" "attributes of main.c's branch main at B"
# The same seen through cleartool at B.
# words: the lines of standard input sorted, on one line.
words() { LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//'; }
eq "/main /main/0 /main/1 /main/2" "$(cleartool lsvtree -all "$B/src/util.c" | sed 's/.*@@//; s/ (.*//' | words)" \
    "util.c's branches and versions at B (no branch dev)"
eq "REL1" "$(cleartool describe -fmt '%Nl' "$B/src/main.c@@/main/2")" "labels of main.c /main/2 at B"
eq "BETA REL1" "$(cleartool describe -fmt '%Nl' "$A/src/main.c@@/main/2" | tr ' ' '\n' | words)" "labels of main.c /main/2 at A"
# (BACKSTOP, CHECKEDOUT and LATEST are every VOB's own.)
eq "BACKSTOP CHECKEDOUT LATEST REL1 REL2" "$(cleartool lstype -s -kind lbtype -invob "$VOB_B" | words)" "label types at B"
eq "main" "$(cleartool lstype -s -kind brtype -invob "$VOB_B" | words)" "branch types at B"
eq "Review=2" "$(cleartool describe -fmt '%Na' "$B/src/main.c@@/main/2")" "attributes of main.c /main/2 at B"
cleartool lstype -s -kind attype -invob "$VOB_B" | grep -qx Status && fail "the attribute type Status reached B"

# Removals, locks and renames, each once allowed and once refused by B's key:
# rmelem of a file (refused) and of a directory (allowed), a label type lock
# (refused) and a branch lock (allowed), an element lock (refused), a label
# type rename (refused) and an attribute type rename (allowed).
toc_from=$(($(_lines "$TOC_B") + 1))
hold_shipping || die "the shipper did not stop"
(
    set -e
    cd "$A"
    # Later history the key selects from as well: a version on dev, a BETA
    # label and a Status attribute stay at A; a REL* label and an Owner
    # attribute travel.
    _ct mkbranch -nc dev doc/README
    printf 'A small project.\nOn dev.\n' > doc/README
    _ct checkin -c 'README on dev' doc/README
    _ct mklabel -nc BETA doc/README@@/main/1
    _ct mkattr -nc Status '"late"' doc/README@@/main/1
    _ct mklbtype -nc REL4@"$VOB_A"
    _ct mklabel -nc REL4 doc/README@@/main/1
    _ct mkattype -nc -vtype string Owner@"$VOB_A"
    _ct mkattr -nc Owner '"docs team"' doc/README@@/main/1
    _ct checkout -nc src
    _ct rmelem -f src/Makefile src/net
    _ct checkin -nc src
    _ct lock "lbtype:REL1@$VOB_A"
    _ct lock src/main.c@@/main
    _ct lock src/util.c@@
    _ct rename "lbtype:REL2@$VOB_A" REL3
    _ct rename "attype:Review@$VOB_A" Rating
) || die "changes at A"
resume_shipping || die "the shipper did not start again"
replicate "the removals, locks and renames"
# Left out besides: what B refused (the file src/Makefile it kept, the label
# type REL2 it did not rename, the locks of REL1 and of util.c it did not
# take). What it allowed agrees: src/net is gone, main's branch of main.c is
# locked and the attribute type is Rating at both sites. The attribute type
# Owner, made at A after the first packet, travels as a type request whose
# constraint letter says "per element or none"; B makes such attribute types
# "one per version", the loosest constraint, so that no later attribute of
# the type can be refused there.
compare "only in A: attribute Status on doc/README@@ \"documented\"
only in A: attribute Status on doc/README@@/main/1 \"late\"
only in A: attribute Status on src/main.c@@/main/2 \"reviewed by two\"
differs: attype Owner: A scope: this VOB (ordinary type); value type: string | B scope: this VOB (ordinary type); value type: string; constraint: one per version
only in A: attype Status scope: this VOB (ordinary type); value type: string
only in A: branch doc/README@@/main/dev
only in B: branch src/Makefile@@/main
only in A: branch src/util.c@@/main/dev
only in A: brtype dev scope: this VOB (ordinary type); constraint: one version per element
only in B: element src/Makefile text_file rw-r--r--
only in A: label BETA on doc/README@@/main /main/1
only in A: label BETA on src/main.c@@/main /main/2
only in A: label BETA on src/util.c@@/main /main/2
only in A: label OLD on doc/logo.bin@@/main /main/1
only in B: label REL1 on src/Makefile@@/main /main/1
only in B: label REL2 on doc/README@@/main /main/1
only in A: label REL3 on doc/README@@/main /main/1
only in A: lbtype BETA scope: this VOB (ordinary type); constraint: one version per element
only in A: lbtype OLD scope: this VOB (ordinary type); constraint: one version per element
only in B: lbtype REL2 scope: this VOB (ordinary type); constraint: one version per element
only in A: lbtype REL3 scope: this VOB (ordinary type); constraint: one version per element
only in A: lock doc/LICENSE@@ Locked for all users.
only in A: lock lbtype:OLD Locked for all users.
only in A: lock lbtype:REL1 Locked for all users.
only in A: lock src/util.c@@ Locked for all users.
only in A: merge src/util.c@@/main/dev/1 -> src/util.c@@/main/2
only in A: version doc/README@@/main/dev/0
only in A: version doc/README@@/main/dev/1
only in B: version src/Makefile@@/main/0
only in B: version src/Makefile@@/main/1
only in A: version src/util.c@@/main/dev/0
only in A: version src/util.c@@/main/dev/1" '@@/main/dev' '^brtype dev' 'BETA' 'Status' \
    'src/Makefile@@' '^element src/Makefile\s' 'REL[23]' '^lock lbtype:REL1\b' '^lock src/util\.c@@\s' '^attype Owner\s' \
    'OLD' '^lock doc/LICENSE@@\s'
# The same seen through cleartool at B.
has_file "$B/src/Makefile"
no_file "$B/src/net"
eq "" "$(cleartool lslock -fmt '%c' "lbtype:REL1@$VOB_B" 2>&1)" "lock of REL1 at B"
eq "" "$(cleartool lslock -fmt '%c' "$B/src/util.c@@" 2>&1)" "lock of util.c at B"
[ -n "$(cleartool lslock -fmt '%c' "$B/src/main.c@@/main" 2> /dev/null)" ] || fail "main's branch of main.c is not locked at B"
eq "BACKSTOP CHECKEDOUT LATEST REL1 REL2 REL4" "$(cleartool lstype -s -kind lbtype -invob "$VOB_B" | words)" "label types at B"
eq "Owner Rating" "$(cleartool lstype -s -kind attype -invob "$VOB_B" | grep -v '^Remotely_Checked_Out_To__' | words)" "attribute types at B"
eq "Rating=2" "$(cleartool describe -fmt '%Na' "$B/src/main.c@@/main/2")" "attributes of main.c /main/2 at B"
eq 'Owner="docs team"' "$(cleartool describe -fmt '%Na' "$B/doc/README@@/main/1")" "attributes of README /main/1 at B"
eq "REL1 REL2 REL4" "$(cleartool describe -fmt '%Nl' "$B/doc/README@@/main/1" | tr ' ' '\n' | words)" "labels of README /main/1 at B"
eq "/main /main/0 /main/1" "$(cleartool lsvtree -all "$B/doc/README" | sed 's/.*@@//; s/ (.*//' | words)" \
    "README's branches and versions at B (no branch dev)"
# B's table of contents names every request and why the refused ones were not carried out.
KEY_REASON='(ignored by receiver "key" request)'
tail -n "+$toc_from" "$TOC_B" > "$TEST_TMP/toc"
while IFS= read -r line; do
    grep -qxF -- "$line" "$TEST_TMP/toc" || fail "B's table of contents lacks: [$line]"
done << EOF
   rmelem file => "$VOB_B/src/Makefile"  $KEY_REASON
   rmelem directory => "$VOB_B/src/net"  
   rntype lbtype => "REL2" -> "REL3" $KEY_REASON
   rntype attype => "Review" -> "Rating" 
   lock lbtype => "REL1"  $KEY_REASON
   lock branch => "$VOB_B/src/main.c@@/main"  
   lock element => "$VOB_B/src/util.c"  $KEY_REASON
EOF

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"
finish

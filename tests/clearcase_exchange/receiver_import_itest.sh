#!/bin/bash
# clearimport as the receiver runs it, inside ccsandbox: a stream edited the
# way the replication system edits it (data files renamed to zeb.NNNN in the
# bay directory that also holds the stream, type blocks cut to their name
# line, a dropped attribute line whose continuation lines stayed, lines of
# blanks, a merge arrow from a checkout), an import view whose config spec
# puts new work on a branch with -mkbranch, a directory the receiver checked
# out itself, and a trigger.
set -u

# A fresh scratch folder, then the shared helpers re-run this script inside
# ccsandbox.
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"

T=$TEST_TMP
vl() { printf '%s %d:%s\n' "$1" "${#2}" "$2"; }  # value line

ct mkvob -tag /vobs/dst -nc "$T/dst.vbs" > /dev/null
ct mkview -tag imp "$T/imp.vws" > /dev/null
ct mkbrtype -nc site_a@/vobs/dst > /dev/null
ct mktrtype -element -all -postop checkin,mkelem -execunix "echo \"\$CLEARCASE_OP_KIND \$CLEARCASE_XPN\" >> $T/fired" \
  -nc QUORLIN_1@/vobs/dst > /dev/null
# An existing element with history of its own.
cd /view/imp/vobs/dst || die "no view"
{
  ct checkout -nc .
  ct mkdir -nc old
  ct mkelem -nc old/keep.c
  printf 'kept\n' > old/keep.c
  ct checkin -nc old/keep.c old .
} > /dev/null
cd /

# The receiver's config spec: new work goes on its own branch.
printf '%s\n' '# receiver' 'element * CHECKEDOUT' 'element * .../site_a/LATEST' \
  'element * /main/LATEST -mkbranch site_a' > "$T/receiver.cs"
ct setcs -tag imp "$T/receiver.cs"
# The receiver checks out the directories of "d:" records itself.
ct checkout -nc /view/imp/vobs/dst/old > /dev/null
[ -n "$(cleartool lsco -s -dir /view/imp/vobs/dst/old)" ] || die "receiver checkout of old failed"

bay=$T/bay
mkdir -p "$bay"
printf '' > "$bay/zeb.0000"
printf 'new one\n' > "$bay/zeb.0001"
printf 'new two\n' > "$bay/zeb.0002"
printf 'keep two\n' > "$bay/zeb.0003"
{
  vl ExportFromDir "$bay"
  printf 'LBTYPE_BEGIN\n'; vl LbType REL9; printf 'LBTYPE_END\n'
  printf 'ATTYPE_BEGIN\n'; vl AttrType Note; printf 'ATTYPE_END\n'
  printf '%75s\n' ''
  printf 'DIR_BEGIN\n'; vl DirName .; printf 'DIR_END\n'
  printf 'DIR_BEGIN\n'; vl DirName old; printf 'DIR_END\n'
  printf 'DIR_BEGIN\n'; vl DirName fresh/deep; printf 'DIR_END\n'
  printf 'ELEMENT_BEGIN\n'; vl Name fresh/deep/n.c; vl ElType text_file
  printf 'VERSION_BEGIN\n'; vl VersionId /main/0; vl OnBranch main; vl ExtractFile zeb.0000; printf 'VERSION_END\n'
  printf 'VERSION_BEGIN\n'; vl VersionId /main/1; vl OnBranch main; vl Label REL9
  # What remains of an Attrib line the receiver dropped (a locked type):
  printf 'second line of a dropped value\nLabel\n'
  vl ExtractFile zeb.0001; printf 'VERSION_END\n'
  printf 'VERSION_BEGIN\n'; vl VersionId /main/2; vl OnBranch main
  vl Merge "CHECKEDOUT./main/1"; vl Attrib 'Note="a > b"'
  vl ExtractFile zeb.0002; printf 'VERSION_END\n'
  printf 'ELEMENT_END\n'
  printf 'ELEMENT_BEGIN\n'; vl Name old/keep.c; vl ElType text_file
  printf 'VERSION_BEGIN\n'; vl VersionId /main/1; vl OnBranch main; vl ExtractFile zeb.0003; printf 'VERSION_END\n'
  printf 'VERSION_BEGIN\n'; vl VersionId /main/2; vl OnBranch main; vl ExtractFile zeb.0003; printf 'VERSION_END\n'
  printf 'ELEMENT_END\n'
  printf '%75s' ''
} > "$bay/packet.zeb"

cleartool setview -exec "cd \"/vobs/dst\" ; \"clearimport\" -c \"created by Vandrel\" -nolab -master -i \"$bay/packet.zeb\"" imp \
  >> "$T/catcho" 2>> "$T/catche"
status=$?
[ "$status" -eq 0 ] || fail "import status $status: $(cat "$T/catche")"
[ "$(tail -1 "$T/catcho")" = "Closing directories." ] || fail "no closing line"
grep -q 'Error' "$T/catche" && fail "errors reported: $(cat "$T/catche")"

V=/view/imp/vobs/dst
cmp -s "$bay/zeb.0002" "$V/fresh/deep/n.c@@/main/2" || fail "n.c /main/2 has wrong bytes"
[ -f "$V/fresh/deep/n.c" ] || fail "new element not visible in the import view"
[ "$(cleartool describe -fmt '%Nl' "$V/fresh/deep/n.c@@/main/1")" = REL9 ] || fail "label of /main/1 missing"
[ "$(cleartool describe -fmt '%[Note]NSa' "$V/fresh/deep/n.c@@/main/2")" = '"a > b"' ] || fail "attribute missing"
cleartool describe -ahlink Merge -l "$V/fresh/deep/n.c@@/main/2" 2> /dev/null | grep -q CHECKEDOUT \
  && fail "a merge arrow from a checkout was created"
# The existing version was left alone, the new one created.
[ "$(cat "$V/old/keep.c@@/main/1")" = kept ] || fail "existing version overwritten"
cmp -s "$bay/zeb.0003" "$V/old/keep.c@@/main/2" || fail "old/keep.c /main/2 not created"
grep -q 'Element "old/keep.c": 1 version(s) created, 1 already present.' "$T/catcho" || fail "progress line"

# The directory the receiver checked out stays checked out for it.
[ -n "$(cleartool lsco -s -dir "$V/old")" ] || fail "receiver's checkout of old was checked in by the import"
# Directories the import checked out itself went through -mkbranch and are checked in.
[ -z "$(cleartool lsco -s -dir "$V/fresh")" ] || fail "fresh left checked out"
[ -z "$(cleartool lsco -s -dir "$V")" ] || fail "the VOB root left checked out"
cleartool lsvtree -all "$V" | grep -q '@@/main/site_a/1' || fail "VOB root not checked in on branch site_a"

# Triggers fired for the import's operations.
grep -q '^checkin /view/imp/vobs/dst/fresh/deep/n.c@@/main/2$' "$T/fired" || fail "checkin trigger: $(cat "$T/fired")"
grep -q '^mkelem ' "$T/fired" || fail "mkelem trigger did not fire"

finish

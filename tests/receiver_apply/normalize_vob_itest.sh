#!/bin/bash
# Normalisation against a receiving VOB inside ccsandbox: the VOB holds
# label, branch and attribute types locked for everyone or with exception
# lists, and an element whose /main/1 exists; normalize_vob_test then runs
# against it.
set -u
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"

T=$TEST_TMP
V=/vobs/dst
ct mkvob -tag $V -nc "$T/dst.vbs" > /dev/null
ct mkview -tag imp "$T/imp.vws" > /dev/null
for t in LOCKED_ALL EXCEPT_ME EXCEPT_OTHERS FREE; do ct mklbtype -nc "$t@$V" > /dev/null; done
ct mkbrtype -nc "frozen@$V" > /dev/null
ct mkattype -nc "Note@$V" > /dev/null
ct lock "lbtype:LOCKED_ALL@$V" > /dev/null
ct lock -nusers alice,vrecv "lbtype:EXCEPT_ME@$V" > /dev/null
ct lock -nusers alice,bob "lbtype:EXCEPT_OTHERS@$V" > /dev/null
ct lock "brtype:frozen@$V" > /dev/null
ct lock -nusers alice "attype:Note@$V" > /dev/null
cd /view/imp$V || die "no view"
{
  ct checkout -nc .
  ct mkelem -nc a.c
  printf 'one\n' > a.c
  ct checkin -nc a.c .
} > /dev/null
cd / || die "cd /"
[ -e /view/imp$V/a.c@@/main/1 ] || die "a.c@@/main/1 not visible"

"$BUILD_DIR/tests/receiver_apply/receiver_apply_normalize_vob_test" --gtest_filter='NormalizeInVob.*' \
  > "$T/gtest.out" 2>&1 || fail "normalize_vob_test: $(cat "$T/gtest.out")"
grep -q SKIPPED "$T/gtest.out" && fail "cases were skipped: $(cat "$T/gtest.out")"
finish

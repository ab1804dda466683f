#!/bin/bash
# Packet application against a receiving VOB inside ccsandbox: the VOB
# holds label, branch and attribute types locked for everyone or with
# exception lists, an element whose /main/1 exists and new elements to
# protect; the *_vob_test programs then run against it.
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
  ct mkdir -nc sub
  ct mkelem -nc a.c b.c e.c sub/c.c
  printf 'one\n' > a.c
  ct checkin -nc a.c b.c e.c sub/c.c sub .
} > /dev/null
cd / || die "cd /"
[ -e /view/imp$V/a.c@@/main/1 ] || die "a.c@@/main/1 not visible"

ct protect -chmod 666 -chown nobody -chgrp nogroup /view/imp$V/b.c /view/imp$V/e.c /view/imp$V/sub/c.c > /dev/null

for prog in normalize_vob_test reprotect_vob_test import_vob_test; do
  "$BUILD_DIR/tests/receiver_apply/receiver_apply_$prog" > "$T/$prog.out" 2>&1 || fail "$prog: $(cat "$T/$prog.out")"
  grep -q SKIPPED "$T/$prog.out" && fail "$prog: cases were skipped: $(cat "$T/$prog.out")"
  grep -q 'PASSED.* [1-9]' "$T/$prog.out" || fail "$prog: no case ran: $(cat "$T/$prog.out")"
done
finish

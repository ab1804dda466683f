#!/bin/bash
# Applying element versions against real VOBs inside ccsandbox: a source
# VOB with a user element type, nested directories, versions on main and on
# a branch, an empty file and a label is exported once; versions_vob_test
# then receives that export into fresh VOBs through the import view.
set -u
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"

T=$TEST_TMP
ct mkvob -tag /vobs/src -nc "$T/src.vbs" > /dev/null
ct mkview -tag dev "$T/dev.vws" > /dev/null
ct mkview -tag imp "$T/imp.vws" > /dev/null
ct mkbrtype -nc dev@/vobs/src > /dev/null
ct mklbtype -nc REL1@/vobs/src > /dev/null
ct mkeltype -nc -supertype text_file src_text@/vobs/src > /dev/null
cd /view/dev/vobs/src || die "no view of /vobs/src"
{
  ct checkout -nc .
  ct mkdir -nc lib
  ct mkdir -nc lib/sub
  ct mkelem -nc -eltype src_text lib/foo.c
  printf 'foo one\n' > lib/foo.c
  ct checkin -nc lib/foo.c
  ct checkout -nc lib/foo.c
  printf 'foo two\n' > lib/foo.c
  ct checkin -nc lib/foo.c
  ct mkelem -nc lib/sub/empty.c
  ct checkin -nc lib/sub/empty.c
  ct checkin -nc lib/sub lib .
  ct mklabel -nc REL1 lib/foo.c@@/main/1
  ct mkbranch -nc dev lib/foo.c
  printf 'foo on dev\n' > lib/foo.c
  ct checkin -nc lib/foo.c
} > /dev/null
cd / || die "cd /"
cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -o '$T/src.exp'" dev > /dev/null || die "export"

export VERSIONS_EXPORT=$T/src.exp VERSIONS_SOURCE=/view/dev/vobs/src
prog=versions_vob_test
"$BUILD_DIR/tests/receiver_versions/receiver_versions_$prog" > "$T/$prog.out" 2>&1 || fail "$prog: $(cat "$T/$prog.out")"
grep -q SKIPPED "$T/$prog.out" && fail "$prog: cases were skipped: $(cat "$T/$prog.out")"
grep -q 'PASSED.* [1-9]' "$T/$prog.out" || fail "$prog: no case ran: $(cat "$T/$prog.out")"
finish

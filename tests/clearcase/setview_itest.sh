#!/bin/bash
# setview -exec: cd into the VOB tag works, relative and VOB-tag-rooted
# pnames resolve in the view, output passes through, the exit status is the
# command's; clearprompt never blocks.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
ok cleartool mkview -tag other /store/other.vws
cd /view/dev/vobs/src
ok cleartool checkout -nc .
ok cleartool mkdir -nc lib
printf 'x\n' > lib/x.c
ok cleartool mkelem -ci -nc lib/x.c
ok cleartool checkin -nc lib .
cd /
out=$(cleartool setview -exec 'cd "/vobs/src/lib" && pwd && cat x.c && echo "root=$CLEARCASE_ROOT"' dev 2>/dev/null)
eq "/vobs/src/lib
x
root=/view/dev" "$out" "setview output"
cleartool setview -exec 'exit 7' dev
eq 7 $? "setview exit status"
# Changes made inside one view's setview are seen through /view at once.
ok cleartool setview -exec 'cd /vobs/src/lib && cleartool checkout -nc x.c && echo y > x.c && cleartool checkin -nc x.c && cleartool checkout -nc /vobs/src/lib' dev
content y /view/dev/vobs/src/lib/x.c
content y /view/other/vobs/src/lib/x.c
[ -w /view/dev/vobs/src/lib ] || fail "checked-out directory"
# In the other view the directory is not checked out.
out=$(cleartool setview -exec 'cd /vobs/src/lib && cleartool mkelem -nc new.c' other 2>&1)
echo "$out" | grep -q "not checked out" || fail "mkelem in a view without the checkout: $out"
ko cleartool setview -exec 'true' no_such_view
# The bare environment of a detached daemon is enough.
ok env -i PATH="$PATH" cleartool lsview -s dev
ok env -i PATH="$PATH" cleartool lsvob -s /vobs/src
# clearprompt answers abort without reading stdin.
# (stdin is a pipe that stays open and empty: reading it would hang)
sleep 3 | timeout 2 clearprompt yes_no -mask abort -def abort -pre -pro "Shipping failed: see the log" >/dev/null 2>$TEST_TMP/cp.err
eq 2 "${PIPESTATUS[1]}" "clearprompt abort code"
grep -q "Shipping failed: see the log" $TEST_TMP/cp.err || fail "prompt text on stderr"
finish

#!/bin/bash
# Config-spec selection in two views of one VOB: branch rules, -mkbranch on
# checkout/mkelem/mkdir, labels, fixed versions, -none, -nocheckout, rules
# naming types that do not exist yet, and view-private files.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
ok cleartool mkview -tag other /store/other.vws
ok cleartool mkbrtype -nc dev@/vobs/src
ok cleartool mklbtype -nc GOOD@/vobs/src
cd /view/dev/vobs/src
ok cleartool checkout -nc .
ok cleartool mkelem -nc a.c
printf 'a1\n' > a.c
ok cleartool mkdir -nc sub
ok cleartool checkin -nc a.c sub .
ok cleartool checkout -nc a.c
printf 'a2\n' > a.c
ok cleartool checkin -nc a.c
ok cleartool mklabel -nc GOOD a.c@@/main/1
cat > $TEST_TMP/dev.cs <<'CS'
# development view
element * CHECKEDOUT
element * .../dev/LATEST
element -file * /main/LATEST -mkbranch dev
element -directory * /main/LATEST -mkbranch dev
CS
ok cleartool setcs -tag dev $TEST_TMP/dev.cs
eq "$(cat $TEST_TMP/dev.cs)" "$(cleartool catcs -tag dev)" "catcs"
# -mkbranch: checkout creates dev at the selected version.
ok cleartool checkout -nc a.c
grep -q 'from version "/main/dev/0"' "$TEST_TMP/out" || fail "checkout should start from /main/dev/0: $(cat $TEST_TMP/out)"
printf 'dev\n' > a.c
ok cleartool checkin -nc a.c
content dev a.c
content a2 /view/other/vobs/src/a.c
# mkdir and mkelem in the dev view also branch.
ok cleartool checkout -nc sub
ok cleartool mkelem -nc sub/n.c
ok cleartool checkin -nc sub/n.c sub
has_file sub/n.c@@/main/dev/1
no_file /view/other/vobs/src/sub/n.c
# Fixed version, label, -none, -nocheckout.
while IFS='|' read -r rule expect; do
    printf 'element * CHECKEDOUT\n%s\nelement * /main/LATEST\n' "$rule" > $TEST_TMP/o.cs
    ok cleartool setcs -tag other $TEST_TMP/o.cs
    if [ "$expect" = "-" ]; then
        no_file /view/other/vobs/src/a.c
    else
        content "$expect" /view/other/vobs/src/a.c
    fi
done <<'TABLE'
element a.c /main/1|a1
element * GOOD|a1
element * .../dev/LATEST|dev
element /vobs/src/a.c /main/dev/0|a2
element /vobs/src/... /main/LATEST|a2
element *.c -none|-
element * NOT_YET_A_LABEL|a2
element * .../not_yet_a_branch/LATEST|a2
TABLE
printf 'element * /main/LATEST -nocheckout\n' > $TEST_TMP/nco.cs
ok cleartool setcs -tag other $TEST_TMP/nco.cs
cd /view/other/vobs/src
ko cleartool checkout -nc a.c
# Unsupported lines are refused and leave the config spec alone.
printf 'include /etc/other.cs\n' > $TEST_TMP/bad.cs
ko cleartool setcs -tag other $TEST_TMP/bad.cs
eq "element * /main/LATEST -nocheckout" "$(cleartool catcs -tag other)" "config spec after refused setcs"
# View-private files survive refreshes; a rule naming a later label type starts matching once it exists.
printf 'mine\n' > private.txt
printf 'element * CHECKEDOUT\nelement * LATER\nelement * /main/LATEST\n' > $TEST_TMP/later.cs
ok cleartool setcs -tag other $TEST_TMP/later.cs
content mine private.txt
ok cleartool mklbtype -nc LATER@/vobs/src
ok cleartool mklabel -nc LATER a.c@@/main/1
content a1 a.c
content mine private.txt
# With no fallback rule, an element appears when it gets the label and
# disappears when the label goes.
printf 'element * CHECKEDOUT\nelement /vobs/src /main/LATEST\nelement /vobs/src/sub /main/LATEST\nelement * ONLY\n' > $TEST_TMP/only.cs
ok cleartool setcs -tag other $TEST_TMP/only.cs
no_file a.c
has_file sub
ok cleartool mklbtype -nc ONLY@/vobs/src
ok cleartool mklabel -nc ONLY /view/dev/vobs/src/a.c@@/main/2
content a2 a.c
ok cleartool rmlabel -nc ONLY /view/dev/vobs/src/a.c@@/main/2
no_file a.c
content mine private.txt
# A checkin rewrites only what changed: other files keep their inode.
before=$(stat -c %i /view/dev/vobs/src/sub/n.c)
cd /view/dev/vobs/src
ok cleartool checkout -nc a.c
printf 'dev2\n' > a.c
ok cleartool checkin -nc a.c
eq "$before" "$(stat -c %i sub/n.c)" "untouched file rewritten"
content dev2 a.c
finish

#!/bin/bash
# Concurrent cleartool processes: four loops of checkout/edit/checkin on
# different elements, plus a labeller, all at once; every version must be
# there afterwards with the bytes written for it.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
ok cleartool mklbtype -nc L@/vobs/src
cd /view/dev/vobs/src
ok cleartool checkout -nc .
for i in 1 2 3 4; do ok cleartool mkelem -nc e$i.c; done
ok cleartool checkin -nc e1.c e2.c e3.c e4.c .
ROUNDS=8
loop() {
    local f=$1 n
    for n in $(seq 1 $ROUNDS); do
        cleartool checkout -nc $f >/dev/null || echo "checkout $f $n" >> $TEST_TMP/errors
        printf '%s %s\n' $f $n > $f
        cleartool checkin -nc $f >/dev/null || echo "checkin $f $n" >> $TEST_TMP/errors
    done
}
labeller() {
    local n
    for n in $(seq 1 $ROUNDS); do cleartool mklabel -replace -nc L e1.c >/dev/null 2>&1; done
}
rm -f $TEST_TMP/errors
for i in 1 2 3 4; do loop e$i.c & done
labeller &
wait
[ -s $TEST_TMP/errors ] && fail "failed operations: $(cat $TEST_TMP/errors)"
for i in 1 2 3 4; do
    eq $((ROUNDS + 2)) "$(ls e$i.c@@/main | grep -c "^[0-9]")" "versions of e$i.c (0, the first checkin, one per round)"
    for n in $(seq 1 $ROUNDS); do content "e$i.c $n" e$i.c@@/main/$((n + 1)); done
    content "e$i.c $ROUNDS" e$i.c
done
eq 1 "$(db 'select count(*) from labels')" "one label instance after concurrent -replace"
eq ok "$(db 'pragma integrity_check')" "database integrity"
finish

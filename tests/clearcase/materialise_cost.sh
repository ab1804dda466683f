#!/bin/bash
# Measures the materialisation cost: builds a VOB of DIRS x FILES elements
# (default 100 x 100 = 10,000) with two views, then times single
# checkout/checkin cycles and a full setcs rebuild. Not part of the test
# suite; run by hand: BUILD_DIR=build bash tests/clearcase/materialise_cost.sh
set -eu
if [ -z "${IN_CCSANDBOX:-}" ]; then
    exec env IN_CCSANDBOX=1 "${BUILD_DIR:?}/clearcase/bin/ccsandbox" bash "$0" "$@"
fi
DIRS=${DIRS:-100}
FILES=${FILES:-100}
now() { date +%s.%N; }
el() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
per() { awk -v a="$1" -v b="$2" -v n="$3" 'BEGIN { printf "%.4f", (b - a) / n }'; }
cleartool mkvob -tag /vobs/big -nc /store/big.vbs >/dev/null
cleartool mkview -tag a /store/a.vws >/dev/null
cleartool mkview -tag b /store/b.vws >/dev/null
cd /view/a/vobs/big
t0=$(now)
cleartool checkout -nc . >/dev/null
dirs=$(seq -f 'd%03g' 1 $DIRS)
cleartool mkdir -nc $dirs >/dev/null
for d in $dirs; do
    cleartool mkelem -nc -ci $(seq -f "$d/f%03g.c" 1 $FILES) >/dev/null
done
cleartool checkin -nc $dirs . >/dev/null
t1=$(now)
echo "authoring $((DIRS * FILES)) elements in $DIRS directories (2 views): $(el $t0 $t1) s"
N=20
F=$(printf "d%03d/f%03d.c" $(( (DIRS + 1) / 2 )) $(( (FILES + 1) / 2 )))
t0=$(now)
for i in $(seq 1 $N); do
    cleartool checkout -nc $F >/dev/null
    echo "change $i" > $F
    cleartool checkin -nc $F >/dev/null
done
t1=$(now)
echo "checkout+checkin of one file, $N cycles: $(per $t0 $t1 $N) s per cycle"
t0=$(now)
for i in $(seq 1 $N); do cleartool mklabel -replace -nc LATEST_TEST $F >/dev/null 2>&1 || true; done
t1=$(now)
echo "failing mklabel (unknown type), $N runs: $(per $t0 $t1 $N) s per run (process + store open)"
printf 'element * CHECKEDOUT\nelement * /main/LATEST\n' > /tmp/cs.$$
t0=$(now)
cleartool setcs -tag b /tmp/cs.$$
t1=$(now)
rm -f /tmp/cs.$$
echo "setcs (full rebuild of a view of $((DIRS * FILES)) elements): $(el $t0 $t1) s"

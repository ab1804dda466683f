#!/bin/bash
# Scale benchmark of the receiver's whole road for one VOB packet.
#
# Inside a private ccsandbox: writes a replication packet of ELEMENTS file
# elements with VERSIONS_PER_ELEMENT versions each (the last labelled, the
# second with an attribute, every version but the first with its own data
# file), packs it with vandrel_packet as the shipper sends it (encrypted head
# and part, trailer last), and lets `vandrel_receiver -once -wait` apply it
# to an empty VOB. Prints the wall time and peak memory of the run (the
# largest of the receiver and the programs it ran), and the time stamps of
# the road's steps from the receiver's log.
#
# Usage: bench/receiver_scale.sh [build dir]   (default: ./build)
# Environment: ELEMENTS (2000), VERSIONS_PER_ELEMENT (5), DIRS (100).
# For the time of each application step and the receiver's own memory, see
# bench_receiver_apply.
set -u

if [ -z "${RCVSCALE_INSIDE:-}" ]; then
    build=${1:-${BUILD_DIR:-build}}
    build=$(cd "$build" && pwd) || exit 2
    sandbox="$build/clearcase/bin/ccsandbox"
    if [ ! -x "$sandbox" ] || [ ! -x "$build/bin/vandrel_receiver" ]; then
        echo "receiver_scale: build vandrel_receiver, vandrel_packet and the clearcase targets first" >&2
        exit 2
    fi
    exec "$sandbox" env RCVSCALE_INSIDE=1 KEEP="${KEEP:-}" BUILD_DIR="$build" SRC_DIR="$(cd "$(dirname "$0")/.." && pwd)" \
        ELEMENTS="${ELEMENTS:-2000}" VERSIONS_PER_ELEMENT="${VERSIONS_PER_ELEMENT:-5}" DIRS="${DIRS:-100}" \
        bash "$0"
fi

. "$SRC_DIR/tests/receiver/receiver_lib.sh"
work=$(mktemp -d /tmp/receiver_scale.XXXXXX)
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
fail() {
    echo "receiver_scale: $*" >&2
    exit 1
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

cleartool mkvob -tag /vobs/dst -nc "$work/dst.vbs" > /dev/null || fail "mkvob"
cleartool mkview -tag imp "$work/imp.vws" > /dev/null || fail "mkview"
# The receiver applies packets only to VOBs that carry the replication
# triggers. Here they fire on an operation the import never makes, so that
# their own cost (a shell per trigger and check-in) stays out of the figures.
for i in 1 2 3 4; do
    cleartool mktrtype -element -all -postop rmelem -execunix true "QUORLIN_$i@/vobs/dst" > /dev/null || fail "mktrtype"
done

t0=$(now)
# The head (element description, config spec, header records, label and
# attribute section, removal and lock section, new-element records, the
# empty data file) and the part holding every other data file.
awk -v n="$ELEMENTS" -v per="$VERSIONS_PER_ELEMENT" -v dirs="$DIRS" -v out="$work" -v M="$M" '
  function vline(tag, value) { printf "%s %d:%s\n", tag, length(value), value > head }
  BEGIN {
    head = out "/h"; part = out "/p"
    vline("ExportFromDir", "/view/dev/vobs/src")
    print "LBTYPE_BEGIN" > head; vline("LbType", "REL"); print "LBTYPE_END" > head
    print "ATTYPE_BEGIN" > head; vline("AttrType", "Status"); print "ATTYPE_END" > head
    for (d = 0; d < dirs; d++) { print "DIR_BEGIN" > head; vline("DirName", sprintf("d%03d", d)); print "DIR_END" > head }
    printf "%s", M > part
    files = 0; versions = 0
    for (e = 0; e < n; e++) {
      name = sprintf("d%03d/f%06d.c", e % dirs, e)
      print "ELEMENT_BEGIN" > head; vline("Name", name); vline("ElType", "text_file")
      for (v = 0; v < per; v++) {
        print "VERSION_BEGIN" > head
        vline("VersionId", "/main/" v); vline("OnBranch", "main")
        if (v == per - 1) vline("Label", "REL")
        if (v == 1) vline("Attrib", "Status=\"built\"")
        if (v == 0) data = "zeb.0000"
        else {
          data = sprintf("zeb.%04d", ++files)
          printf "element %s version %d\nsecond line of %s\n%s", name, v, name, M > part
        }
        vline("ExtractFile", data)
        print "VERSION_END" > head
        versions++
      }
      print "ELEMENT_END" > head
    }
    printf "%selement * /main/LATEST%sl:east;D:vob;V:12.0;n:main;g:REL;y:Status;%s", M, M, M > head
    printf "POST>%sDESTROY>rmtype.L|OLD>lock.L|REL>%s%s%s", M, M, M, M > head
    print versions > (out "/count")
  }' || fail "generating the packet"
versions=$(cat "$work/count")

new_depot "$work/r"
IN="$work/r/in"
mkdir -p "$IN"
write_conf "$IN > receiver > allow_lbtype_locks"
P=epoc.001.east.west
"$PKT" compress-head "$work/h" "$work/h.z" /vobs/dst /vobs/dst - > /dev/null || fail "compress-head"
"$PKT" crypt "$work/h.z" "$IN/$P.crc" > /dev/null || fail "crypt head"
"$PKT" compress-part "$work/p" "$work/p.z" > /dev/null || fail "compress-part"
"$PKT" crypt "$work/p.z" "$IN/$P.crc_1" > /dev/null || fail "crypt part"
rm -f "$work/h" "$work/h.z" "$work/p" "$work/p.z"
trailer "$IN" "$P" /vobs/dst "$versions" "$(integrity_line "$IN" "$P")"
t1=$(now)

/usr/bin/time -f "%e %M" -o "$work/time" "$RCV" "$D" -once -wait > "$work/run.out" 2>&1
t2=$(now)
[ -e "$IN/$P.epoc" ] || fail "packet not confirmed: $(tail -5 "$LOGS/receiver_errors.txt" 2> /dev/null)"
made=$(find /view/imp/vobs/dst -type f -name '*.c' | wc -l)
[ "$made" -eq "$ELEMENTS" ] || fail "expected $ELEMENTS elements in /vobs/dst, found $made"

read -r wall peak < <(tail -1 "$work/time")
echo "elements=$ELEMENTS versions=$versions directories=$DIRS"
echo "write and pack the packet: $(elapsed "$t0" "$t1") s"
echo "vandrel_receiver -once:    ${wall} s, peak ${peak} KiB (receiver or a program it ran)"
echo "steps (receiver logs, to the second): intake, normalisation begins, deferred locks after the import, confirmation"
cat "$LOGS/receiver_all.txt" "$LOGS/receiver_TOCs.txt" |
    grep -E '^\[.*(Processing received packet|TOC for package|Honored remote|Successfully processed)' |
    sed 's/^\[[A-Za-z]* [A-Za-z]* *[0-9]* \([0-9:]*\) [0-9]* UTC [^]]*\]/  \1/' | sort -s -k1,1

#!/bin/bash
# Scale benchmark of one shipping pass: the time and peak memory of
# vandrel_shipper building (and holding) the packet of a large VOB.
#
# Inside a private ccsandbox: authors a VOB of ELEMENTS file elements with
# VERSIONS_PER_ELEMENT versions each (/main/0 included) by importing a
# generated export data file, equips it for replication, leaves a shipping
# request and runs `vandrel_shipper <depot> -once -wait` with the hold
# personality under /usr/bin/time. Prints the seconds of the pass, its
# peak resident memory and the packet's size.
#
# Usage: bench/shipping_pass_scale.sh [build dir]   (default: ./build)
# Environment: ELEMENTS (2000), VERSIONS_PER_ELEMENT (5), DIRS (50).
set -u

if [ -z "${SPSCALE_INSIDE:-}" ]; then
  build=$(cd "${1:-${BUILD_DIR:-build}}" && pwd)
  sandbox="$build/clearcase/bin/ccsandbox"
  [ -x "$sandbox" ] || { echo "shipping_pass_scale: no ccsandbox at $sandbox" >&2; exit 2; }
  exec "$sandbox" env SPSCALE_INSIDE=1 BUILD="$build" ELEMENTS="${ELEMENTS:-2000}" \
    VERSIONS_PER_ELEMENT="${VERSIONS_PER_ELEMENT:-5}" DIRS="${DIRS:-50}" bash "$0"
fi

export PATH="$BUILD/bin:$PATH"
work=$(mktemp -d /tmp/shipping_pass_scale.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "shipping_pass_scale: $*" >&2; exit 1; }

cleartool mkvob -tag /vobs/src -nc "$work/src.vbs" > /dev/null || fail "mkvob"
cleartool mkview -tag exp "$work/exp.vws" > /dev/null || fail "mkview"
for n in 1 2 3 4; do cleartool mktrtype -element -all -execunix true "QUORLIN_$n@/vobs/src" > /dev/null || fail "mktrtype"; done

mkdir -p "$work/gen"
awk -v n="$ELEMENTS" -v per="$VERSIONS_PER_ELEMENT" -v dirs="$DIRS" -v out="$work/gen" '
  function vline(tag, value) { printf "%s %d:%s\n", tag, length(value), value > stream }
  BEGIN {
    stream = out "/stream.txt"
    printf "" > (out "/zeb.0000"); close(out "/zeb.0000")
    vline("ExportFromDir", out)
    for (d = 0; d < dirs; d++) { print "DIR_BEGIN" > stream; vline("DirName", sprintf("d%03d", d)); print "DIR_END" > stream }
    files = 0
    for (e = 0; e < n; e++) {
      name = sprintf("d%03d/f%05d.c", e % dirs, e)
      print "ELEMENT_BEGIN" > stream; vline("Name", name); vline("ElType", "text_file")
      for (v = 0; v < per; v++) {
        print "VERSION_BEGIN" > stream
        vline("VersionId", "/main/" v); vline("OnBranch", "main")
        if (v == 0) data = "zeb.0000"
        else {
          data = sprintf("zeb.%06d", ++files)
          printf "element %s version %d\nline two of %s\n", name, v, name > (out "/" data); close(out "/" data)
        }
        vline("ExtractFile", data)
        print "VERSION_END" > stream
      }
      print "ELEMENT_END" > stream
    }
  }' || fail "generating the stream"
cleartool setview -exec "cd /vobs/src && clearimport -nc '$work/gen/stream.txt' > /dev/null 2> '$work/author.err'" exp \
  || fail "authoring failed: $(head -3 "$work/author.err")"
rm -rf "$work/gen"

D=$work/depot
B=$D/m_bay
mkdir -p "$D/daemon" "$B/_ship_out" "$B/_hold_out" "$B/epocs" "$B/logs" "$B/config/hostmaps" \
  "$B/config/config_specs" "$B/_triggers"
echo 'element * /main/LATEST' > "$B/config/config_specs/001.cs"
printf '%s\n' "shipper_id=$(id -un)" view=exp location_name=siteA transport_program=lftp UTC_offset=+0000 \
  '1>/vobs/src>>.>/vobs/dst>.>siteB>hold' > "$B/config/shipper.conf"
scr() { vandrel_packet scramble 10.3 1.2 "" "$1"; }
printf '%s VLso_12.1_l %s' "$(scr "$(cleartool describe -fmt %On vob:/vobs/src)")" "$(scr "$(date +%s)_l")" \
  > "$B/_ship_out/mship.001.siteB"

/usr/bin/time -f '%e %M' -o "$work/time" vandrel_shipper "$D" -once -wait > /dev/null 2>&1
read -r seconds kb < <(tail -n 1 "$work/time")
held=$B/_hold_out/epoc.001.siteB.siteA
[ -s "$held.pack" ] || fail "no packet held: $(tail -3 "$B/logs/shipper_errors.txt")"
bytes=$(cat "$held".crc* | wc -c)
versions=$(sed -n 's/^\[\(.*\)\]$/\1/p' "$held.pack")
echo "elements=$ELEMENTS versions in packet=$versions packet bytes=$bytes parts=$(ls "$held".crc* | wc -l)"
echo "shipping pass (vandrel_shipper -once): ${seconds} s, peak resident memory ${kb} kB"
# Where the time goes: the log lines that open each stage.
stamp() { grep -hF -- "$1" "$B/logs/$2" | head -n 1 | sed 's/^\[[A-Za-z]* [A-Za-z]* *[0-9]* \([0-9:]*\) .*/\1/'; }
echo "stages: request taken $(stamp 'Processing (' shipper_all.txt), export started $(stamp 'packaging all data' shipper_all.txt)," \
  "metadata passes done $(stamp 'TOC for' shipper_TOCs.txt), packet built $(stamp 'holding packet' shipper_all.txt)," \
  "completed $(stamp 'Completed (' shipper_all.txt)"

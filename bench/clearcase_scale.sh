#!/bin/bash
# Scale benchmark of the ClearCase substitute's export and import.
#
# Inside a private ccsandbox: authors a VOB of ELEMENTS file elements with
# VERSIONS_PER_ELEMENT versions each (by importing a generated export data
# file, the fast authoring path), exports the whole VOB with
# clearexport_ccase, imports that export into a second VOB, and prints the
# seconds of every stage.
#
# Usage: bench/clearcase_scale.sh [build dir]   (default: ./build)
# Environment: ELEMENTS (10000), VERSIONS_PER_ELEMENT (5), DIRS (100).
set -u

if [ -z "${CCSCALE_INSIDE:-}" ]; then
  build=${1:-${BUILD_DIR:-build}}
  sandbox="$build/clearcase/bin/ccsandbox"
  if [ ! -x "$sandbox" ]; then
    echo "clearcase_scale: no ccsandbox at $sandbox (build the clearcase targets first)" >&2
    exit 2
  fi
  exec "$sandbox" env CCSCALE_INSIDE=1 ELEMENTS="${ELEMENTS:-10000}" \
    VERSIONS_PER_ELEMENT="${VERSIONS_PER_ELEMENT:-5}" DIRS="${DIRS:-100}" bash "$0"
fi

elements=$ELEMENTS
per=$VERSIONS_PER_ELEMENT
dirs=$DIRS
work=$(mktemp -d /tmp/clearcase_scale.XXXXXX)
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
fail() { echo "clearcase_scale: $*" >&2; exit 1; }

cleartool mkvob -tag /vobs/src -nc "$work/src.vbs" > /dev/null || fail "mkvob src"
cleartool mkvob -tag /vobs/dst -nc "$work/dst.vbs" > /dev/null || fail "mkvob dst"
cleartool mkview -tag scale "$work/scale.vws" > /dev/null || fail "mkview"

# The generated stream: DIRS directories holding the elements, versions
# /main/0 .. /main/<per-1>, each version's bytes in its own data file.
t0=$(now)
mkdir -p "$work/gen"
awk -v n="$elements" -v per="$per" -v dirs="$dirs" -v out="$work/gen" '
  function vline(tag, value) { printf "%s %d:%s\n", tag, length(value), value > stream }
  BEGIN {
    stream = out "/stream.txt"
    printf "" > (out "/zeb.0000")
    close(out "/zeb.0000")
    vline("ExportFromDir", out)
    for (d = 0; d < dirs; d++) {
      print "DIR_BEGIN" > stream
      vline("DirName", sprintf("d%03d", d))
      print "DIR_END" > stream
    }
    files = 0
    for (e = 0; e < n; e++) {
      name = sprintf("d%03d/f%05d.c", e % dirs, e)
      print "ELEMENT_BEGIN" > stream
      vline("Name", name)
      vline("ElType", "text_file")
      for (v = 0; v < per; v++) {
        print "VERSION_BEGIN" > stream
        vline("VersionId", "/main/" v)
        vline("OnBranch", "main")
        if (v == 0) data = "zeb.0000"
        else {
          data = sprintf("zeb.%06d", ++files)
          printf "element %s version %d\nline two of %s\n", name, v, name > (out "/" data)
          close(out "/" data)
        }
        vline("ExtractFile", data)
        print "VERSION_END" > stream
      }
      print "ELEMENT_END" > stream
    }
  }' || fail "generating the stream"
t1=$(now)

cleartool setview -exec "cd /vobs/src && clearimport -nc \"$work/gen/stream.txt\" > \"$work/author.out\" 2> \"$work/author.err\"" scale \
  || fail "authoring import failed: $(head -5 "$work/author.err")"
t2=$(now)

cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -o \"$work/export.txt\" > /dev/null" scale \
  || fail "export failed"
[ -s "$work/export.txt" ] || fail "no export file"
t3=$(now)

# As the receiver does: the stream names where its data files are.
src_dir=/view/scale/vobs/src
sed -i "1s|.*|ExportFromDir ${#src_dir}:$src_dir|" "$work/export.txt"
cleartool setview -exec "cd /vobs/dst && clearimport -c \"created by Vandrel\" -master -i \"$work/export.txt\" > \"$work/import.out\" 2> \"$work/import.err\"" scale \
  || fail "import failed: $(head -5 "$work/import.err")"
t4=$(now)

exported=$(grep -c '^VERSION_BEGIN$' "$work/export.txt")
created=$(awk '/version\(s\) created/ { sub(/.*: /, ""); n += $1 } END { print n + 0 }' "$work/import.out")
tail -1 "$work/import.out" | grep -qx 'Closing directories.' || fail "import did not close"
cmp -s /view/scale/vobs/src/d007/f00007.c /view/scale/vobs/dst/d007/f00007.c || fail "contents differ after import"

echo "elements=$elements versions=$((elements * per)) directories=$dirs"
echo "generate stream:        $(elapsed "$t0" "$t1") s"
echo "author (import):        $(elapsed "$t1" "$t2") s"
echo "export:                 $(elapsed "$t2" "$t3") s  ($exported versions exported)"
echo "import into second VOB: $(elapsed "$t3" "$t4") s  ($created versions created)"
echo "author+export+import:   $(elapsed "$t1" "$t4") s"

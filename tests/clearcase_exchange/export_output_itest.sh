#!/bin/bash
# clearexport_ccase's data file, inside ccsandbox: links planted at the old,
# predictable temporary name ("<output>.tmp.<pid>") or at the output itself
# are never written through nor re-moded; the output becomes a new regular
# file and no temporary file is left beside it.
set -u

# A fresh scratch folder, then the shared helpers re-run this script inside
# ccsandbox.
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"

T=$TEST_TMP
make_vob_and_view
cd /view/dev/vobs/src || die "no view"
{
  ct checkout -nc .
  ct mkelem -nc f.c
  printf 'f one\n' > f.c
  ct checkin -nc f.c .
} > /dev/null
cd /

mkdir -p "$T/out"
for v in tmp out; do
  printf 'keep %s\n' $v > "$T/victim_$v"
  chmod 600 "$T/victim_$v"
done
ln -s "$T/victim_out" "$T/out/data.txt"
# The exporter is exec'd by the shell, so it runs with the shell's pid.
ct setview -exec "cd /vobs/src && ln -s '$T/victim_tmp' '$T/out/data.txt.tmp.'\$\$ && exec clearexport_ccase -r -o '$T/out/data.txt' > /dev/null" dev
[ -L "$T/out/data.txt" ] && fail "the output is still a link"
[ -f "$T/out/data.txt" ] || fail "no output file"
grep -q '^ExportFromDir 9:/vobs/src$' "$T/out/data.txt" || fail "output lacks its header"
for v in tmp out; do
  content "keep $v" "$T/victim_$v"
  eq 600 "$(stat -c %a "$T/victim_$v")" "mode of the victim of the $v link"
done
eq 2 "$(ls -A "$T/out" | wc -l)" "files beside the output: $(ls -A "$T/out")"
finish

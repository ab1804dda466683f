#!/bin/bash
# What clearimport refuses, inside ccsandbox: a stream whose ExportFromDir
# names a directory other than the data file's own or one in the view
# namespace imports nothing; a data file reached through a link leading out
# of the data directory is trouble; type names that could be read as paths
# or version selectors are never created.
set -u

# A fresh scratch folder, then the shared helpers re-run this script inside
# ccsandbox.
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"

T=$TEST_TMP
vl() { printf '%s %d:%s\n' "$1" "${#2}" "$2"; }  # value line

for v in src dst; do ct mkvob -tag /vobs/$v -nc "$T/$v.vbs" > /dev/null; done
ct mkview -tag dev "$T/dev.vws" > /dev/null
# A file of this host the streams try to read, and a VOB symbolic link to it.
mkdir -p "$T/secret" "$T/bay"
printf 'SECRET\n' > "$T/secret/shadow"
printf 'from the bay\n' > "$T/bay/zeb.0001"
cd /view/dev/vobs/src || die "no view"
{
  ct checkout -nc .
  ct mkelem -nc f.c
  printf 'f one\n' > f.c
  ct checkin -nc f.c
  ct ln -s -nc "$T/secret" out
  ct checkin -nc .
} > /dev/null
cd /

# stream EXPORT-FROM-DIR EXTRACT-FILE [BRANCH]: prints a stream of one
# element, x.c, with version /main/1, or with a type block for BRANCH and
# version /main/BRANCH/1 when a branch is named.
stream() {
  vl ExportFromDir "$1"
  [ -n "${3:-}" ] && { printf 'BRTYPE_BEGIN\n'; vl BrType "$3"; printf 'BRTYPE_END\n'; }
  printf 'ELEMENT_BEGIN\n'; vl Name x.c; vl ElType text_file
  if [ -n "${3:-}" ]; then
    printf 'VERSION_BEGIN\n'; vl VersionId /main/0; vl OnBranch main; vl SubBranch "$3"
    vl ExtractFile "$2"; printf 'VERSION_END\n'
    printf 'VERSION_BEGIN\n'; vl VersionId "/main/$3/1"; vl OnBranch "$3"
  else
    printf 'VERSION_BEGIN\n'; vl VersionId /main/1; vl OnBranch main
  fi
  vl ExtractFile "$2"; printf 'VERSION_END\nELEMENT_END\n'
}
# import DATAFILE: clearimport into /vobs/dst in view dev; sets rc.
import() {
  cleartool setview -exec "cd /vobs/dst && clearimport -nc '$1' > '$T/out' 2> '$T/err'" dev
  rc=$?
}
X=/view/dev/vobs/dst/x.c
# Removes what an earlier import made of x.c.
reset_x() {
  ct setview -exec "cd /vobs/dst && cleartool checkout -nc . > /dev/null && cleartool rmelem -force -nc x.c > /dev/null 2>&1; cleartool checkin -nc . > /dev/null" dev
}

# ---- ExportFromDir naming anything else: status 2, one error line, nothing
# imported, not even the element.
for dir in "$T/secret" /view/../"${T#/}"/secret /view/dev/vobs/src/out "$T/bay/../secret" secret /etc; do
  stream "$dir" shadow > "$T/bay/packet.zeb"
  import "$T/bay/packet.zeb"
  eq 2 "$rc" "status for ExportFromDir [$dir]"
  eq "clearimport: Error: ExportFromDir \"$dir\" is neither the directory of the data file nor a directory below /view: nothing imported." \
    "$(cat "$T/err")" "message for ExportFromDir [$dir]"
  grep -q 'Closing directories' "$T/out" && fail "closing line after refusing [$dir]"
  no_file "$X"
done
eq "" "$(cleartool find /view/dev/vobs/dst -name x.c -print 2>/dev/null)" "x.c after refusals"

# ---- a link inside the view namespace leading out: trouble for the version.
stream /view/dev/vobs/src out/shadow > "$T/bay/packet.zeb"
import "$T/bay/packet.zeb"
eq 1 "$rc" "status for a data file behind a link"
grep -q 'Trouble importing element "x.c" version "/main/1": data file "out/shadow" lies outside the export directory.' \
  "$T/err" || fail "no trouble for a data file behind a link: $(cat "$T/err")"
grep -q SECRET "$X" 2>/dev/null && fail "the secret was imported"

# ---- accepted: the data file's own directory, a view path, and a
# VOB-tag-rooted path (read in the importing view), each under its own name.
cases=("$T/bay|zeb.0001|from the bay" "/view/dev/vobs/src|f.c@@/main/1|f one" "/vobs/src|f.c|f one")
for c in "${cases[@]}"; do
  IFS='|' read -r dir file want <<< "$c"
  reset_x
  stream "$dir" "$file" > "$T/bay/packet.zeb"
  import "$T/bay/packet.zeb"
  eq 0 "$rc" "status for ExportFromDir [$dir] ($(cat "$T/err"))"
  content "$want" "$X"
done

# ---- type names: a branch type block or a version's branch whose name is
# not a type name creates nothing of it.
climb=$(printf '../%.0s' $(seq 1 20))${T#/}/escape
for br in "$climb" LATEST .. 7x; do
  reset_x
  stream "$T/bay" zeb.0001 "$br" > "$T/bay/packet.zeb"
  import "$T/bay/packet.zeb"
  eq 1 "$rc" "status for branch [$br]"
  grep -qxF "clearimport: Error: Invalid type name: \"$br\"." "$T/err" || fail "no type block refusal for [$br]: $(cat "$T/err")"
  grep -qF "Trouble importing element \"x.c\" version \"/main/$br/1\": " "$T/err" \
    || fail "no version trouble for [$br]: $(cat "$T/err")"
  eq "" "$(cleartool lstype -s -kind brtype -invob /vobs/dst | grep -vx main)" "branch types after [$br]"
  no_file "$T/escape"
done
finish

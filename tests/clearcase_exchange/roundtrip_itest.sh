#!/bin/bash
# Export/import round trip inside ccsandbox.
#
# Authors a VOB with nested branches, moved and per-branch labels, string
# (newline, ">") and integer attributes, merge arrows, a user element type,
# a symbolic link and empty files; exports it whole and imports it into a
# second VOB; replicates it in two steps (a full export, then one since a
# time, inclusive) into a third VOB; then checks that every version's bytes,
# the version trees, labels, attributes, merge arrows and types agree, that
# a re-import changes nothing, and that locks refuse the import.
set -u

# A fresh scratch folder, then the shared helpers re-run this script inside
# ccsandbox.
[ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
source "$SRC_DIR/tests/clearcase/lib.sh"

T=$TEST_TMP

# Prints ExportFromDir with the length of its value.
header() { printf 'ExportFromDir %d:%s' "${#1}" "$1"; }
# Points an export's ExportFromDir at the exporting view, as the receiver
# points it at its data directory.
rebase() { sed -i "1s|.*|$(header "$2")|" "$1"; }

# "20261210.012345" (%Nd) -> "10-Dec-2026.1:23:45" (the -s form).
since_of() {
  awk -v t="$1" 'BEGIN {
    split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", m, " ")
    printf "%d-%s-%s.%d:%d:%d", substr(t,7,2), m[substr(t,5,2)+0], substr(t,1,4),
           substr(t,10,2), substr(t,12,2), substr(t,14,2) }'
}

for v in src dst two lck; do ct mkvob -tag /vobs/$v -nc "$T/$v.vbs" > /dev/null; done
for w in dev imp; do ct mkview -tag $w "$T/$w.vws" > /dev/null; done
ct mkbrtype -nc dev@/vobs/src > /dev/null
ct mkbrtype -nc -global fix@/vobs/src > /dev/null
ct mklbtype -nc REL1@/vobs/src > /dev/null
ct mklbtype -nc -pbranch PB@/vobs/src > /dev/null
ct mkattype -nc -vtype string Status@/vobs/src > /dev/null
ct mkattype -nc -vtype integer Count@/vobs/src > /dev/null
ct mkeltype -nc -supertype text_file src_text@/vobs/src > /dev/null

# ---- phase 1: history that the first replication carries
cd /view/dev/vobs/src || die "no view of /vobs/src"
{
  ct checkout -nc .
  ct mkdir -nc lib
  ct mkelem -nc -eltype src_text lib/foo.c
  printf 'foo one\n' > lib/foo.c
  ct checkin -nc lib/foo.c
  ct checkout -nc lib/foo.c
  printf 'foo two\nsecond line\n' > lib/foo.c
  ct checkin -nc lib/foo.c
  ct mkelem -nc lib/empty.c
  ct checkin -nc lib/empty.c
  ct mkelem -nc lib/bin.dat
  printf '\000\001\002 binary \377' > lib/bin.dat
  ct checkin -nc lib/bin.dat
  ct ln -s -nc ../include/foo.h lib/foo.h
  ct checkin -nc lib .
  ct mklabel -nc REL1 lib/foo.c@@/main/1
  ct mkattr -nc Count 3 lib/foo.c@@/main/1
} > /dev/null
cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -o '$T/phase1.txt'" dev > /dev/null \
  || die "phase 1 export"
sleep 1

# ---- phase 2: changes after the first replication
printf 'element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST\n' > "$T/dev.cs"
ct setcs -tag dev "$T/dev.cs"
{
  ct mkbranch -nc dev lib/foo.c
  printf 'dev one\n' > lib/foo.c
  ct checkin -nc lib/foo.c
  ct mkbranch -nc fix lib/foo.c
  printf 'fix one\n' > lib/foo.c
  ct checkin -nc lib/foo.c
} > /dev/null
# Versions on main can also be made through a view that selects main.
ct mkview -tag mainview "$T/mainview.vws" > /dev/null
cd /view/mainview/vobs/src/lib || die "no main view"
{
  ct checkout -nc foo.c
  printf 'foo three\n' > foo.c
  ct checkin -nc foo.c
  ct mkhlink -nc Merge foo.c@@/main/dev/1 foo.c@@/main/3
  ct mklabel -replace -nc REL1 foo.c@@/main/2
  ct mklabel -nc PB foo.c@@/main/dev/1
  ct mkattr -nc Status '"two
lines > ok"' foo.c@@/main/2
  ct checkout -nc .
  ct mkdir -nc sub
  ct mkelem -nc sub/new.c
  printf 'new\n' > sub/new.c
  ct checkin -nc sub/new.c sub .
} > /dev/null
first_after=$(cleartool describe -fmt '%Nd' /view/mainview/vobs/src/lib/foo.c@@/main/dev/0)
[ -n "$first_after" ] || die "no time of /main/dev/0"
since=$(since_of "$first_after")

cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -o '$T/full.txt'" dev > /dev/null || die "full export"
cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -s $since -o '$T/since.txt'" dev > /dev/null \
  || die "since export"
for f in phase1 full since; do rebase "$T/$f.txt" /view/dev/vobs/src; done

# ---- single-file mode: the directory's own block and the one element
cleartool setview -exec "cd /vobs/src/lib && clearexport_ccase -o '$T/single.txt' foo.c" dev > /dev/null \
  || fail "single-file export"
[ "$(grep -c '^ELEMENT_BEGIN$' "$T/single.txt")" = 1 ] || fail "single-file export holds other elements"
grep -q '^ExportFromDir 13:/vobs/src/lib$' "$T/single.txt" || fail "single-file export: ExportFromDir"
grep -q '^DirName 1:\.$' "$T/single.txt" || fail "single-file export: no block for the directory"
grep -q '^ExtractFile 22:foo.c@@/main/dev/fix/1$' "$T/single.txt" || fail "single-file export: nested branch missing"

# ---- the since export holds the changes, inclusive of the since second
grep -q '^VersionId 11:/main/dev/0$' "$T/since.txt" || fail "-s is not inclusive: /main/dev/0 missing"
grep -q '^BranchFrom 7:/main/2$' "$T/since.txt" || fail "-s export lacks BranchFrom of the new branch"
awk '/^Name / { el = $0 } el == "Name 9:lib/foo.c" && /^VersionId 7:\/main\/[12]$/ { found = 1 }
     END { exit !found }' "$T/since.txt" && fail "-s export holds a version older than the since time"
grep -q '^Name 9:lib/empty.c$' "$T/since.txt" && fail "-s export holds an element with no new version"
grep -q '^DirName 7:lib/sub$' "$T/since.txt" || fail "-s export lacks the new directory"

imp() {  # imp <vob> <data file> [options...]: import in view imp, output in $T/out, $T/err
  local vob=$1 data=$2
  shift 2
  cleartool setview -exec "cd /vobs/$vob && clearimport $* -i '$data' > '$T/out' 2> '$T/err'" imp
}

# ---- whole-VOB import
imp dst "$T/full.txt" -c '"created by Vandrel"' -master || fail "import into dst: $(cat "$T/err")"
[ "$(tail -1 "$T/out")" = "Closing directories." ] || fail "import did not end with Closing directories."
[ -s "$T/err" ] && fail "import wrote errors: $(cat "$T/err")"

# ---- two-step replication: everything, then since a time
imp two "$T/phase1.txt" -master || fail "phase 1 import: $(cat "$T/err")"
imp two "$T/since.txt" -nolab -master || fail "since import: $(cat "$T/err")"

# Every version's bytes, as each view shows them through version-extended names.
compare_vob() {  # compare_vob <vob> <versions whose labels and attributes travelled>
  local vob=$1 rel vid
  local -a meta=($2)
  while IFS= read -r line; do
    case $line in
      "Name "*) rel=${line#*:} ;;
      "VersionId "*)
        vid=${line#*:}
        cmp -s "/view/dev/vobs/src/$rel@@$vid" "/view/imp/vobs/$vob/$rel@@$vid" \
          || fail "$vob: bytes of $rel@@$vid differ or are missing"
        ;;
    esac
  done < "$T/full.txt"
  for el in lib/foo.c lib/empty.c lib/bin.dat lib/sub/new.c; do
    # Labels are compared below; here only the shape of the tree.
    diff <(cleartool lsvtree -all "/view/dev/vobs/src/$el" | sed 's|^/view/dev/vobs/src/||; s| (.*)$||') \
         <(cleartool lsvtree -all "/view/imp/vobs/$vob/$el" | sed "s|^/view/imp/vobs/$vob/||; s| (.*)\$||") \
         > /dev/null \
      || fail "$vob: version tree of $el differs"
  done
  local want got
  for x in "${meta[@]}"; do
    want=$(cleartool describe -fmt '%Nl|%a' "/view/dev/vobs/src/$x")
    got=$(cleartool describe -fmt '%Nl|%a' "/view/imp/vobs/$vob/$x")
    [ "$want" = "$got" ] || fail "$vob: labels/attributes of $x: want [$want] got [$got]"
  done
  if [ "${#meta[@]}" -gt 2 ]; then
    got=$(cleartool describe -fmt '%[Status]NSa' "/view/imp/vobs/$vob/lib/foo.c@@/main/2")
    [ "$got" = '"two
lines > ok"' ] || fail "$vob: Status value is [$got]"
    got=$(cleartool describe -fmt '%[Count]NSa' "/view/imp/vobs/$vob/lib/foo.c@@/main/1")
    [ "$got" = 3 ] || fail "$vob: Count value is [$got]"
    [ "$(cleartool describe -fmt '%Nl' "/view/imp/vobs/$vob/lib/foo.c@@/main/2")" = REL1 ] \
      || fail "$vob: moved label REL1 not on /main/2"
  fi
  cleartool describe -ahlink Merge -l "/view/imp/vobs/$vob/lib/foo.c@@/main/3" 2> /dev/null | grep -q '/main/dev/1' \
    || fail "$vob: merge arrow /main/dev/1 -> /main/3 missing"
  [ "$(cleartool describe -fmt '%[type_scope]p' brtype:fix@/vobs/$vob)" = global ] || fail "$vob: fix not global"
  cleartool lstype -l eltype:src_text@/vobs/$vob | grep -q '  supertype: text_file' \
    || fail "$vob: element type src_text or its supertype missing"
  [ "$(readlink "/view/imp/vobs/$vob/lib/foo.h")" = ../include/foo.h ] || fail "$vob: symbolic link missing"
  [ -f "/view/imp/vobs/$vob/lib/sub/new.c" ] || fail "$vob: lib/sub/new.c not visible"
}
compare_vob dst "lib/foo.c@@/main/1 lib/foo.c@@/main/2 lib/foo.c@@/main/3 lib/foo.c@@/main/dev/1"
# A since export carries the labels and attributes of the versions it holds;
# those of older versions travel as history records of the replication system.
compare_vob two "lib/foo.c@@/main/3 lib/foo.c@@/main/dev/1"

# The import's label and attribute events read as the shipper parses them.
cleartool setview -exec "cd /vobs/dst && cleartool lshistory -fmt '%o %m %e %n|%Nc\n' -rec -minor" imp > "$T/hist" 2>&1
grep -q '^mklabel version make label "PB" on version "/vobs/dst/lib/foo.c@@/main/dev/1" ' "$T/hist" \
  || fail "no mklabel event for the imported label: $(head -5 "$T/hist")"
grep -q '^mkattr version make attribute "Count" on version "/vobs/dst/lib/foo.c@@/main/1" .*|Added attribute "Count" with value "3"\.$' \
  "$T/hist" || fail "no mkattr event for the imported attribute"

# The whole history agrees as the exporter sees it (types with their
# properties included), apart from where it was taken.
cleartool setview -exec "cd /vobs/dst && clearexport_ccase -r -o '$T/dst.txt'" imp > /dev/null || fail "export of dst"
# The import's -c comment is the one difference allowed.
diff <(tail -n +2 "$T/full.txt") <(tail -n +2 "$T/dst.txt" | grep -v '^Comment 18:created by Vandrel$') > "$T/diff" \
  || fail "export of dst differs: $(head -20 "$T/diff")"

# ---- a re-import changes nothing
imp dst "$T/full.txt" -master || fail "re-import failed: $(cat "$T/err")"
grep -q 'version(s) created' "$T/out" || fail "re-import printed no progress"
grep -v '^Closing' "$T/out" | grep -v ': 0 version(s) created' && fail "re-import created versions"
cleartool setview -exec "cd /vobs/dst && clearexport_ccase -r -o '$T/dst2.txt'" imp > /dev/null
cmp -s "$T/dst.txt" "$T/dst2.txt" || fail "re-import changed the VOB"

# ---- locks refuse
ct lock vob:/vobs/lck > /dev/null
imp lck "$T/full.txt" -master && fail "import into a locked VOB succeeded"
grep -q '^clearimport: Error: ' "$T/err" || fail "locked VOB: no clearimport error"
grep -q 'Closing directories.' "$T/out" && fail "locked VOB: closing line printed"
ct unlock vob:/vobs/lck > /dev/null
ct mklbtype -nc REL1@/vobs/lck > /dev/null
ct lock lbtype:REL1@/vobs/lck > /dev/null
imp lck "$T/full.txt" -master && fail "import with a locked label type reported success"
grep -q 'clearimport: Error: Trouble importing element "lib/foo.c" version "/main/2": ' "$T/err" \
  || fail "locked label type: no trouble line: $(cat "$T/err")"
grep -qx '    "lib/foo.c"' "$T/err" || fail "locked label type: element not listed"
[ "$(tail -1 "$T/out")" = "Closing directories." ] || fail "locked label type: no closing line"
cmp -s /view/dev/vobs/src/lib/foo.c@@/main/3 /view/imp/vobs/lck/lib/foo.c@@/main/3 \
  || fail "locked label type stopped the versions themselves"

# ---- a failed export leaves no data file, not even an old one
echo stale > "$T/stale.txt"
cleartool setview -exec "cd /vobs/src && clearexport_ccase -o '$T/stale.txt' lib/nosuch.c" dev \
  > /dev/null 2>&1 && fail "export of a missing element succeeded"
[ -e "$T/stale.txt" ] && fail "a failed export left a data file"
echo stale > "$T/stale.txt"
cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -s 31-Feb-2026 -o '$T/stale.txt'" dev \
  > /dev/null 2>&1 && fail "export with a bad date succeeded"
[ -e "$T/stale.txt" ] && fail "an export with a bad date left a data file"

finish

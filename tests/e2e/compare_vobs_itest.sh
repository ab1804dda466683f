#!/bin/bash
# The VOB comparison tool against VOBs that agree and VOBs that differ in
# exactly one fact. The copies are made the way a replication makes them:
# the exporter's data file imported into another VOB, seen through another
# view under another VOB tag.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox history_lib

T=$TEST_TMP
CMP=$SRC_DIR/scripts/demo/compare_vobs.sh

ct mkvob -tag /vobs/src -nc "$T/src.vbs" > /dev/null
for w in dev imp; do ct mkview -tag $w "$T/$w.vws" > /dev/null; done
author_history dev /vobs/src || die "authoring the history"
change_history dev /vobs/src || die "changing the history"
ct mkattype -nc -vtype integer Spare@/vobs/src > /dev/null

cleartool setview -exec "cd /vobs/src && clearexport_ccase -r -o '$T/full.txt'" dev > /dev/null || die "export"
# The versions' bytes are staged beside the data file, as the receiver has
# them, so that one of them can be altered for a copy.
stage() {  # stage DIR DATA: copies DATA and every version it extracts into DIR
    local dir=$1 data=$2 rel
    while IFS= read -r rel; do
        mkdir -p "$dir/$(dirname "$rel")"
        cp "/view/dev/vobs/src/$rel" "$dir/$rel" || die "staging $rel"
    done < <(sed -n 's/^ExtractFile [0-9]*://p' "$data")
    sed "1s|.*|ExportFromDir ${#dir}:$dir|" "$data" > "$dir/data.txt"
}
stage "$T/full" "$T/full.txt"
stage "$T/altered" "$T/full.txt"
printf 'int sock(void) { return 4; }\n' > "$T/altered/src/net/sock.c@@/main/1"

# copy_vob TAG DATA: a new VOB made from the data file, completed with what
# the exchange format does not carry (element and branch attributes, type
# locks, unused types).
copy_vob() {
    local tag=$1
    ct mkvob -tag "$tag" -nc "$T/${tag##*/}.vbs" > /dev/null
    cleartool setview -exec "cd '$tag' && clearimport -master -i '$2'" imp > "$T/import.out" 2>&1 \
        || die "import into $tag: $(cat "$T/import.out")"
    (
        cd "/view/imp$tag" || exit 1
        _ct mkattr -nc Status '"core module"' src/main.c@@
        _ct mkattr -nc Status '"feature work"' src/util.c@@/main/dev
        _ct mkattr -nc Status '"documented"' doc/README@@
        _ct mkattr -nc Review 1 src/main.c@@/main
        _ct mkattr -nc Review 1 doc/CHANGES@@
        _ct lock "lbtype:BETA@$tag"
        _ct lock "lbtype:OLD@$tag"
        _ct lock src/util.c@@/main/dev
        _ct lock doc/LICENSE
        cleartool lstype -s attype:Spare@"$tag" > /dev/null 2>&1 || _ct mkattype -nc -vtype integer Spare@"$tag"
    ) || die "completing $tag"
}

# compare EXPECTED_STATUS ARGS...: output in $T/cmp.
compare() {
    local want=$1 rc
    shift
    bash "$CMP" "$@" > "$T/cmp" 2> "$T/cmp.err"
    rc=$?
    [ "$rc" = "$want" ] || fail "compare_vobs $*: exit $rc, expected $want ($(head -c 600 "$T/cmp" "$T/cmp.err"))"
}

# Copies through the exchange agree; the importer gathers a directory's
# changes into fewer versions, which is shown unless directory versions are
# left out.
copy_vob /vobs/same "$T/full/data.txt"
compare 0 -nodirversions dev /vobs/src imp /vobs/same
eq identical "$(cat "$T/cmp")" "comparison of equal VOBs"
compare 1 dev /vobs/src imp /vobs/same
eq "only in A: version doc@@/main/2 directory
only in A: version src@@/main/2 directory" "$(cat "$T/cmp")" "directory versions"
compare 0 -nodirversions imp /vobs/same dev /vobs/src
compare 0 -ignore '^version (src|doc)@@/main/2' dev /vobs/src imp /vobs/same
# The order in which an object lists its attributes does not matter.
(cd /view/imp/vobs/same && cleartool rmattr Review src/main.c@@/main/2 &&
    cleartool mkattr Review 3 src/main.c@@/main/2) > /dev/null || fail "re-adding an attribute"
compare 0 -nodirversions dev /vobs/src imp /vobs/same

# Single differences, each made in a fresh copy: the data file it comes
# from, what is done to it, the difference expected, and a text every line of
# the report holds (a removed branch takes its versions and arrows along).
n=0
while IFS='#' read -r name data change want every; do
    n=$((n + 1))
    copy_vob "/vobs/c$n" "$T/$data/data.txt"
    (cd "/view/imp/vobs/c$n" && eval "$change") > "$T/change.out" 2>&1 || fail "$name: $change: $(cat "$T/change.out")"
    compare 1 -nodirversions dev /vobs/src imp "/vobs/c$n"
    grep -qxF -- "$want" "$T/cmp" || fail "$name: [$want] not reported; got: $(cat "$T/cmp")"
    grep -vF -- "$every" "$T/cmp" | grep -q . && fail "$name: unrelated differences: $(grep -vF -- "$every" "$T/cmp")"
done <<'EOF'
content#altered#:#differs: version src/net/sock.c@@/main/1: A a4dc4d1f280be916741be55096f5ea9d23526bf262028660995a3c39dc835f1d | B d8f63026f8bb6503543f60dbf69cfef287f7047a73a6a15f8d5a4288f8138491#differs: version src/net/sock.c@@/main/1:
missing label#full#cleartool rmlabel REL1 doc/README#only in A: label REL1 on doc/README@@/main /main/2#only in A: label REL1 on doc/README@@/main /main/2
moved label#full#cleartool mklabel -replace REL1 src/util.c@@/main/2#differs: label REL1 on src/util.c@@/main: A /main/1 | B /main/2#differs: label REL1 on src/util.c@@/main:
attribute value#full#cleartool mkattr -replace Review 5 src/main.c@@/main/2#differs: attribute Review on src/main.c@@/main/2: A 3 | B 5#differs: attribute Review on src/main.c@@/main/2:
missing merge arrow#full#cleartool rmmerge src/util.c@@/main/dev/1 src/util.c@@/main/2#only in A: merge src/util.c@@/main/dev/1 -> src/util.c@@/main/2#only in A: merge src/util.c@@/main/dev/1 -> src/util.c@@/main/2
lock#full#cleartool lock -nusers adm src/main.c#only in B: lock src/main.c@@ Locked except for users: adm#only in B: lock src/main.c@@
missing type#full#cleartool rmtype attype:Spare@/vobs/c$n#only in A: attype Spare scope: this VOB (ordinary type); value type: integer#only in A: attype Spare
extra element#full#cleartool checkout -nc doc && printf 'new\n' > doc/NEW && cleartool mkelem -nc -ci doc/NEW && cleartool checkin -nc doc#only in B: branch doc/NEW@@/main#doc/NEW
missing branch#full#cleartool unlock src/util.c@@/main/dev && cleartool rmbranch -force src/util.c@@/main/dev#only in A: branch src/util.c@@/main/dev#src/util.c@@/main/dev
EOF

# A multi-line attribute value stays on one line of the report.
copy_vob /vobs/multi "$T/full/data.txt"
(cd /view/imp/vobs/multi && cleartool mkattr -replace Status '"two
lines"' src/main.c@@) > /dev/null || fail "multi-line attribute"
compare 1 -nodirversions dev /vobs/src imp /vobs/multi
eq 'differs: attribute Status on src/main.c@@: A "core module" | B "two\nlines"' "$(cat "$T/cmp")" "multi-line value"

# What cannot be compared is an error, not a difference.
compare 2 dev /vobs/src imp /vobs/nosuch
grep -q 'no VOB /vobs/nosuch' "$T/cmp.err" || fail "unknown VOB not named: $(cat "$T/cmp.err")"
compare 2 dev /vobs/src noview /vobs/same
compare 2 dev /vobs/src imp
finish

#!/bin/bash
# Type names: every command that makes or renames a type refuses a name that
# could be read as a path or a version selector, and the version trees on
# disk never take a path from a branch type name, even one already stored.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
T=$TEST_TMP
rm -rf "$T/escape" "$T/planted"
V=/view/dev/vobs/src

# A name that climbs from any version tree directory up to / and down into
# the scratch folder.
climb=$(printf '../%.0s' $(seq 1 20))${T#/}/escape
long=$(printf 'n%.0s' $(seq 1 3000))
max=$(printf 'm%.0s' $(seq 1 255))

# expect_refused TEXT-SHOWN CMD...: fails with exactly the invalid name
# message, prints nothing on stdout.
expect_refused() {
    local shown=$1
    shift
    if "$@" >"$T/out" 2>"$T/err"; then
        fail "accepted: $*"
        return
    fi
    eq "cleartool: Error: Invalid type name: \"$shown\"." "$(cat "$T/err")" "message of $*"
    [ -s "$T/out" ] && fail "output from refused: $*"
}

# Each bad name (and how the message shows it) against every creating command.
bad_names=("$climb" . .. LATEST CHECKEDOUT $'two\nlines' a/b "$long" "${max}m" 1st .hidden 'a b' a:b 'tab	x')
shown_names=("$climb" . .. LATEST CHECKEDOUT 'two\nlines' a/b "$long" "${max}m" 1st .hidden 'a b' a:b 'tab\tx')
for i in "${!bad_names[@]}"; do
    n=${bad_names[$i]}
    s=${shown_names[$i]}
    expect_refused "$s" cleartool mkbrtype -nc "$n@/vobs/src"
    expect_refused "$s" cleartool mklbtype -nc "$n@/vobs/src"
    expect_refused "$s" cleartool mkattype -nc "$n@/vobs/src"
    expect_refused "$s" cleartool mkeltype -nc -supertype text_file "$n@/vobs/src"
    expect_refused "$s" cleartool mkhltype -nc "$n@/vobs/src"
    expect_refused "$s" cleartool mktrtype -element -all -postop checkin -execunix true -nc "$n@/vobs/src"
done
eq 0 "$(db "SELECT count(*) FROM types WHERE predefined=0")" "types created from bad names"

# Names a site uses are accepted, up to 255 characters.
for n in QUORLIN_1 _x a.b-c_9 dev "$max"; do
    ok cleartool mkbrtype -nc "$n@/vobs/src"
done
ok cleartool mktrtype -element -all -postop checkin -execunix true -nc QUORLIN_2@/vobs/src

# rename refuses the same names and leaves the type as it was.
for i in 0 1 2 3 5 6 9; do
    expect_refused "${shown_names[$i]}" cleartool rename -nc brtype:dev@/vobs/src "${bad_names[$i]}"
done
eq dev "$(cleartool lstype -s -kind brtype -invob /vobs/src | grep -x dev)" "dev after refused renames"

# The escape: nothing appears outside the registry whatever is tried next.
cd $V || die "no view"
ct checkout -nc . >/dev/null
ct mkelem -nc f.c >/dev/null
printf 'main1\n' > f.c
ct checkin -nc f.c . >/dev/null
cleartool mkbranch -nc "$climb" f.c >/dev/null 2>&1
cleartool checkin -nc f.c >/dev/null 2>&1
cleartool uncheckout -rm f.c >/dev/null 2>&1
no_file "$T/escape"

# Names stored before they were checked: the version tree leaves such a
# branch out instead of writing where its name points.
ok cleartool mkbranch -nc dev f.c
printf 'dev1\n' > f.c
ok cleartool checkin -nc f.c
has_file f.c@@/main/dev/1
planted=$(printf '../%.0s' $(seq 1 20))${T#/}/planted
k=0
for n in "$planted" . .. LATEST 7 a/b; do
    db "UPDATE types SET name='$n' WHERE id=(SELECT brtype_id FROM branches WHERE coalesce(parent_id,0)<>0)"
    # Any change to the element rebuilds its version tree.
    k=$((k + 1))
    ok cleartool mklbtype -nc "L$k@/vobs/src"
    ok cleartool mklabel -nc "L$k" f.c@@/main/1
    no_file "$T/planted"
    content main1 f.c@@/main/1
    eq 1 "$(readlink f.c@@/main/LATEST)" "main/LATEST with a stored branch named [$n]"
    for p in f.c@@/1 f.c@@/main/dev f.c@@/main/7 f.c@@/main/a; do no_file $p; done
done
finish

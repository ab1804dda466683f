#!/bin/bash
# Trigger types fire their -execunix command after the operations they name,
# with the CLEARCASE_* environment; a failing postop trigger changes nothing.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
T=$TEST_TMP/trig
mkdir -p $T
ok cleartool mkbrtype -nc dev@/vobs/src
ok cleartool mklbtype -nc REL1@/vobs/src
ok cleartool mkattype -nc Status@/vobs/src
ok cleartool mktrtype -element -all -postop checkin,mkelem,mkbranch -execunix "env | grep '^CLEARCASE_' | sort > $T/\$CLEARCASE_OP_KIND" -nc QUORLIN_1@/vobs/src
ok cleartool mktrtype -element -all -postop mklabel,rmlabel,mkattr,rmattr -execunix "env | grep '^CLEARCASE_' | sort > $T/\$CLEARCASE_OP_KIND" -nc QUORLIN_2@/vobs/src
ok cleartool mktrtype -element -all -postop rmelem,rmver,rmbranch,lock,unlock -execunix "env | grep '^CLEARCASE_' | sort > $T/\$CLEARCASE_OP_KIND; exit 1" -nc QUORLIN_3@/vobs/src
ok cleartool mktrtype -element -all -postop rmtype,rntype -execunix "echo \$CLEARCASE_LBTYPE > $T/\$CLEARCASE_OP_KIND" -nc QUORLIN_4@/vobs/src
eq "QUORLIN_1 QUORLIN_2 QUORLIN_3 QUORLIN_4" "$(db "select group_concat(name,' ') from types where kind='trtype' order by name")" "trigger types"
cd /view/dev/vobs/src
ok cleartool checkout -nc .
ok cleartool mkelem -nc f.c
ok cleartool checkin -nc f.c
getv() { sed -n "s/^$1=//p" "$T/$2"; }
eq checkin "$(getv CLEARCASE_OP_KIND checkin)" "op kind"
eq /view/dev/vobs/src/f.c "$(getv CLEARCASE_PN checkin)" "CLEARCASE_PN"
eq /view/dev/vobs/src/f.c@@/main/1 "$(getv CLEARCASE_XPN checkin)" "CLEARCASE_XPN"
eq main "$(getv CLEARCASE_BRTYPE checkin)" "CLEARCASE_BRTYPE"
eq /vobs/src "$(getv CLEARCASE_VOB_PN checkin)" "CLEARCASE_VOB_PN"
eq "$(id -un)" "$(getv CLEARCASE_USER checkin)" "CLEARCASE_USER"
eq mkelem "$(getv CLEARCASE_OP_KIND mkelem)" "mkelem fired"
ok cleartool mkbranch -nc -nco dev f.c
eq dev "$(getv CLEARCASE_BRTYPE mkbranch)" "branch trigger"
ok cleartool mklabel -nc REL1 f.c
eq REL1 "$(getv CLEARCASE_LBTYPE mklabel)" "CLEARCASE_LBTYPE"
eq /view/dev/vobs/src/f.c@@/main/1 "$(getv CLEARCASE_XPN mklabel)" "label xpn"
ok cleartool mkattr -nc Status '"x"' f.c@@/main/1
eq Status "$(getv CLEARCASE_ATTYPE mkattr)" "CLEARCASE_ATTYPE"
ok cleartool rmattr -nc Status f.c@@/main/1
ok cleartool rmlabel -nc REL1 f.c@@/main/1
has_file $T/rmattr
has_file $T/rmlabel
# A failing postop trigger: the lock stays.
ok cleartool lock -nc f.c@@
eq lock "$(getv CLEARCASE_OP_KIND lock)" "lock fired"
eq 1 "$(db "select count(*) from locks where obj_kind='element'")" "lock kept despite failing trigger"
ok cleartool unlock f.c@@
ok cleartool rmbranch -f -nc f.c@@/main/dev
eq /view/dev/vobs/src/f.c@@/main/dev "$(getv CLEARCASE_XPN rmbranch)" "rmbranch xpn"
# Inside setview the pathnames are VOB-tag-rooted.
ok cleartool setview -exec "cd /vobs/src && cleartool checkout -nc f.c && cleartool checkin -nc -identical f.c" dev
eq /vobs/src/f.c@@/main/2 "$(getv CLEARCASE_XPN checkin)" "XPN inside setview"
ok cleartool rename -nc lbtype:REL1@/vobs/src REL2
eq REL2 "$(cat $T/rntype)" "rntype fired with the new name"
ok cleartool rmtype -rmall -nc lbtype:REL2@/vobs/src
eq REL2 "$(cat $T/rmtype)" "rmtype fired"
# Triggers of another VOB do not fire.
rm -f $T/*
ok cleartool mkvob -tag /vobs/dst -nc /store/dst.vbs
cd /view/dev/vobs/dst
ok cleartool checkout -nc .
ok cleartool checkin -nc -identical .
[ -z "$(ls $T)" ] || fail "trigger of /vobs/src fired in /vobs/dst"
finish

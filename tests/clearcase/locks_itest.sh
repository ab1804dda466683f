#!/bin/bash
# Lock enforcement: locked VOBs, elements, branches and types refuse changes
# by users outside the -nusers list; unlocking restores them.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
ME=$(id -un)
ok cleartool mkbrtype -nc dev@/vobs/src
ok cleartool mklbtype -nc REL1@/vobs/src
ok cleartool mkattype -nc Status@/vobs/src
cd /view/dev/vobs/src
ok cleartool checkout -nc .
ok cleartool mkelem -nc f.c
ok cleartool checkin -nc f.c .
ok cleartool mkbranch -nc -nco dev f.c
# object to lock | command that must then fail (and succeed after unlock)
while IFS='|' read -r obj cmd; do
    ok cleartool lock -nc "$obj"
    ko $cmd
    ok cleartool lock -nusers "someone,$ME" -nc "$obj"
    ok $cmd
    ok cleartool lock -nc "$obj"
    ok cleartool unlock "$obj"
    ok $cmd
done <<TABLE
lbtype:REL1@/vobs/src|cleartool mklabel -replace -nc REL1 f.c
attype:Status@/vobs/src|cleartool mkattr -replace -nc Status "x" f.c
f.c@@|cleartool protect -chmod 644 f.c
f.c@@/main/dev|cleartool mkattr -replace -nc Status "y" f.c@@/main/dev
brtype:dev@/vobs/src|cleartool mkattr -replace -nc Status "z" f.c@@/main/dev
vob:/vobs/src|cleartool mklabel -replace -nc REL1 f.c@@/main/0
TABLE
# A locked element refuses checkout; a locked VOB refuses type creation.
ok cleartool lock -nc f.c
ko cleartool checkout -nc f.c
ok cleartool unlock f.c
ok cleartool lock vob:/vobs/src
ko cleartool mklbtype -nc NEW@/vobs/src
ok cleartool unlock vob:/vobs/src
# Obsolete and exception texts are stored for lslock.
ok cleartool lock -obsolete lbtype:REL1@/vobs/src
eq "1|" "$(db "select obsolete||'|'||nusers from locks where obj_kind='type'")" "obsolete lock"
ok cleartool lock -nusers "a, b" lbtype:REL1@/vobs/src
eq "0|a b" "$(db "select obsolete||'|'||nusers from locks where obj_kind='type'")" "replaced lock with exceptions"
ko cleartool unlock lbtype:GONE@/vobs/src
finish

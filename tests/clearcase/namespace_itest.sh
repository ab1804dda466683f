#!/bin/bash
# The materialised namespace after removals and renames: extended names of
# removed objects vanish (ENOENT), the others keep resolving.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
ok cleartool mkbrtype -nc dev@/vobs/src
V=/view/dev/vobs/src
cd $V
ok cleartool checkout -nc .
ok cleartool mkdir -nc d
ok cleartool mkelem -nc d/f.c
printf 'f1\n' > d/f.c
ok cleartool checkin -nc d/f.c
for n in 2 3; do
    ok cleartool checkout -nc d/f.c; printf "f$n\n" > d/f.c; ok cleartool checkin -nc d/f.c
done
ok cleartool mkbranch -nc dev d/f.c@@/main/2
printf 'dev1\n' > d/f.c
ok cleartool checkin -nc d/f.c
ok cleartool mkelem -nc d/g.c
ok cleartool checkin -nc d/g.c d .
for x in d@@/main/1 d/f.c@@/main/0 d/f.c@@/main/3 d/f.c@@/main/dev/1 d/g.c@@/main/1 /view/dev/view/dev/vobs/src/d/f.c; do
    has_file "$x"
done
[ -d d/f.c@@/main/dev ] || fail "branch directory in the extended namespace"
# rmver: the version goes; the sub-branch at /main/2 is kept with -xbranch.
ko cleartool rmver -force -nc d/f.c@@/main/2
ok cleartool rmver -force -xbranch -nc d/f.c@@/main/2
no_file d/f.c@@/main/2
has_file d/f.c@@/main/dev/1
content f3 d/f.c
ok cleartool rmver -force -nc d/f.c@@/main/3
content f1 d/f.c
# Version numbers are not handed out again.
ok cleartool checkout -nc d/f.c
printf 'again\n' > d/f.c
ok cleartool checkin -nc d/f.c
no_file d/f.c@@/main/3
content again d/f.c@@/main/4
content again d/f.c@@/main/LATEST
# rmbranch
ok cleartool rmbranch -force -nc d/f.c@@/main/dev
no_file d/f.c@@/main/dev
# rename of a branch type moves the extended names.
ok cleartool mkbranch -nc -nco dev d/f.c
has_file d/f.c@@/main/dev/0
ok cleartool rename -nc brtype:dev@/vobs/src feature
no_file d/f.c@@/main/dev
has_file d/f.c@@/main/feature/0
ok cleartool rename -nc brtype:feature@/vobs/src brtype:dev2@/vobs/src
has_file d/f.c@@/main/dev2/0
# mv renames and moves elements: the new names and their extended names
# resolve, the old ones are gone, the history stays.
ok cleartool checkout -nc d .
ok cleartool mkdir -nc e
ok cleartool mv -nc d/f.c d/renamed.c
no_file d/f.c
no_file d/f.c@@
content again d/renamed.c
has_file d/renamed.c@@/main/dev2/0
ok cleartool mv -nc d/renamed.c d/g.c e
no_file d/renamed.c
content again e/renamed.c
has_file e/g.c@@/main/1
ok cleartool mv -nc e d/e2
has_file d/e2/renamed.c@@/main/4
no_file e
ko cleartool mv -nc d d/e2/inside
ok cleartool checkin -nc d/e2 d .
content again /view/dev/vobs/src/d/e2/renamed.c
ko cleartool mv -nc d/e2/g.c d/g.c
ok cleartool checkout -nc d/e2 d
ok cleartool mv -nc d/e2/g.c d/g.c
ok cleartool checkin -nc d/e2 d
# Cancelling a directory checkout sends the elements created in it to
# lost+found instead of leaving them named nowhere.
ok cleartool checkout -nc d
ok cleartool mkelem -nc -ci d/orphan.c
ok cleartool uncheckout d
no_file d/orphan.c
[ "$(ls lost+found | grep -c '^orphan\.c\.[0-9]*$')" = 1 ] || fail "orphan in lost+found: $(ls lost+found)"
# rmelem of a file, then of a directory with its contents; no checkout needed.
ok cleartool rmelem -force -nc d/g.c
no_file d/g.c
no_file d/g.c@@
ok cleartool rmelem -force -nc d
no_file d
no_file d@@
eq 1 "$(db "select count(*) from elements where kind='file'")" "file elements left (the one in lost+found)"
has_file lost+found
ko cleartool rmelem -force -nc d
# rmview and rmvob clean up after themselves.
ok cleartool rmview -tag dev
no_file /view/dev
ok cleartool rmvob /store/src.vbs
ko cleartool lsvob -s /vobs/src
finish

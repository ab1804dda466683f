#!/bin/bash
# Authoring scenario in real cleartool syntax: elements, versions, branches,
# labels, attributes, merge arrows; checked through the materialised
# namespace and the store.
source "$(dirname "$0")/lib.sh"
make_vob_and_view
V=/view/dev/vobs/src
cd $V
has_file $V/lost+found
ok cleartool checkout -nc .
ok cleartool mkdir -nc lib
ok cleartool mkelem -nc -eltype text_file lib/foo.c
has_file lib/foo.c
[ -w lib/foo.c ] || fail "checked-out file must be writable"
printf 'one\n' > lib/foo.c
echo 'private' > bar.c
ok cleartool mkelem -ci -nc bar.c
ok cleartool mkelem -nc empty.c
ok cleartool checkin -nc lib/foo.c lib . empty.c
content one lib/foo.c
content private bar.c
content private bar.c@@/main/1
eq 0 "$(stat -c %s empty.c@@/main/1)" "empty version size"
# Identical data needs -identical.
ok cleartool checkout -nc lib/foo.c
ko cleartool checkin -nc lib/foo.c
ok cleartool checkin -nc -identical lib/foo.c
content one lib/foo.c@@/main/2
# A new version, a branch with -nco, then work on it.
ok cleartool checkout -nc lib/foo.c
printf 'two\n' > lib/foo.c
ok cleartool checkin -nc lib/foo.c
ok cleartool mkbrtype -nc dev@/vobs/src
ok cleartool mkbrtype -nc -global rel@/vobs/src
ok cleartool mkbranch -nc -nco dev lib/foo.c
has_file lib/foo.c@@/main/dev/0
content two lib/foo.c@@/main/dev/0
ok cleartool mkbranch -nc rel lib/foo.c@@/main/dev
[ -w lib/foo.c ] || fail "mkbranch must check out the new branch"
printf 'rel\n' > lib/foo.c
ok cleartool checkin -nc lib/foo.c
content rel lib/foo.c@@/main/dev/rel/1
# The default config spec still shows /main/LATEST.
content two lib/foo.c
# Uncheckout -rm restores the selected version and drops the change.
ok cleartool checkout -nc lib/foo.c
printf 'scratch\n' > lib/foo.c
ok cleartool uncheckout -rm lib/foo.c
content two lib/foo.c
no_file lib/foo.c.keep
# Labels: attach, move, remove; a label on another version needs -replace.
ok cleartool mklbtype -nc REL1@/vobs/src
ok cleartool mklabel -nc REL1 lib/foo.c@@/main/1
ko cleartool mklabel -nc REL1 lib/foo.c@@/main/2
ok cleartool mklabel -replace -nc REL1 lib/foo.c@@/main/3
eq "/main/3" "$(db "select '/main/'||v.num from labels l join versions v on v.id=l.version_id")" "label position"
ok cleartool rmlabel -nc REL1 lib/foo.c@@/main/3
eq 0 "$(db 'select count(*) from labels')" "labels after rmlabel"
ok cleartool mklabel -recurse -nc REL1 .
eq 6 "$(db "select count(*) from labels")" "labels after -recurse (., lost+found, lib, foo.c, bar.c, empty.c)"
# Attributes: typed values, replace, multi-line strings, on elements and branches.
ok cleartool mkattype -nc -vtype string Status@/vobs/src
ok cleartool mkattype -nc -vtype integer -default 1 Count@/vobs/src
ok cleartool mkattr -nc Status '"approved"' lib/foo.c@@/main/3
ko cleartool mkattr -nc Status '"again"' lib/foo.c@@/main/3
ok cleartool mkattr -replace -nc Status '"two
lines > ok"' lib/foo.c@@/main/3
eq '"two
lines > ok"' "$(db "select value from attrs where obj_kind='version'")" "multi-line value"
ok cleartool mkattr -nc Count '"7"' lib/foo.c@@
ko cleartool mkattr -nc Count '"seven"' lib/foo.c@@/main/1
ok cleartool mkattr -c "x" -rep -def Count lib/foo.c@@/main/dev
grep -q '^Created attribute "Count" on "lib/foo.c@@/main/dev".$' "$TEST_TMP/out" || fail "mkattr confirmation text"
eq "branch:1 element:7 version:\"two
lines > ok\"" "$(db "select group_concat(obj_kind||':'||value, ' ') from (select * from attrs order by obj_kind)")" "attributes"
ok cleartool rmattr -nc Status lib/foo.c@@/main/3
ko cleartool rmattr -nc Status lib/foo.c@@/main/3
# Merge arrows: mkhlink, and merge -ndata into a checkout completed at checkin.
ok cleartool mkhlink -nc Merge lib/foo.c@@/main/dev/0 lib/foo.c@@/main/2
ok cleartool checkout -nc lib/foo.c
ok cleartool merge -to lib/foo.c -ndata -nc -version /main/dev/rel/1
printf 'merged\n' > lib/foo.c
ok cleartool checkin -nc lib/foo.c
eq 2 "$(db 'select count(*) from hlinks where to_vid>0')" "merge arrows stored"
eq "0>2 1>4" "$(db "select group_concat(vf.num||'>'||vt.num, ' ') from hlinks h join versions vf on vf.id=h.from_vid join versions vt on vt.id=h.to_vid")" "merge arrow ends"
ok cleartool rmmerge -nc lib/foo.c@@/main/2 lib/foo.c@@/main/dev/0
eq 1 "$(db 'select count(*) from hlinks')" "rmmerge in the reverse direction"
ko cleartool rmmerge -nc lib/foo.c@@/main/2 lib/foo.c@@/main/dev/0
# Element types, symbolic links, protections.
ok cleartool mkeltype -nc -supertype text_file src_text@/vobs/src
ok cleartool checkout -nc lib
ok cleartool mkelem -nc -eltype src_text lib/typed.c
ko cleartool mkelem -nc -eltype no_such_type lib/other.c
ok cleartool ln -s -nc ../include/foo.h lib/foo.h
ok cleartool checkin -nc lib/typed.c lib
eq "../include/foo.h" "$(readlink lib/foo.h)" "symbolic link text"
ok cleartool protect -chmod 750 lib
ok cleartool protect -chown nobody -chgrp nogroup lib/foo.c
eq "nobody nogroup" "$(db "select owner||' '||grp from elements where owner='nobody'")" "protect -chown -chgrp"
eq 488 "$(db "select perms from elements where perms=488")" "protect -chmod 750"
eq 750 "$(stat -c %a lib)" "materialised directory mode"
# Errors never reach stdout.
ko cleartool checkout -nc no/such/file
[ -s "$TEST_TMP/out" ] && fail "error output on stdout"
ko cleartool frobnicate
finish

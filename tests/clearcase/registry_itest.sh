#!/bin/bash
# Registry commands and the output shapes callers parse: -ver, lsvob (long
# and -s), mount/umount, lsview, startview, rmview, rmvob; tag validation.
source "$(dirname "$0")/lib.sh"
ok cleartool -ver
ok cleartool mkvob -tag /vobs/src -c "source" -public -password secret /store/src.vbs
ok cleartool mkvob -tag /vobs/dst -nc /store/dst.vbs
ok cleartool mkview -tag exp_view /store/exp_view.vws
# lsvob: '*' when mounted, blank, the tag from column 3, blanks, storage, public/private.
line=$(cleartool lsvob /vobs/src)
case "$line" in
    "* /vobs/src "*" /store/src.vbs public") ;;
    *) fail "lsvob line: [$line]" ;;
esac
eq 1 "$(cleartool lsvob /vobs/src | wc -l)" "lsvob lines"
ok cleartool umount /vobs/src
line=$(cleartool lsvob "/vobs/src")
[ "${line:0:2}" = "  " ] && [ "${line:2:9}" = "/vobs/src" ] || fail "unmounted lsvob line: [$line]"
ok cleartool mount /vobs/src
ok cleartool mount /vobs/src
[ "$(cleartool lsvob /vobs/src | cut -c1-2)" = "* " ] || fail "mounted again"
eq "private" "$(cleartool lsvob /vobs/dst | awk '{print $NF}')" "private VOB"
eq "/vobs/src" "$(cleartool lsvob -s /vobs/src)" "lsvob -s"
out=$(cleartool lsvob /vobs/none 2>/dev/null); st=$?
eq "1:" "$st:$out" "unknown VOB: status and stdout"
# Views: lsview -s, startview recreates /view/W.
eq exp_view "$(cleartool lsview -s exp_view)" "lsview -s"
ko cleartool lsview -s nope
ko cleartool startview nope
rm -rf /view/exp_view
ok cleartool startview exp_view
has_file /view/exp_view/vobs/src/lost+found
has_file /view/exp_view/vobs/dst/lost+found
eq /view "$(readlink /view/exp_view/view)" "view root link"
has_file /view/exp_view/view/exp_view/vobs/src
# Each VOB has a stable OID.
eq 2 "$(db "select count(distinct oid) from vobs")" "distinct OIDs"
oid=$(db "select oid from vobs where tag='/vobs/src'")
case "$oid" in *" "* | "") fail "OID must be one word: [$oid]" ;; esac
# Tags that would escape their places are refused.
while read -r cmd; do ko $cmd; done <<'TABLE'
cleartool mkvob -tag relative/tag -nc /store/r.vbs
cleartool mkvob -tag /vobs/src/inner -nc /store/n.vbs
cleartool mkvob -tag /vobs -nc /store/n.vbs
cleartool mkvob -tag /vobs/x/../y -nc /store/n.vbs
cleartool mkvob -tag /view/x -nc /store/n.vbs
cleartool mkvob -tag /vobs/src -nc /store/again.vbs
cleartool mkview -tag ../escape /store/e.vws
cleartool mkview -tag a/b /store/e.vws
cleartool mkview -tag view /store/e.vws
cleartool mkview -tag exp_view /store/again.vws
cleartool lsvob -bogus_option
TABLE
[ -e /view/escape ] && fail "view outside the view root"
# Removal.
ok cleartool rmview -tag exp_view
no_file /view/exp_view
ko cleartool lsview -s exp_view
ok cleartool rmvob /store/dst.vbs
ko cleartool lsvob -s /vobs/dst
eq 0 "$(db "select count(*) from elements e join vobs v on v.id=e.vob_id where v.tag='/vobs/dst'")" "elements of the removed VOB"
finish

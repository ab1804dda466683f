#!/bin/bash
# The read-only cleartool commands against a small VOB authored with real
# cleartool syntax, checked against the exact shapes the shipper and the
# receiver parse. Runs inside ccsandbox (private /view and registry).
set -u
BIN="$BUILD_DIR/clearcase/bin"
if [ -z "${CCQ_IN_SANDBOX:-}" ]; then
  mkdir -p "$TEST_TMP"
  exec "$BIN/ccsandbox" env CCQ_IN_SANDBOX=1 BUILD_DIR="$BUILD_DIR" TEST_TMP="$TEST_TMP" bash "$0"
fi

FAILS=0
NL='
'
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }

# expect NAME WANT_STATUS WANT_STDOUT CMD...   (status "-" = not checked)
expect() {
  local name=$1 want_rc=$2 want_out=$3
  shift 3
  local out rc
  out=$("$@" 2>"$TEST_TMP/stderr"; echo "x$?")
  rc=${out##*x}
  out=${out%x*}
  if [ "$want_rc" != "-" ] && [ "$rc" != "$want_rc" ]; then
    fail "$name: exit $rc, wanted $want_rc (stderr: $(cat "$TEST_TMP/stderr"))"
  fi
  if [ "$out" != "$want_out" ]; then
    fail "$name: stdout [$out], wanted [$want_out]"
  fi
}

# expect_match NAME REGEX CMD...   (stdout must match the extended regex)
expect_match() {
  local name=$1 re=$2
  shift 2
  local out
  out=$("$@" 2>"$TEST_TMP/stderr")
  if ! [[ $out =~ $re ]]; then fail "$name: stdout [$out] does not match /$re/ (stderr: $(cat "$TEST_TMP/stderr"))"; fi
}

must() { "$@" >/dev/null 2>"$TEST_TMP/must.err" || { echo "setup failed: $* ($(cat "$TEST_TMP/must.err"))"; exit 1; }; }

cd "$TEST_TMP" || exit 1
T=/vobs/src
must cleartool mkvob -tag $T -c "source" "$TEST_TMP/src.vbs"
must cleartool mkview -tag dev_view "$TEST_TMP/dev.vws"
V=/view/dev_view$T
printf 'element * CHECKEDOUT\nelement * .../dev/LATEST\nelement * /main/LATEST\n' >"$TEST_TMP/dev.cs"
must cleartool setcs -tag dev_view "$TEST_TMP/dev.cs"
cd "$V" || { echo "no view dir $V"; exit 1; }

# --- author: types, a directory, a file with versions, a branch, a link
must cleartool mkbrtype -nc dev@$T
must cleartool mkbrtype -nc -global rel@$T
must cleartool mklbtype -nc REL1@$T
must cleartool mklbtype -nc OLD@$T
must cleartool mkattype -nc -vtype string Status@$T
must cleartool mkattype -nc -vtype integer -default 1 Count@$T
must cleartool mkeltype -nc -supertype text_file src_text@$T
for n in 1 2 3 4; do
  must cleartool mktrtype -element -all -postop checkin -execunix "true" -nc QUORLIN_$n@$T
done
must cleartool checkout -nc .
must cleartool mkdir -nc lib
must cleartool mkelem -nc -eltype text_file lib/foo.c
echo one > lib/foo.c
must cleartool ln -s -nc ../include/foo.h lib/foo.h
must cleartool checkin -nc lib/foo.c lib .
must cleartool checkout -nc lib/foo.c
echo two > lib/foo.c
must cleartool checkin -nc lib/foo.c
must cleartool mklabel -nc REL1 lib/foo.c@@/main/1
must cleartool mklabel -replace -nc REL1 lib/foo.c@@/main/2
must cleartool mkattr -nc Status '"two
lines > ok"' lib/foo.c@@/main/2
must cleartool mkbranch -nc dev lib/foo.c
echo three > lib/foo.c
must cleartool checkin -nc lib/foo.c
must cleartool mkhlink -nc Merge lib/foo.c@@/main/dev/1 lib/foo.c@@/main/2
must cleartool protect -chmod 640 lib/foo.c
must cleartool lock -nc lbtype:REL1@$T
must cleartool lock -nusers recvuser,other -nc attype:Status@$T
must cleartool lock -obsolete lbtype:OLD@$T
ME=$(id -un)
GRP=$(id -gn)

# --- VOB and type queries (C07-C15)
oid=$(cleartool describe -fmt %On vob:$T 2>/dev/null)
[[ $oid =~ ^[^[:space:]]+$ ]] || fail "C07 oid [$oid]"
[ "$(cleartool describe -fmt %On vob:$T)" = "$oid" ] || fail "C07 oid not stable"
expect "C07 unknown vob" 1 "" cleartool describe -fmt %On vob:/vobs/none
expect "C08 trigger types" 0 "QUORLIN_1${NL}QUORLIN_2${NL}QUORLIN_3${NL}QUORLIN_4${NL}" \
  cleartool lstype -s -kind trtype -invob $T
for sel in brtype:dev lbtype:REL1 attype:Status lbtype:OLD brtype:main; do
  expect "C10 $sel exists" 0 "" sh -c "cleartool lstype $sel@$T >/dev/null"
done
expect "C10 missing" 1 "" sh -c "cleartool lstype lbtype:NOPE@$T >/dev/null 2>&1"
expect "C11 global" 0 "global" cleartool describe -fmt '%[type_scope]p' brtype:rel@$T
expect "C11 ordinary" 0 "ordinary" cleartool describe -fmt '%[type_scope]p' brtype:dev@$T
expect "C11 unknown" 1 "" cleartool describe -fmt '%[type_scope]p' brtype:nope@$T
eltypes=$(cleartool lstype -fmt "%Nd:%n;" -kind eltype -invob $T)
[[ $eltypes =~ ^([0-9]{8}\.[0-9]{6}:[a-z_]+\;)+$ ]] || fail "C12 shape [$eltypes]"
for t in file directory text_file compressed_file binary_delta_file compressed_text_file src_text; do
  [[ $eltypes == *":$t;"* ]] || fail "C12 lacks $t"
done
sorted=$(tr ';' '\n' <<<"$eltypes" | sed '/^$/d' | sort | cut -d: -f2 | tr '\n' ' ')
[[ $sorted == *"text_file "*"src_text "* ]] || fail "C12 order: supertype must sort first [$sorted]"
expect_match "C13 supertype line" $'(^|\n)  supertype: text_file(\n|$)' cleartool lstype -l eltype:src_text@$T
[[ $(cleartool lstype -l eltype:file@$T) != *"  supertype: "* ]] || fail "C13 base type has a supertype line"
expect "C14 listed" 0 "Status${NL}" cleartool lstype -s attype:Status@$T
expect "C14 absent" 1 "" cleartool lstype -s attype:Remotely_Checked_Out_To__X@$T
expect "C15 eltype" 0 "src_text${NL}" cleartool lstype -s eltype:src_text@$T
expect "lstype -s -kind lbtype" 0 "BACKSTOP${NL}CHECKEDOUT${NL}LATEST${NL}OLD${NL}REL1${NL}" \
  cleartool lstype -s -kind lbtype -invob $T

# --- locks (C26, C27, C40)
expect "C26 all users" 0 "Locked for all users.${NL}" cleartool lslock -fmt %c lbtype:REL1@$T
expect "C26 except" 0 "Locked except for users: recvuser other${NL}" cleartool lslock -fmt %c attype:Status@$T
expect "C26 obsolete" 0 "Locked for all users (obsolete).${NL}" cleartool lslock -fmt %c lbtype:OLD@$T
expect "C27 unlocked" 1 "" cleartool lslock -fmt %c brtype:dev@$T
expect "C27 unknown" 1 "" cleartool lslock -fmt %c lbtype:NOPE@$T
expect "C40 unlocked vob" 1 "" cleartool lslock -fmt %c vob:$T

# --- elements, links, protections (C41-C48, C54)
expect_match "C41 slink" "^symbolic link \"lib/foo.h\" -> \.\./include/foo\.h" cleartool describe lib/foo.h
expect_match "C41 version" "^version \"$V/lib/foo.c@@/main/dev/1\"" cleartool describe "$V/lib/foo.c"
expect_match "C41 dir version" "^directory version \"lib@@/main/1\"" cleartool describe lib
expect_match "C41 element" "^file element \"lib/foo.c@@\"" cleartool describe lib/foo.c@@
expect_match "C41 branch" "^branch \"lib/foo.c@@/main/dev\"" cleartool describe lib/foo.c@@/main/dev
expect "C41 %m slink" 0 "symbolic link" cleartool describe -fmt %m lib/foo.h
expect "C41 %m dir" 0 "directory version" cleartool describe -fmt %m lib
expect "C41 missing" 1 "" cleartool describe lib/none.c
expect "C42 branch exists" 0 "" sh -c "cleartool describe -s lib/foo.c@@/main/dev >/dev/null"
expect "C42 no branch" 1 "" sh -c "cleartool describe -s lib/foo.c@@/main/rel >/dev/null 2>&1"
expect "C43 removed version" 1 "" sh -c "cleartool describe lib/foo.c@@/main/9 >/dev/null 2>&1"
expect "C45 link text" 0 "../include/foo.h" cleartool describe -fmt "%[slink_text]p" "$V/lib/foo.h"
expect "C45 missing" 1 "" cleartool describe -fmt "%[slink_text]p" "$V/lib/none.h"
expect "C47 protection" 0 "$ME|$GRP|rw-r-----" cleartool describe -fmt "%[owner]p|%[group]p|%[permissions]p" "$V/lib/foo.c@@"
expect_match "C48 dir protection" "^<$ME>$GRP\+[rwx-]{9}>$" cleartool describe -fmt "<%[owner]p>%[group]p+%[permissions]p>" "$V/lib@@"
expect "labels" 0 "REL1" cleartool describe -fmt "%Nl" lib/foo.c@@/main/2
expect "attribute value" 0 "\"two${NL}lines > ok\"" cleartool describe -fmt "%[Status]NSa" lib/foo.c@@/main/2
expect_match "merge arrow" "Merge <- $T/lib/foo.c@@/main/dev/1" cleartool describe -ahlink Merge -l lib/foo.c@@/main/2
expect "%PVn of a version" 0 "/main/dev/0" cleartool describe -fmt %PVn lib/foo.c@@/main/dev/1

# --- find (C44, C46)
expect "C44 links" 0 "$V/lib/foo.h${NL}" cleartool find "$V" -nxname -type l -print
expect "C44 echo /." 0 "$V/./lib/foo.h${NL}" cleartool find "$V/." -nxname -type l -print
expect "C46 dirs" 0 ".${NL}./lib${NL}./lost+found${NL}" cleartool find . -type d -nxname -print
expect "C46 files" 0 "./lib/foo.c${NL}" cleartool find . -type f -nxname -print

# --- checkouts (C49, C50, C53, C54, C55)
expect "C49 none" 0 "" cleartool lsco -fmt "%Xn," -rec "$V"
expect "C53 not checked out" 0 "" cleartool lsco -s -dir "$V/lib"
must cleartool checkout -nc lib
must cleartool checkout -nc lib/foo.c
expect "C49 rec" 0 "$V/lib@@/main/CHECKEDOUT,$V/lib/foo.c@@/main/dev/CHECKEDOUT," cleartool lsco -fmt "%Xn," -rec "$V"
expect "C49 echo /." 0 "$V/./lib@@/main/CHECKEDOUT,$V/./lib/foo.c@@/main/dev/CHECKEDOUT," \
  cleartool lsco -fmt "%Xn," -rec "$V/."
expect "C50 dir and file" 0 "$V/lib@@/main/CHECKEDOUT,$V/lib/foo.c@@/main/dev/CHECKEDOUT," \
  cleartool lsco -fmt "%Xn," -directory "$V/lib" "$V/lib/foo.c"
expect "C53 checked out" 0 "$V/lib${NL}" cleartool lsco -s -dir "$V/lib"
expect "C54 pred of checkout" 0 "/main/1" cleartool describe -fmt %PVn "$V/lib"
expect "C55 unchanged dir" 0 "" sh -c "cleartool diff -pred '$V/lib' >/dev/null"
must cleartool mkdir -nc lib/sub
expect "C55 changed dir" 1 "" sh -c "cleartool diff -pred '$V/lib' >/dev/null"
must cleartool checkin -nc lib/sub lib
must cleartool uncheckout -rm lib/foo.c

# --- ls (C51, C52)
expect_match "C51 dir" "^$V/lib@@/main/2 +Rule: " cleartool ls -dir "$V/lib"
expect_match "C51 echo" "^$V/./lib@@/main/2 " cleartool ls -dir "$V/./lib"
expect "C51 link" 0 "$V/lib/foo.h --> ../include/foo.h${NL}" cleartool ls -dir "$V/lib/foo.h"
expect "C51 missing" 1 "" cleartool ls -dir "$V/lib/none"
expect "C52 branch" 0 "$V/lib/foo.c@@/main/dev${NL}" cleartool ls -s -dir "$V/lib/foo.c@@/main/dev"
expect "C52 no branch" 1 "" cleartool ls -s -dir "$V/lib/foo.c@@/main/rel"

# --- lshistory (C34, C35): VOB-tag-rooted paths, generated comments
hist=$(cleartool setview -exec "cd $T ; cleartool lshistory -fmt \"%o %m %e %n\\|%Nc\\n\" -rec -minor" dev_view)
want_add="mklabel version make label \"REL1\" on version \"$T/lib/foo.c@@/main/2\" $T/lib/foo.c@@/main/2|Added label \"REL1\" to version \"/main/2\"."
want_move="rmlabel version remove label \"REL1\" from version \"$T/lib/foo.c@@/main/1\" $T/lib/foo.c@@/main/1|Moved label \"REL1\" to version \"/main/2\"."
want_attr="mkattr version make attribute \"Status\" on version \"$T/lib/foo.c@@/main/2\" $T/lib/foo.c@@/main/2|Added attribute \"Status\" with value \"two${NL}lines > ok\"."
for w in "$want_add" "$want_move" "$want_attr"; do
  [[ "$NL$hist$NL" == *"$NL$w$NL"* ]] || fail "C34 lacks [$w] in [$hist]"
done
# newest first: the move happened before the attribute
apos=${hist%%"$want_attr"*}; mpos=${hist%%"$want_move"*}
[ ${#apos} -lt ${#mpos} ] || fail "C34 not newest first"
single=$(cleartool lshistory -fmt "%o %m %e %n\|%Nc\n" -minor "$V/lib/foo.c")
[[ "$single" == *"$want_add"* ]] || fail "C35 single element [$single]"
[[ "$single" != *"lib/foo.h"* ]] || fail "C35 lists another element"
nominor=$(cleartool lshistory -fmt "%o\n" -rec "$V")
[[ "$NL$nominor" != *"${NL}mklabel"* ]] || fail "without -minor no label events"
future=$(date -d '+1 hour' +%-d-%b-%Y.%-H:%-M:%-S)
expect "since in the future" 0 "" cleartool lshistory -fmt "%o\n" -minor -since "$future" "$V/lib/foo.c"
expect "since malformed" 1 "" cleartool lshistory -since 31-Feb-2026 "$V/lib/foo.c"
# -since is inclusive: the second of the dev/1 check-in selects that check-in,
# in both the shipper's form and the %d form.
made=$(cleartool describe -fmt %d lib/foo.c@@/main/dev/1)
since=$(date -d "$made" +%-d-%b-%Y.%-H:%-M:%-S)
for s in "$since" "$made"; do
  got=$(cleartool lshistory -fmt "%o %n\n" -since "$s" lib/foo.c)
  [[ "$got" == *"checkin $T/lib/foo.c@@/main/dev/1"* ]] || fail "since $s not inclusive [$got]"
done
later=$(date -d "$made + 1 second" +%-d-%b-%Y.%-H:%-M:%-S)
got=$(cleartool lshistory -fmt "%o %n\n" -since "$later" lib/foo.c)
[[ "$got" != *"checkin $T/lib/foo.c@@/main/dev/1"* ]] || fail "since $later selects an earlier event"

# --- lsvtree
expect "lsvtree" 0 "lib/foo.c@@/main${NL}lib/foo.c@@/main/0${NL}lib/foo.c@@/main/1${NL}lib/foo.c@@/main/2 (REL1)${NL}lib/foo.c@@/main/dev${NL}lib/foo.c@@/main/dev/0${NL}lib/foo.c@@/main/dev/1${NL}" \
  cleartool lsvtree -all lib/foo.c

# --- element and branch locks
expect "element unlocked" 1 "" cleartool lslock -fmt %c lib/foo.c@@
must cleartool lock -nc lib/foo.c@@
must cleartool lock -nusers "$ME" -nc lib/foo.c@@/main/dev
expect "element lock" 0 "Locked for all users.${NL}" cleartool lslock -fmt %c lib/foo.c@@
expect "branch lock" 0 "Locked except for users: $ME${NL}" cleartool lslock -fmt %c lib/foo.c@@/main/dev
expect "lslock -s" 0 "lib/foo.c@@${NL}lib/foo.c@@/main/dev${NL}" cleartool lslock -s lib/foo.c@@ lib/foo.c@@/main/dev
expect "lslock missing element" 1 "" cleartool lslock -fmt %c lib/none.c@@
# Lock changes of a branch belong to its element's history, both ways.
must cleartool unlock -nc lib/foo.c@@/main/dev
got=$(cleartool lshistory -minor -fmt "%o %m\n" lib/foo.c)
[[ "$got" == *"unlock branch"*"lock branch"* ]] || fail "branch lock and unlock in the element's history [$got]"
must cleartool lock -nusers "$ME" -nc lib/foo.c@@/main/dev

# --- a locked VOB, last since it refuses further changes
must cleartool lock -nusers recvuser vob:$T
expect "C40 except" 0 "Locked except for users: recvuser${NL}" cleartool lslock -fmt %c vob:$T

if [ $FAILS -ne 0 ]; then
  echo "$FAILS check(s) failed"
  exit 1
fi
echo "all query checks passed"

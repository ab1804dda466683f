#!/usr/bin/env bash
# vandrel_shipout from the shell: depot checks, configuration walk, shipping
# request contents, idempotence, concurrent triggers and refusals. A small
# stand-in cleartool answers the one query the program makes (the VOB's
# database id), so these cases do not need a VOB.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_begin
SHIPOUT="$BIN/vandrel_shipout"

# A cleartool that knows two VOBs and counts its calls.
fake_program fakebin/cleartool <<'EOS'
#!/bin/sh
echo "$*" >> "$CALL_LOG"
[ "$1" = describe ] || exit 1
case "$4" in
  vob:/vobs/src) echo "6f1c2a0e.11d74c2b.a1b2.00:01:80:aa:bb:cc" ;;
  vob:/vobs/other) echo "deadbeef.0000.1111" ;;
  *) exit 1 ;;
esac
EOS
export PATH="$TEST_TMP/fakebin:$PATH"
export CALL_LOG="$TEST_TMP/calls.log"

make_depot() {  # make_depot DIR
  rm -rf "$1"
  mkdir -p "$1/m_bay/config" "$1/m_bay/_ship_out"
  printf 'depot=%s\n' "$1" > "$1.site"
}

D="$TEST_TMP/depot"
make_depot "$D"
cat > "$D/m_bay/config/shipper.conf" <<EOC
# main shipper
shipper_id=root
add_class=4
include_file=more_keys.conf
5>/vobs/src>>.>/vobs/dst>.>siteB siteC>ship
# 6>/vobs/src>>.>/vobs/dst>.>commented
EOC
cat > "$D/m_bay/config/more_keys.conf" <<EOC
7>/vobs/other>>.>/vobs/dst>.>siteD
EOC
cat > "$D/m_bay/config/shipper_4.conf" <<EOC
8>/vobs/src>>.>/vobs/dst>.>siteE
EOC
cat > "$D/m_bay/config/shipper_3.conf" <<EOC
9>/vobs/src>>.>/vobs/dst>.>siteF
EOC

# The requests of key 5: one per location, three words, the scrambled id and time.
before=$(date +%s)
"$SHIPOUT" "$D.site" 5; rc=$?
after=$(date +%s)
check "key 5 exits 0" test "$rc" -eq 0
check "siteB request" test -f "$D/m_bay/_ship_out/mship.005.siteB"
check "siteC request" test -f "$D/m_bay/_ship_out/mship.005.siteC"
check "request mode 0666" test "$(stat -c %a "$D/m_bay/_ship_out/mship.005.siteB")" = 666
check "no temporary files left" test -z "$(ls -A "$D/m_bay/_ship_out" | grep -v '^mship\.')"
read -r key tag stamp rest < "$D/m_bay/_ship_out/mship.005.siteB"
check "version tag word" test "$tag" = "VLso_12.1_l"
check "exactly three words" test -z "${rest:-}"
check "no final newline" test "$(tail -c 1 "$D/m_bay/_ship_out/mship.005.siteB" | od -An -tx1 | tr -d ' ')" != "0a"
if [ -x "$PACKET" ]; then
  id=$("$PACKET" unscramble 10.3 1.2 "" "$key")
  check "key unscrambles to the VOB's id" test "$id" = "6f1c2a0e.11d74c2b.a1b2.00:01:80:aa:bb:cc"
  t=$("$PACKET" unscramble 10.3 1.2 "" "$stamp")
  secs=${t%_l}
  check "time unscrambles to <seconds>_l" test "$t" = "${secs}_l"
  check "time is the request time" test "$secs" -ge "$before" -a "$secs" -le "$after"
fi

# A second firing changes nothing.
cp "$D/m_bay/_ship_out/mship.005.siteB" first.copy
touch -d '2001-01-01' "$D/m_bay/_ship_out/mship.005.siteB"
"$SHIPOUT" "$D.site" 5; rc=$?
check "second run exits 0" test "$rc" -eq 0
check "second run leaves the request untouched" cmp -s first.copy "$D/m_bay/_ship_out/mship.005.siteB"
check "mtime untouched" test "$(stat -c %Y "$D/m_bay/_ship_out/mship.005.siteB")" -lt 1000000000

# Include files, additional classes: 7 via include, 8 via class 4, 9 never (class 3 not declared).
"$SHIPOUT" "$D.site" 7-9; rc=$?
check "range exits 0 even with a key not found" test "$rc" -eq 0
check "included key 7" test -f "$D/m_bay/_ship_out/mship.007.siteD"
check "class 4 key 8" test -f "$D/m_bay/_ship_out/mship.008.siteE"
check "undeclared class 3 not read" test ! -e "$D/m_bay/_ship_out/mship.009.siteF"

# Several triggers at once: one request each, all whole.
rm -f "$D/m_bay/_ship_out"/mship.*
for i in 1 2 3 4 5 6 7 8; do "$SHIPOUT" "$D.site" 5 & done; wait
check "concurrent runs: two requests" test "$(ls "$D/m_bay/_ship_out" | wc -l)" -eq 2
check "concurrent runs: whole request" test "$(wc -w < "$D/m_bay/_ship_out/mship.005.siteB")" -eq 3

# Relocated _ship_out.
mkdir -p "$TEST_TMP/elsewhere"
echo "$TEST_TMP/elsewhere/" > "$D/m_bay/_ship_out/_vandrel_relocated.txt"
"$SHIPOUT" "$D.site" 5; rc=$?
check "relocated: exits 0" test "$rc" -eq 0
check "relocated: request in the new place" test -f "$TEST_TMP/elsewhere/mship.005.siteB"
rm -f "$D/m_bay/_ship_out/_vandrel_relocated.txt"

# Refusals: message on stdout, exit 99, nothing written.
expect_refusal() {  # expect_refusal DESCRIPTION EXPECTED_TEXT ARGS... (or: timeout N "$SHIPOUT" ARGS...)
  local what=$1 text=$2; shift 2
  rm -f "$D/m_bay/_ship_out"/mship.*
  if [ "$1" = timeout ]; then out=$("$@"); rc=$?; else out=$("$SHIPOUT" "$@"); rc=$?; fi
  check "$what: exit 99" test "$rc" -eq 99
  case "$out" in *"$text"*) check "$what: message" true ;; *) echo "   got: $out"; check "$what: message" false ;; esac
  check "$what: no request" test -z "$(ls "$D/m_bay/_ship_out")"
}
expect_refusal "bad key list" "Invalid replication key_numbers parameter (5;x)" "$D.site" '5;x'
expect_refusal "key list with blank" "contains a space" "$D.site" '5, 6'
expect_refusal "missing site file" "site file ($TEST_TMP/none.site)" "$TEST_TMP/none.site" 5
printf '# nothing\n' > empty.site
expect_refusal "site file without depot" "names no depot" empty.site 5
printf 'depot=%s\n' "$TEST_TMP/nodepot" > nodepot.site
expect_refusal "missing depot" "Required Quorlin directory ($TEST_TMP/nodepot)" nodepot.site 5
echo '5>/vobs/src>>.>/vobs/dst>.>../../../../tmp/evil' > "$D/m_bay/config/evil.conf"
mv "$D/m_bay/config/shipper.conf" shipper.conf.saved
cp "$D/m_bay/config/evil.conf" "$D/m_bay/config/shipper.conf"
expect_refusal "location with a slash" "invalid receiving location (../../../../tmp/evil)" "$D.site" 5
echo '5>/vobs/unknown>>.>/vobs/dst>.>siteB' > "$D/m_bay/config/shipper.conf"
expect_refusal "unknown VOB" "refers to the VOB (/vobs/unknown) that does not exist" "$D.site" 5
echo '5>/vobs/src>>.>/vobs/dst' > "$D/m_bay/config/shipper.conf"
expect_refusal "incomplete key line" "had incomplete VOB key (5>/vobs/src>>.>/vobs/dst)" "$D.site" 5
echo '10000>/vobs/src>>.>/vobs/dst>.>siteB' > "$D/m_bay/config/shipper.conf"
expect_refusal "VOB id out of range" "had VOB_ID out of range [0..9999]" "$D.site" 5
echo 'include_file=missing.conf' > "$D/m_bay/config/shipper.conf"
expect_refusal "missing include file" "Config. Include File ($D/m_bay/config/missing.conf) cannot be read" "$D.site" 5
: > "$D/m_bay/config/shipper.conf"
expect_refusal "empty configuration" "cannot be read or is empty" "$D.site" 5
echo '5>/vobs/src>>.>/vobs/dst>.>siteB ../../evil siteC' > "$D/m_bay/config/shipper.conf"
expect_refusal "bad location after a good one" "invalid receiving location (../../evil)" "$D.site" 5
# Include files: a plain name in the config directory, a regular file, read without blocking.
echo '5>/vobs/src>>.>/vobs/dst>.>outside' > "$D/m_bay/outside.conf"
echo 'include_file=../outside.conf' > "$D/m_bay/config/shipper.conf"
expect_refusal "include outside the config directory" "Include File ($D/m_bay/config/../outside.conf) has Illegal name" "$D.site" 5
ln -sf /dev/zero "$D/m_bay/config/zero"
echo 'include_file=zero' > "$D/m_bay/config/shipper.conf"
expect_refusal "include of a device" "Include File ($D/m_bay/config/zero) cannot be read" timeout 10 "$SHIPOUT" "$D.site" 5
rm -f "$D/m_bay/config/fifo"; mkfifo "$D/m_bay/config/fifo"
echo 'include_file=fifo' > "$D/m_bay/config/shipper.conf"
expect_refusal "include of a FIFO" "Include File ($D/m_bay/config/fifo) cannot be read" timeout 10 "$SHIPOUT" "$D.site" 5
rm -f "$D/m_bay/config/fifo" "$D/m_bay/config/zero" "$D/m_bay/outside.conf"
mv shipper.conf.saved "$D/m_bay/config/shipper.conf"
# A VOB tag that is shell text reaches cleartool as one verbatim word.
echo '5>/vobs/x"; touch '"$TEST_TMP"'/pwned; echo ">>.>/vobs/dst>.>siteB' > "$D/m_bay/config/shipper.conf"
"$SHIPOUT" "$D.site" 5 > /dev/null
check "hostile VOB tag runs nothing" test ! -e "$TEST_TMP/pwned"

# A dangling symbolic link where a request belongs is reported and not written through.
rm -f "$D/m_bay/_ship_out"/mship.*
ln -s "$TEST_TMP/nowhere" "$D/m_bay/_ship_out/mship.005.siteB"
echo '5>/vobs/src>>.>/vobs/dst>.>siteB siteC' > "$D/m_bay/config/shipper.conf"
out=$("$SHIPOUT" "$D.site" 5); rc=$?
check "dangling request link: exit 0" test "$rc" -eq 0
case "$out" in *"shipping request ($D/m_bay/_ship_out/mship.005.siteB) is a dangling symbolic link"*) check "dangling request link: reported" true ;; *) echo "   got: $out"; check "dangling request link: reported" false ;; esac
check "dangling request link: target not created" test ! -e "$TEST_TMP/nowhere"
check "dangling request link: other location written" test -f "$D/m_bay/_ship_out/mship.005.siteC"
rm -f "$D/m_bay/_ship_out"/mship.*

# Command line.
out=$("$SHIPOUT" -ver); rc=$?
check "-ver exits 0" test "$rc" -eq 0
case "$out" in vandrel_shipout*12.1*) check "-ver names program and version" true ;; *) check "-ver names program and version" false ;; esac
"$SHIPOUT" FUBR anything; check "FUBR exits 0" test $? -eq 0
out=$("$SHIPOUT" only_one); rc=$?
check "usage exits 99" test "$rc" -eq 99
case "$out" in *"Usage is vandrel_shipout -ver"*) check "usage text" true ;; *) check "usage text" false ;; esac

echo "shipout: $failures failed"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# vandrel_shiptest with the real ftp client against an FTP server, and with
# psftp (a key made by puttygen, and a password) against an sshd, all on
# 127.0.0.1 (root only; skipped where a client or server is missing). A
# working session prints the box and leaves nothing behind on either side;
# a refused login prints the client's words between the error lines; a
# server that never answers is given up at the configured time limit.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_begin
SHIPTEST="$BIN/vandrel_shiptest"
loopback_begin

# --- the servers ------------------------------------------------------------------
PASSWORD=loop-back.7
FTP_PORT=$("$SERVERS" ftp "$S" shipper "$PASSWORD" /) || exit 1
SSH_PORT=$("$SERVERS" sshd "$S" "$PASSWORD") || exit 1
export HOME="$S/putty_home"  # PuTTY's host key cache
mkdir -p clients
# The kind comes from the program's name; the wrappers add the port.
"$SERVERS" wrapper clients/ftp_loopback ftp -P "$FTP_PORT"
"$SERVERS" wrapper clients/psftpk psftp -P "$SSH_PORT"
"$SERVERS" wrapper clients/psftpp psftp -P "$SSH_PORT"

# --- the depot --------------------------------------------------------------------
fake_cleartool
shipper_depot "$TEST_TMP/depot"
H="$B/config/hostmaps"
touch "$B/logs/shipper_errors.txt"
RECV="$TEST_TMP/receiver"
mkdir -p "$RECV"
ME=$(id -un)
hostmap() { write_hostmap "$H/$1.hostmap" 127.0.0.1 "$2" "$3" "$RECV"; }  # hostmap LOCATION USER PASSWORD
configure() { write_shipper_conf "$B/config/shipper.conf" "$TEST_TMP/clients/$1"; }  # configure PROGRAM
hostmap siteF shipper "$PASSWORD"
hostmap siteP "$ME" "$PASSWORD"
hostmap siteK "$ME" unused
cp "$S/client.ppk" "$H/siteK.pk"

for run in "ftp_loopback siteF" "psftpp siteP" "psftpk siteK"; do
  set -- $run
  configure "$1"
  "$SHIPTEST" "$D" "$2" meg=2 > out.txt 2>&1; rc=$?
  cat out.txt
  check "$1: ends with 999" [ "$rc" -eq 231 ]
  check "$1: success" contains out.txt "Communication to \"$2\" was successful."
  check "$1: box" grep -qE "^	\| 2 Meg sent to \"$2\" in [0-9]+ seconds?\.\$" out.txt
  check "$1: no error lines" lacks out.txt "shipping errors ---- "
  check "$1: nothing left in the receiver's bay" empty_dir "$RECV"
  check "$1: nothing left in epocs" empty_dir "$B/epocs"
done

# A refused login: the sending fails with the client's words, nothing stays.
hostmap siteF shipper wrong-password
hostmap siteP "$ME" wrong-password
for run in "ftp_loopback siteF" "psftpp siteP"; do
  set -- $run
  configure "$1"
  "$SHIPTEST" "$D" "$2" meg=1 > out.txt 2>&1
  cat out.txt
  check "$1, refused login: sending failed" contains out.txt "-- packet sending failed for ($B/epocs/vl_ping_test.data.$2.siteA."
  check "$1, refused login: the client's words between the lines" framed_text out.txt
  check "$1, refused login: no success" lacks out.txt "was successful"
  check "$1, refused login: nothing left in epocs" empty_dir "$B/epocs"
  check "$1, refused login: nothing in the receiver's bay" empty_dir "$RECV"
done

# A server that accepts the connection and never says a word: the session
# ends at transport_time_limit=, the test fails in bounded time, nothing stays.
SILENT=$("$SERVERS" silent "$S") || exit 1
"$SERVERS" wrapper clients/ftp_silent ftp -P "$SILENT"
hostmap siteF shipper "$PASSWORD"
configure ftp_silent
echo transport_time_limit=2 >> "$B/config/shipper.conf"
start=$(date +%s)
"$SHIPTEST" "$D" siteF meg=1 > out.txt 2>&1; rc=$?
elapsed=$(( $(date +%s) - start ))
cat out.txt
check "silent server: ends with 999" [ "$rc" -eq 231 ]
check "silent server: the limit printed" contains out.txt "(optional) transport_time_limit=2"
check "silent server: ended by the time limit" contains out.txt \
  "--- transfer session of ($TEST_TMP/clients/ftp_silent) ended after its time limit of 2 seconds ---- "
check "silent server: sending failed" contains out.txt "-- packet sending failed for ($B/epocs/vl_ping_test.data.siteF.siteA."
check "silent server: the failure names the time-out" contains out.txt "with 110: Connection timed out."
check "silent server: no success" lacks out.txt "was successful"
check "silent server: no box" lacks out.txt "Meg sent to"
check "silent server: bounded (${elapsed}s)" [ "$elapsed" -lt 30 ]
check "silent server: nothing left in epocs" empty_dir "$B/epocs"
check "silent server: nothing in the receiver's bay" empty_dir "$RECV"

itest_finish

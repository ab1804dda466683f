#!/usr/bin/env bash
# vandrel_shiptest with the real ftp client against an FTP server, and with
# psftp (a key made by puttygen, and a password) against an sshd, all on
# 127.0.0.1 (root only; skipped where a client or server is missing). A
# working session prints the box and leaves nothing behind on either side;
# a refused login prints the client's words between the error lines; a
# server that never answers is given up at the configured time limit.
set -u
BIN="$BUILD_DIR/bin"
SHIPTEST="$BIN/vandrel_shiptest"
PACKET="$BIN/vandrel_packet"
SERVERS="$SRC_DIR/tests/support/loopback_servers.sh"
rm -rf "$TEST_TMP"; mkdir -p "$TEST_TMP"; cd "$TEST_TMP" || exit 1
missing=$("$SERVERS" needs)
if [ -n "$missing" ]; then echo "skipped: $missing"; exit 77; fi

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }
empty_dir() { [ -z "$(ls -A "$1")" ]; }
framed_text() {  # the program's words stand between the begin and end lines
  awk '/^--- begin .*shipping errors/ {on = 1; next} /^--- end shipping errors/ {on = 0} on && NF {n++} END {exit n ? 0 : 1}' "$1"
}

# --- the servers ------------------------------------------------------------------
S="$TEST_TMP/servers"
trap '"$SERVERS" stop "$S"' EXIT
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
mkdir -p fakebin
printf '#!/bin/sh\ncase "$1" in -ver|lsview|startview) exit 0 ;; esac\nexit 1\n' > fakebin/cleartool
chmod +x fakebin/cleartool
export PATH="$TEST_TMP/fakebin:$PATH"
D="$TEST_TMP/depot"
B="$D/m_bay"
H="$B/config/hostmaps"
mkdir -p "$D/daemon" "$B/_ship_out" "$B/_hold_out" "$B/epocs" "$B/logs" "$H" "$B/config/config_specs"
touch "$B/logs/shipper_errors.txt"
RECV="$TEST_TMP/receiver"
mkdir -p "$RECV"
ME=$(id -un)
hostmap() {  # hostmap LOCATION USER PASSWORD
  echo "[$("$PACKET" passkey 127.0.0.1 "$2" "$3" "$RECV")]" > "$H/$1.hostmap"
}
configure() {  # configure PROGRAM
  cat > "$B/config/shipper.conf" <<EOC
shipper_id=$ME
view=ship_view
location_name=siteA
transport_program=$TEST_TMP/clients/$1
UTC_offset=+0
EOC
}
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

echo "$failures failure(s)"
[ "$failures" -eq 0 ]

#!/usr/bin/env bash
# vandrel_shiptest over a real sftp session: the "sftp" and "ssftp" kinds
# through the OpenSSH wrappers of contrib/transport, against a throwaway
# sshd on a free loopback port with its own host key and client key (root
# only; skipped elsewhere). A working session prints the box and leaves
# nothing behind on either side.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_begin
SHIPTEST="$BIN/vandrel_shiptest"
if [ "$(id -u)" -ne 0 ] || [ ! -x /usr/sbin/sshd ] || ! command -v sftp > /dev/null || ! command -v ssh-keygen > /dev/null; then
  echo "skipped: needs root, sshd, sftp and ssh-keygen (scripts/setup.sh installs them)"
  exit 77
fi

# --- the server -------------------------------------------------------------------
S="$TEST_TMP/sshd"
mkdir -p "$S"
for key in host_key client_key; do ssh-keygen -q -t ed25519 -N "" -f "$S/$key" || exit 1; done
cp "$S/client_key.pub" "$S/authorized_keys"
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$S/sshd_config" <<EOC
Port $PORT
ListenAddress 127.0.0.1
HostKey $S/host_key
AuthorizedKeysFile $S/authorized_keys
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin yes
StrictModes no
UsePAM no
PidFile $S/sshd.pid
Subsystem sftp internal-sftp
LogLevel ERROR
EOC
echo "[127.0.0.1]:$PORT $(cut -d' ' -f1,2 "$S/host_key.pub")" > "$S/known_hosts"
cat > "$S/ssh_config" <<EOC
Host 127.0.0.1
  Port $PORT
  IdentityFile $S/client_key
  UserKnownHostsFile $S/known_hosts
  StrictHostKeyChecking yes
  LogLevel ERROR
EOC
mkdir -p /run/sshd
timeout 10 /usr/sbin/sshd -f "$S/sshd_config" -E "$S/sshd.log" || { cat "$S/sshd.log"; exit 1; }
for _ in $(seq 1 250); do [ -s "$S/sshd.pid" ] && break; sleep 0.02; done
SSHD_PID=$(cat "$S/sshd.pid" 2> /dev/null)
[ -n "$SSHD_PID" ] || { echo "sshd did not start"; cat "$S/sshd.log"; exit 1; }
trap 'kill "$SSHD_PID" 2> /dev/null' EXIT
export VANDREL_SFTP_CONFIG="$S/ssh_config"

# --- the depot --------------------------------------------------------------------
fake_cleartool
shipper_depot "$TEST_TMP/depot"
RECV="$TEST_TMP/receiver"
mkdir -p "$RECV"
write_hostmap "$B/config/hostmaps/siteB.hostmap" 127.0.0.1 "$(id -un)" unused "$RECV"

for wrapper in sftp_openssh ssftp_openssh; do
  write_shipper_conf "$B/config/shipper.conf" "$SRC_DIR/contrib/transport/$wrapper"
  "$SHIPTEST" "$D" siteB meg=2 > out.txt 2>&1; rc=$?
  cat out.txt
  check "$wrapper: ends with 999" [ "$rc" -eq 231 ]
  check "$wrapper: success" contains out.txt 'Communication to "siteB" was successful.'
  check "$wrapper: box" grep -qE '^	\| 2 Meg sent to "siteB" in [0-9]+ seconds?\.$' out.txt
  check "$wrapper: nothing left in the receiver's bay" [ -z "$(ls -A "$RECV")" ]
  check "$wrapper: nothing left in epocs" [ -z "$(ls -A "$B/epocs")" ]
done

# A receiver directory that does not exist: the session fails and says why.
write_hostmap "$B/config/hostmaps/siteC.hostmap" 127.0.0.1 "$(id -un)" unused "$TEST_TMP/nowhere"
"$SHIPTEST" "$D" siteC meg=1 > out.txt 2>&1
check "missing receiver directory: sending failed" contains out.txt "-- packet sending failed for ($B/epocs/vl_ping_test.data.siteC.siteA."
check "missing receiver directory: sftp's words printed between the lines" framed_text out.txt
check "missing receiver directory: no success" lacks out.txt "was successful"
check "missing receiver directory: nothing left in epocs" [ -z "$(ls -A "$B/epocs")" ]

# The server gone: the session fails at once with the client's own words,
# well inside the time limit, and nothing stays behind.
kill "$SSHD_PID" 2> /dev/null
for _ in $(seq 1 250); do kill -0 "$SSHD_PID" 2> /dev/null || break; sleep 0.02; done
write_shipper_conf "$B/config/shipper.conf" "$SRC_DIR/contrib/transport/sftp_openssh" transport_time_limit=20
start=$(date +%s)
"$SHIPTEST" "$D" siteB meg=1 > out.txt 2>&1; rc=$?
elapsed=$(( $(date +%s) - start ))
cat out.txt
check "dead server: ends with 999" [ "$rc" -eq 231 ]
check "dead server: sending failed" contains out.txt "-- packet sending failed for ($B/epocs/vl_ping_test.data.siteB.siteA."
check "dead server: the client's words" contains out.txt "Connection refused"
check "dead server: no success" lacks out.txt "was successful"
check "dead server: before the time limit (${elapsed}s)" [ "$elapsed" -lt 20 ]
check "dead server: nothing left in epocs" [ -z "$(ls -A "$B/epocs")" ]
check "dead server: nothing in the receiver's bay" [ -z "$(ls -A "$RECV")" ]

itest_finish

#!/bin/bash
# vandrel_hostentry driven through a pseudo-terminal: full dialogues whose
# passkeys unscramble to the entered words, aborts, refused blanks, usage.
set -u
BIN="$BUILD_DIR/bin/vandrel_hostentry"
DRIVE="$SRC_DIR/tests/wintools/drive_pty.py"
UNPASS="$BUILD_DIR/tests/wintools/wintools_unpasskey"
mkdir -p "$TEST_TMP"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Prints the passkey between "[" and "]" of the output in file $1.
passkey_of() { python3 -c 'import sys,re
t=open(sys.argv[1],encoding="latin-1").read()
m=re.search(r"below: \r?\n\r?\n\r?\n\t\[(.*)\]\r?\n",t)
print(m.group(1) if m else "")' "$1"; }

# A full dialogue: machine, user, password twice, directory, "Y", a key.
dialogue() {  # out machine user password directory
  python3 "$DRIVE" "$BIN" -- "$2\r" "choice" "$3\r" "side" "$4\r" "confirm" "$4\r" \
    "Receiver" "$5\r" "abort the program" "Y\r" "Hit any key" " " > "$1" 2>&1
}

# 1. Full dialogues: the passkey unscrambles into the four words (machine and
# user lower-cased, "\" in the user as "/").
while IFS='|' read -r machine user password directory want; do
  out="$TEST_TMP/full.out"
  dialogue "$out" "$machine" "$user" "$password" "$directory"
  rc=$?
  [ $rc -eq 0 ] || fail "dialogue for $machine exited $rc"
  key=$(passkey_of "$out")
  [ -n "$key" ] || { fail "no passkey printed for $machine"; cat "$out"; continue; }
  if [ -x "$BUILD_DIR/bin/vandrel_packet" ]; then
    got=$("$BUILD_DIR/bin/vandrel_packet" unpasskey "$key")
    [ "$got" = "$want" ] || fail "vandrel_packet unpasskey gave '$got', want '$want'"
  fi
  got=$("$UNPASS" "$key" | paste -sd'|')
  [ "$got" = "$(echo "$want" | sed 's/ /|/; s/ /|/; s/ /|/')" ] || fail "unscrambled '$got', want '$want'"
done <<'CASES'
RecvHost|ccadm|s3cr!t|/data/incoming|recvhost ccadm s3cr!t /data/incoming
recvhost|DOM\\Ccadm|p@ss"w0rd|/v/in|recvhost dom/ccadm p@ss"w0rd /v/in
RECVHOST|ccadm|s3cr!t|/data/incoming|recvhost ccadm s3cr!t /data/incoming
CASES

# Upper- and lower-case machine names give the same passkey.
dialogue "$TEST_TMP/upper.out" "RECVHOST" "u" "pw" "/d"
dialogue "$TEST_TMP/lower.out" "recvhost" "u" "pw" "/d"
[ "$(passkey_of "$TEST_TMP/upper.out")" = "$(passkey_of "$TEST_TMP/lower.out")" ] ||
  fail "machine case changes the passkey"

# 2. Blanks typed in the machine name ring the bell and are not stored; the
# directory keeps inner blanks and drops trailing ones.
dialogue "$TEST_TMP/blank.out" " recv host" "u" "pw" "/my dir  "
grep -q $'\a' "$TEST_TMP/blank.out" || fail "no bell for a refused blank"
key=$(passkey_of "$TEST_TMP/blank.out")
got=$("$UNPASS" "$key" | paste -sd'|')
[ "$got" = "recvhost|u|pw|/my dir" ] || fail "blank handling gave '$got'"

# 3. Mismatched confirmation, then "n": aborted, no passkey, status 0.
python3 "$DRIVE" "$BIN" -- "m\r" "choice" "u\r" "side" "one\r" "confirm" "two\r" \
  "Do you wish to retry?" "n" > "$TEST_TMP/mismatch.out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "mismatch abort exited $rc"
grep -q "Passwords don't match" "$TEST_TMP/mismatch.out" || fail "no mismatch text"
grep -q "vandrel_hostentry aborted..." "$TEST_TMP/mismatch.out" || fail "no aborted text"
grep -q "with the passkey" "$TEST_TMP/mismatch.out" && fail "passkey printed after abort"

# 4. Mismatch, "y" to retry, then matching passwords give a passkey.
python3 "$DRIVE" "$BIN" -- "m\r" "choice" "u\r" "side" "one\r" "confirm" "two\r" \
  "Do you wish to retry?" "y" "side" "pw\r" "confirm" "pw\r" "Receiver" "/d\r" \
  "abort the program" "Y\r" "Hit any key" " " > "$TEST_TMP/retry.out" 2>&1
got=$("$UNPASS" "$(passkey_of "$TEST_TMP/retry.out")" | paste -sd'|')
[ "$got" = "m|u|pw|/d" ] || fail "retry gave '$got'"

# 5. Declining the summary: "No key built", status 0.
python3 "$DRIVE" "$BIN" -- "m\r" "choice" "u\r" "side" "pw\r" "confirm" "pw\r" \
  "Receiver" "/d\r" "abort the program" "n\r" > "$TEST_TMP/decline.out" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "decline exited $rc"
grep -q "No key built" "$TEST_TMP/decline.out" || fail "no 'No key built'"

# 6. A password outside the passkey alphabet cannot be carried: error, status 1.
python3 "$DRIVE" "$BIN" -- "m\r" "choice" "u\r" "side" "a{b\r" "confirm" "a{b\r" \
  "Receiver" "/d\r" "abort the program" "Y\r" > "$TEST_TMP/refused.out" 2>&1
rc=$?
[ $rc -eq 1 ] || fail "refused password exited $rc"
grep -q "ERROR: Could not create passkey for location..." "$TEST_TMP/refused.out" || fail "no refusal text"

# 7. End of input at the first field does not hang: the dialogue ends.
timeout 20 "$BIN" < /dev/null > "$TEST_TMP/eof.out" 2>&1
rc=$?
[ $rc -ne 124 ] || fail "hangs at end of input"

# 8. Interrupted with Ctrl-C while echo is off: the terminal gets its echo back.
python3 - "$BIN" > "$TEST_TMP/sigint.out" 2>&1 <<'PY'
import os, pty, select, sys, termios, time
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], [sys.argv[1]])
out = b""
deadline = time.time() + 20
while b"-->" not in out and time.time() < deadline:
    if select.select([fd], [], [], 0.2)[0]:
        out += os.read(fd, 4096)
echo_off = not (termios.tcgetattr(fd)[3] & termios.ECHO)
os.write(fd, b"\x03")
_, status = os.waitpid(pid, 0)
echo_back = bool(termios.tcgetattr(fd)[3] & termios.ECHO)
print("echo_off=%s echo_back=%s signaled=%s" % (echo_off, echo_back, os.WIFSIGNALED(status)))
sys.exit(0 if echo_off and echo_back and os.WIFSIGNALED(status) else 1)
PY
[ $? -eq 0 ] || { fail "terminal not restored after Ctrl-C"; cat "$TEST_TMP/sigint.out"; }

# 9. Command line.
[ "$("$BIN" -ver)" = "vandrel_hostentry Version (12.1) build (20170517.08:50a)" ] || fail "-ver"
"$BIN" -x > "$TEST_TMP/usage.out"; rc=$?
[ $rc -eq 1 ] || fail "wrong single argument exited $rc"
grep -q "vandrel_hostentry USAGE: .*vandrel_hostentry \[-ver\] " "$TEST_TMP/usage.out" || fail "usage text"
"$BIN" a b > /dev/null; rc=$?
[ $rc -eq 2 ] || fail "two arguments exited $rc"

[ $failures -eq 0 ] && echo "all hostentry checks passed"
exit $((failures > 0))

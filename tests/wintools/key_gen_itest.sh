#!/bin/bash
# vandrel_crypt_key_gen output installed as a key file: it encrypts and
# decrypts a packet through the packet tool, and a key from another run
# does not decrypt it back to the same bytes.
set -u
GEN="$BUILD_DIR/bin/vandrel_crypt_key_gen"
TOOL="$BUILD_DIR/bin/vandrel_packet"
mkdir -p "$TEST_TMP"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$GEN" > "$TEST_TMP/key1.txt"; rc=$?
[ $rc -eq 0 ] || fail "key generator exited $rc"
"$GEN" > "$TEST_TMP/key2.txt" || fail "second run failed"
[ "$(head -c 768 "$TEST_TMP/key1.txt" | tr -d '0-9' | wc -c)" -eq 0 ] || fail "key is not 768 digits"
[ "$(head -c 768 "$TEST_TMP/key1.txt" | fold -w3 | sort -u | wc -l)" -eq 256 ] || fail "key values repeat"
[ "$(head -c 768 "$TEST_TMP/key1.txt" | tail -c 3)" = "000" ] || fail "key does not end in 000"
cmp -s <(head -c 768 "$TEST_TMP/key1.txt") <(head -c 768 "$TEST_TMP/key2.txt") && fail "two runs gave the same key"
grep -q "==== Performing Internal Key Check: key is VALID!! " "$TEST_TMP/key1.txt" || fail "no VALID line"

if [ -x "$TOOL" ]; then
  head -c 200000 /dev/urandom > "$TEST_TMP/plain"
  "$TOOL" crypt --key "$TEST_TMP/key1.txt" "$TEST_TMP/plain" "$TEST_TMP/enc" || fail "crypt with the generated key"
  "$TOOL" decrypt --key "$TEST_TMP/key1.txt" "$TEST_TMP/enc" "$TEST_TMP/back" || fail "decrypt with the generated key"
  cmp -s "$TEST_TMP/plain" "$TEST_TMP/back" || fail "round trip through the generated key changed the data"
  if "$TOOL" decrypt --key "$TEST_TMP/key2.txt" "$TEST_TMP/enc" "$TEST_TMP/wrong" 2> /dev/null; then
    cmp -s "$TEST_TMP/plain" "$TEST_TMP/wrong" && fail "another key decrypted the packet"
  fi
else
  echo "vandrel_packet not built; key file round trip skipped"
fi

[ $failures -eq 0 ] && echo "all key generator checks passed"
exit $((failures > 0))

#!/usr/bin/env bash
# vandrel_proxy with the real ftp client, and with lftp over ftp://, against
# an FTP server on 127.0.0.1 (root only; skipped where a client or server is
# missing): a package of more than 19 parts moves whole and is deleted
# remotely only then, a confirmation moves the other way; a transfer cut in
# the middle leaves the remote package in place and no local trailer; a
# refused login and a server that never answers move nothing.
set -u
BIN="$BUILD_DIR/bin"
PROXY="$BIN/vandrel_proxy"
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
absent() { [ ! -e "$1" ]; }

S="$TEST_TMP/servers"
trap '"$SERVERS" stop "$S"' EXIT
PASSWORD=loop-back.7
PORT=$("$SERVERS" ftp "$S" relay "$PASSWORD" /) || exit 1
SILENT=$("$SERVERS" silent "$S") || exit 1
mkdir -p clients
"$SERVERS" wrapper clients/ftp_loopback ftp -P "$PORT"
"$SERVERS" wrapper clients/ftp_silent ftp -P "$SILENT"
# The real client, its connection closed after the fifth download of the
# session that fetches packages, as when a line drops in the middle.
cat > clients/ftp_cut <<EOS
#!/bin/sh
awk '{ print } /^get "epoc\./ && ++n == 5 { print "close" }' | ftp -P "$PORT" "\$@"
EOS
chmod +x clients/ftp_cut

# Work files go into a private directory of TMPDIR: it must be empty after a run.
export TMPDIR="$TEST_TMP/tmp"
mkdir -p "$TMPDIR"
R="$TEST_TMP/remote"
L="$TEST_TMP/local"

# make_proxy FILE PROGRAM MACHINE [PASSWORD]
make_proxy() {
  local key
  key=$("$PACKET" passkey "$3" relay "${4:-$PASSWORD}" "$R") || exit 1
  printf '%s\n%s\n[%s]\n' "$2" "$L" "$key" > "$1"
}

# make_package BASE EXTRA_PARTS: random data parts and a trailer with the
# integrity line, in the remote directory.
make_package() {
  local base=$1 n=$2 i name line="sha256 $2"
  for ((i = 0; i <= n; i++)); do
    name="$R/$base.crc"; [ "$i" -gt 0 ] && name="${name}_$i"
    head -c $((3000 + i)) /dev/urandom > "$name"
    line="$line $(sha256sum "$name" | cut -d' ' -f1)"
  done
  printf '10-Dec-2026.1:2:3 UTC +0\n<vob>\n[3]\n%s\n' "$line" > "$R/$base.pack"
}

# same_package A_DIR B_DIR BASE EXTRA_PARTS
same_package() {
  local i name
  for ((i = 0; i <= $4; i++)); do
    name="$3.crc"; [ "$i" -gt 0 ] && name="${name}_$i"
    cmp -s "$1/$name" "$2/$name" || return 1
  done
  cmp -s "$1/$3.pack" "$2/$3.pack"
}

fresh() {
  rm -rf "$R" "$L" keep; mkdir -p "$R" "$L" keep
}

# --- a package of 21 extra parts, and a confirmation, by ftp and by lftp --------
for run in "$TEST_TMP/clients/ftp_loopback 127.0.0.1" "lftp ftp://127.0.0.1:$PORT"; do
  set -- $run
  kind=$(basename "$1")
  fresh
  make_package epoc.001.siteB.siteA 21
  cp "$R"/epoc.001.siteB.siteA.* keep/
  echo "10-Dec-2026.1:2:3 UTC +0" > "$L/epoc.001.siteB.siteA.epoc"
  make_proxy hop.proxy "$1" "$2"
  "$PROXY" hop.proxy > out.txt; rc=$?
  cat out.txt
  check "$kind: run exits 0" [ $rc -eq 0 ]
  check "$kind: all 22 data files and the trailer arrived unchanged" same_package keep "$L" epoc.001.siteB.siteA 21
  check "$kind: delivery reported" contains out.txt "-- package (epoc.001.siteB.siteA) delivered whole to ($L) with 21 extra part(s)"
  check "$kind: remote package deleted, parts 20 and 21 included" [ "$(ls "$R" | grep -c '\.crc\|\.pack')" -eq 0 ]
  check "$kind: confirmation pushed" cmp -s "$L/epoc.001.siteB.siteA.epoc" "$R/epoc.001.siteB.siteA.epoc"
  check "$kind: no errors" lacks out.txt "commnication errors"
  check "$kind: nothing else left locally" [ "$(ls -A "$L" | wc -l)" -eq 24 ]
  check "$kind: no probe left remotely" [ "$(ls -A "$R" | grep -c holla)" -eq 0 ]
  check "$kind: no work files left in TMPDIR" [ -z "$(ls -A "$TMPDIR")" ]
  "$PROXY" hop.proxy > out.txt
  check "$kind: a second run pulls nothing" contains out.txt "                           - (None found)"
done

# --- a transfer cut in the middle ---------------------------------------------------
fresh
make_package epoc.003.siteB.siteA 20
make_proxy hop.proxy "$TEST_TMP/clients/ftp_cut" 127.0.0.1
"$PROXY" hop.proxy > out.txt
cat out.txt
check "cut: remote trailer stays" [ -s "$R/epoc.003.siteB.siteA.pack" ]
check "cut: remote data stay" [ -s "$R/epoc.003.siteB.siteA.crc" ] && [ -s "$R/epoc.003.siteB.siteA.crc_20" ]
check "cut: no local trailer" absent "$L/epoc.003.siteB.siteA.pack"
check "cut: no local data" absent "$L/epoc.003.siteB.siteA.crc"
check "cut: reported" contains out.txt "-- package (epoc.003.siteB.siteA) did not arrive whole and stays on the remote side"
check "cut: staging removed" [ "$(ls -A "$L" | wc -l)" -eq 0 ]
# The next run, over a line that holds, moves it whole.
cp "$R"/epoc.003.siteB.siteA.* keep/
make_proxy hop.proxy "$TEST_TMP/clients/ftp_loopback" 127.0.0.1
"$PROXY" hop.proxy > out.txt
check "after the cut: delivered whole" same_package keep "$L" epoc.003.siteB.siteA 20
check "after the cut: remote deleted" absent "$R/epoc.003.siteB.siteA.pack"

# --- a confirmation the server refuses to store ------------------------------------
# (a directory of its name on the remote side): the push is reported failed,
# with the server's refusal, and the pull still runs.
fresh
make_package epoc.005.siteB.siteA 1
echo c > "$L/epoc.005.siteB.siteA.epoc"
mkdir "$R/epoc.005.siteB.siteA.epoc"
make_proxy hop.proxy "$TEST_TMP/clients/ftp_loopback" 127.0.0.1
"$PROXY" hop.proxy > out.txt
cat out.txt
check "refused push: reported failed" contains out.txt "-- Error #1: No remote communication available for mapfile (hop.proxy)..."
check "refused push: the refusal shown" grep -q '^550 ' out.txt
check "refused push: no good push" lacks out.txt 'GOOD "PUSH"'
check "refused push: package still pulled" [ -s "$L/epoc.005.siteB.siteA.pack" ]

# --- a refused login, a server that never answers ---------------------------------
fresh
make_package epoc.004.siteB.siteA 1
echo c > "$L/epoc.004.siteB.siteA.epoc"
make_proxy hop.proxy "$TEST_TMP/clients/ftp_loopback" 127.0.0.1 wrong-password
"$PROXY" hop.proxy > out.txt
cat out.txt
check "refused login: push failed" contains out.txt "-- Error #1: No remote communication available for mapfile (hop.proxy)..."
check "refused login: list failed" contains out.txt "-- Error #2: No remote communication available for mapfile (hop.proxy)..."
check "refused login: remote untouched" [ -s "$R/epoc.004.siteB.siteA.pack" ] && absent "$R/epoc.004.siteB.siteA.epoc"
check "refused login: nothing fetched" absent "$L/epoc.004.siteB.siteA.pack"
make_proxy hop.proxy "$TEST_TMP/clients/ftp_silent" 127.0.0.1
start=$(date +%s)
VANDREL_PROXY_SESSION_SECONDS=1 "$PROXY" hop.proxy > out.txt
elapsed=$(( $(date +%s) - start ))
check "silent server: sessions ended by the time limit" contains out.txt "ended after its time limit of 1 seconds"
check "silent server: bounded (${elapsed}s)" [ "$elapsed" -lt 12 ]
check "silent server: nothing fetched" absent "$L/epoc.004.siteB.siteA.pack"
check "no work files left in TMPDIR" [ -z "$(ls -A "$TMPDIR")" ]

echo "$failures failure(s)"
[ "$failures" -eq 0 ]

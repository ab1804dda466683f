#!/usr/bin/env bash
# vandrel_proxy with the real ftp client, and with lftp over ftp://, against
# an FTP server on 127.0.0.1 (root only; skipped where a client or server is
# missing): a package of more than 19 parts moves whole and is deleted
# remotely only then, a confirmation moves the other way; a transfer cut in
# the middle leaves the remote package in place and no local trailer; a
# refused login and a server that never answers move nothing.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_begin
PROXY="$BIN/vandrel_proxy"
loopback_begin

PASSWORD=loop-back.7
PORT=$("$SERVERS" ftp "$S" relay "$PASSWORD" /) || exit 1
SILENT=$("$SERVERS" silent "$S") || exit 1
mkdir -p clients
"$SERVERS" wrapper clients/ftp_loopback ftp -P "$PORT"
"$SERVERS" wrapper clients/ftp_silent ftp -P "$SILENT"
# The real client, its connection closed after the fifth download of the
# session that fetches packages, as when a line drops in the middle.
fake_program clients/ftp_cut <<EOS
#!/bin/sh
awk '{ print } /^get "epoc\./ && ++n == 5 { print "close" }' | ftp -P "$PORT" "\$@"
EOS

# Work files go into a private directory of TMPDIR: it must be empty after a run.
relay_dirs_init

# make_proxy FILE PROGRAM MACHINE [PASSWORD]
make_proxy() {
  local key
  key=$("$PACKET" passkey "$3" relay "${4:-$PASSWORD}" "$R") || exit 1
  printf '%s\n%s\n[%s]\n' "$2" "$L" "$key" > "$1"
}

# The packages' data parts are of about 3000 bytes.
PART_BYTES=3000

# --- a package of 21 extra parts, and a confirmation, by ftp and by lftp --------
for run in "$TEST_TMP/clients/ftp_loopback 127.0.0.1" "lftp ftp://127.0.0.1:$PORT"; do
  set -- $run
  kind=$(basename "$1")
  fresh_relay_dirs
  make_package "$R" epoc.001.siteB.siteA 21
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
fresh_relay_dirs
make_package "$R" epoc.003.siteB.siteA 20
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
fresh_relay_dirs
make_package "$R" epoc.005.siteB.siteA 1
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
fresh_relay_dirs
make_package "$R" epoc.004.siteB.siteA 1
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

itest_finish

#!/usr/bin/env bash
# vandrel_proxy with the real lftp on the local file system (open -u u,p
# file:///, no server): packages with more than 19 parts move whole from the
# "remote" directory to the local one and are deleted there only then;
# confirmations move the other way; a transfer cut in the middle, a part
# changed on the way, a listing that says "No such" or a package the
# receiver still holds move nothing; hostile proxy files run nothing; a
# session that hangs is ended by its time limit.
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_begin
PROXY="$BIN/vandrel_proxy"
itest_need_lftp

# Work files go into a private directory of TMPDIR: it must be empty after a run.
relay_dirs_init

# make_proxy FILE PROGRAM LOCAL_DIR REMOTE_DIR [PASSWORD]
make_proxy() {
  local key
  key=$("$PACKET" passkey file:/// relay "${5:-pw}" "$4") || exit 1
  printf '%s\n\n%s\n[%s]\nthe rest is comment\n' "$2" "$3" "$key" > "$1"
}

# --- command line ------------------------------------------------------------
"$PROXY" > out.txt; check "no argument: usage, exit 36" [ $? -eq 36 ]
check "usage text" contains out.txt "USAGE: $PROXY -ver | -help | -man | proxy_file "
"$PROXY" -help > out.txt; check "-help exits 0" [ $? -eq 0 ]
"$PROXY" -man > out.txt; check "-man exits 0" [ $? -eq 0 ]
check "-man describes the proxy file" contains out.txt "THE PROXY FILE"
"$PROXY" -ver > out.txt; check "-ver" contains out.txt "vandrel_proxy Version (12.1) build ("
"$PROXY" "/$(printf 'x%.0s' {1..600})" > out.txt; check "over-long path: exit 37" [ $? -eq 37 ]
check "over-long path message" contains out.txt "START_FAILED: Path to proxy_file to excessive cannot be greater than 512."
"$PROXY" nothing.proxy > out.txt; check "missing proxy file: exit 39" [ $? -eq 39 ]
check "missing proxy file message" contains out.txt "START_FAILED: The proxy_file (nothing.proxy) does not exist or cannot be read"

# --- a package of 21 extra parts, and a confirmation -------------------------
fresh_relay_dirs
make_package "$R" epoc.001.siteB.siteA 21
cp "$R"/epoc.001.siteB.siteA.* "$TEST_TMP/keep/"
echo "10-Dec-2026.1:2:3 UTC +0" > "$L/epoc.001.siteB.siteA.epoc"
make_proxy hop.proxy lftp "$L" "$R"
"$PROXY" hop.proxy > out.txt; rc=$?
cat out.txt
check "run exits 0" [ $rc -eq 0 ]
check "all 22 data files and the trailer arrived unchanged" same_package "$TEST_TMP/keep" "$L" epoc.001.siteB.siteA 21
check "delivery reported" contains out.txt "-- package (epoc.001.siteB.siteA) delivered whole to ($L) with 21 extra part(s)"
check "remote package deleted, parts 20 and 21 included" [ "$(ls "$R" | grep -c '\.crc\|\.pack')" -eq 0 ]
check "confirmation pushed" cmp -s "$L/epoc.001.siteB.siteA.epoc" "$R/epoc.001.siteB.siteA.epoc"
check "local confirmation kept" [ -s "$L/epoc.001.siteB.siteA.epoc" ]
check "push summary" contains out.txt "GOOD \"PUSH\" of existing epoc(s)"
check "no staging directory or probe left in the local directory" [ "$(ls -A "$L" | grep -c '^\.\|holla')" -eq 0 ]
check "no probe left remotely" [ "$(ls -A "$R" | grep -c holla)" -eq 0 ]
check "no work files left in TMPDIR" [ "$(count_files "$TMPDIR")" -eq 0 ]

# Nothing left to do: no package, the confirmation pushed again.
"$PROXY" hop.proxy > out.txt
check "second run pulls nothing" contains out.txt "                           - (None found)"

# --- the ftp kind: script on standard input, "-in machine" ---------------------
# A stand-in ftp client that checks its command line and speaks the script
# through lftp (user line -> open, ls -> cls, del -> rm, modes and verbose
# dropped). Like an ftp client it goes on after a failure and shows the
# server's refusal ("550 ...") on its standard output, not on its error
# stream.
fake_program fakebin/ftp-via-lftp <<'EOS'
#!/bin/sh
[ "$1" = -in ] && [ "$2" = "file:///" ] && [ $# -eq 2 ] || { echo "bad command line: $*" >&2; exit 2; }
sed -e 's/^user \([^ ]*\) \(.*\)$/open -u \1,\2 file:\/\/\//' -e 's/^ls /cls -1 /' -e 's/^del /rm /' \
    -e '/^ascii$/d' -e '/^binary$/d' -e '/^verbose$/d' > "$FTP_SCRIPT_COPY"
{ lftp -f "$FTP_SCRIPT_COPY" 2>&1 1>&3 | sed 's/^/550 /'; } 3>&1
EOS
fresh_relay_dirs
make_package "$R" epoc.011.siteB.siteA 20
cp "$R"/epoc.011.siteB.siteA.* "$TEST_TMP/keep/"
echo "c" > "$L/epoc.011.siteB.siteA.epoc"
make_proxy hop.proxy "$TEST_TMP/fakebin/ftp-via-lftp" "$L" "$R"
FTP_SCRIPT_COPY="$TEST_TMP/ftp_script" "$PROXY" hop.proxy > out.txt
check "ftp kind: package delivered whole" same_package "$TEST_TMP/keep" "$L" epoc.011.siteB.siteA 20
check "ftp kind: remote deleted" absent "$R/epoc.011.siteB.siteA.crc_20"
check "ftp kind: confirmation pushed" [ -s "$R/epoc.011.siteB.siteA.epoc" ]

# A refused upload shows only on the client's output: the push is reported
# failed, and the pull still runs.
fresh_relay_dirs
make_package "$R" epoc.014.siteB.siteA 1
echo "c" > "$L/epoc.014.siteB.siteA.epoc"
mkdir "$R/epoc.014.siteB.siteA.epoc"
FTP_SCRIPT_COPY="$TEST_TMP/ftp_script" "$PROXY" hop.proxy > out.txt
check "ftp kind, refused upload: push reported failed" contains out.txt "-- Error #1: No remote communication available for mapfile (hop.proxy)..."
check "ftp kind, refused upload: the refusal shown" contains out.txt "550 put:"
check "ftp kind, refused upload: no good push" lacks out.txt 'GOOD "PUSH"'
check "ftp kind, refused upload: package still pulled" [ -s "$L/epoc.014.siteB.siteA.pack" ]

# --- a local directory named relative to where the relay runs --------------------
fresh_relay_dirs
make_package "$R" epoc.012.siteB.siteA 1
echo "c" > "$L/epoc.012.siteB.siteA.epoc"
make_proxy hop.proxy lftp "local/" "$R"
"$PROXY" hop.proxy > out.txt
check "relative local directory: package delivered" [ -s "$L/epoc.012.siteB.siteA.crc_1" ]
check "relative local directory: confirmation pushed" [ -s "$R/epoc.012.siteB.siteA.epoc" ]
check "relative local directory: named in full" contains out.txt "delivered whole to ($L)"

# --- an older trailer without integrity line moves after a clean session -----
fresh_relay_dirs
make_package "$R" epoc.002.siteB.siteA 2 old
cp "$R"/epoc.002.siteB.siteA.* "$TEST_TMP/keep/"
make_proxy hop.proxy lftp "$L" "$R"
"$PROXY" hop.proxy > out.txt
check "old trailer: package delivered" same_package "$TEST_TMP/keep" "$L" epoc.002.siteB.siteA 2
check "old trailer: remote deleted" absent "$R/epoc.002.siteB.siteA.pack"
check "no confirmation: no push" contains out.txt "- (None found)"

# --- transfers cut in the middle ---------------------------------------------
# A wrapper around lftp that, in the session that fetches packages, first
# does what $CUT says to the remote side, as if the transfer broke.
fake_program fakebin/lftp-cut <<'EOS'
#!/bin/sh
if grep -q '^get "epoc\.' "$2"; then sh -c "$CUT"; fi
exec lftp "$@"
EOS

cut_case() {  # cut_case DESCRIPTION CUT [old]
  fresh_relay_dirs
  make_package "$R" epoc.003.siteB.siteA 20 "${3:-}"
  make_proxy hop.proxy "$TEST_TMP/fakebin/lftp-cut" "$L" "$R"
  CUT="$2" "$PROXY" hop.proxy > out.txt
  check "$1: remote trailer stays" [ -s "$R/epoc.003.siteB.siteA.pack" ]
  check "$1: remote data stay" [ -s "$R/epoc.003.siteB.siteA.crc" ]
  check "$1: no local trailer" absent "$L/epoc.003.siteB.siteA.pack"
  check "$1: no local data" absent "$L/epoc.003.siteB.siteA.crc"
  check "$1: reported" contains out.txt "-- package (epoc.003.siteB.siteA) did not arrive whole and stays on the remote side"
  check "$1: staging removed" [ "$(ls -A "$L" | wc -l)" -eq 0 ]
}
cut_case "part removed after the listing" "rm $R/epoc.003.siteB.siteA.crc_7"
cut_case "part cut short on the way" "truncate -s 100 $R/epoc.003.siteB.siteA.crc_20"
cut_case "old trailer, part removed" "rm $R/epoc.003.siteB.siteA.crc_13" old
check "the failed session's errors are shown" contains out.txt "--- begin commnication errors ---- "
check "part 14 still remote after the cut" [ -s "$R/epoc.003.siteB.siteA.crc_14" ]

# A package whose part 1 is missing from the listing at all: the trailer
# names it, so it is never delivered.
fresh_relay_dirs
make_package "$R" epoc.004.siteB.siteA 3
rm "$R/epoc.004.siteB.siteA.crc_1"
make_proxy hop.proxy lftp "$L" "$R"
"$PROXY" hop.proxy > out.txt
check "unlisted part: nothing delivered" absent "$L/epoc.004.siteB.siteA.pack"
check "unlisted part: remote trailer stays" [ -s "$R/epoc.004.siteB.siteA.pack" ]

# One damaged package does not hold up a whole one in the same run.
fresh_relay_dirs
make_package "$R" epoc.005.siteB.siteA 1
make_package "$R" epoc.006.siteB.siteA 1
make_proxy hop.proxy "$TEST_TMP/fakebin/lftp-cut" "$L" "$R"
CUT="echo changed >> $R/epoc.005.siteB.siteA.crc" "$PROXY" hop.proxy > out.txt
check "damaged package stays remote" [ -s "$R/epoc.005.siteB.siteA.pack" ]
check "whole package delivered" [ -s "$L/epoc.006.siteB.siteA.pack" ]
check "whole package deleted remotely" absent "$R/epoc.006.siteB.siteA.pack"

# A package delivered by another run while this one fetched it (the receiver
# already holds it) is neither delivered again nor deleted remotely.
fresh_relay_dirs
make_package "$R" epoc.013.siteB.siteA 1
make_proxy hop.proxy "$TEST_TMP/fakebin/lftp-cut" "$L" "$R"
CUT="echo busy > $L/epoc.013.siteB.siteA.pack_pending" "$PROXY" hop.proxy > out.txt
check "delivered meanwhile: reported waiting" contains out.txt "-- package (epoc.013.siteB.siteA) is still waiting in ($L)"
check "delivered meanwhile: not delivered again" absent "$L/epoc.013.siteB.siteA.crc"
check "delivered meanwhile: remote not deleted here" [ -s "$R/epoc.013.siteB.siteA.pack" ]

# --- a listing that says "No such" pulls nothing -----------------------------
fresh_relay_dirs
make_package "$R" epoc.007.siteB.siteA 1
fake_program fakebin/lftp-nosuch <<EOS
#!/bin/sh
if grep -q '^cls ' "\$2"; then echo "ls: No such file or directory"; fi
exec lftp "\$@"
EOS
make_proxy hop.proxy "$TEST_TMP/fakebin/lftp-nosuch" "$L" "$R"
"$PROXY" hop.proxy > out.txt
check "\"No such\": none-found summary" contains out.txt "GOOD \"PULL\" of listed package(s)"
check "\"No such\": nothing fetched" [ "$(ls -A "$L" | wc -l)" -eq 0 ]
check "\"No such\": remote untouched" [ -s "$R/epoc.007.siteB.siteA.pack" ]

# --- a package the receiver still holds is not fetched again -----------------
fresh_relay_dirs
make_package "$R" epoc.008.siteB.siteA 1
echo busy > "$L/epoc.008.siteB.siteA.pack_pending"
echo mine > "$L/epoc.008.siteB.siteA.crc"
make_proxy hop.proxy lftp "$L" "$R"
"$PROXY" hop.proxy > out.txt
check "held package: reported waiting" contains out.txt "-- package (epoc.008.siteB.siteA) is still waiting in ($L): not fetched again"
check "held package: local data untouched" [ "$(cat "$L/epoc.008.siteB.siteA.crc")" = mine ]
check "held package: remote stays" [ -s "$R/epoc.008.siteB.siteA.pack" ]

# --- proxy file values that would change the script run nothing --------------
fresh_relay_dirs
make_package "$R" epoc.009.siteB.siteA 1
make_proxy hop.proxy lftp "$L" "$R" 'pw;!touch'
"$PROXY" hop.proxy > out.txt
check "lftp separator in the password: refused" contains out.txt "refused: the password holds"
check "lftp separator in the password: parameters not read" contains out.txt "-- communication parmeters not read from (hop.proxy)"
mkdir -p "$TEST_TMP/local\";!touch pwned;\""
make_proxy hop.proxy lftp "$TEST_TMP/local\";!touch pwned;\"" "$R"
"$PROXY" hop.proxy > out.txt
check "quote in the local directory: refused" contains out.txt "refused: the local directory holds"
check "nothing ran" absent pwned
check "remote untouched" [ -s "$R/epoc.009.siteB.siteA.pack" ]
printf 'lftp\n%s\n[broken\n' "$L" > bad.proxy
"$PROXY" bad.proxy > out.txt
check "passkey without ']': #2" contains out.txt "ERROR (#2): required mapfile (bad.proxy) is incomplete/invalid"
make_proxy hop.proxy sftp "$L" "$R"
"$PROXY" hop.proxy > out.txt
check "not an ftp client: refused" contains out.txt "is neither an ftp nor an lftp client"

# --- a program that is not there, and one that hangs -------------------------
fresh_relay_dirs
make_package "$R" epoc.010.siteB.siteA 1
echo c > "$L/epoc.010.siteB.siteA.epoc"
make_proxy hop.proxy "$TEST_TMP/fakebin/lftp-none" "$L" "$R"
"$PROXY" hop.proxy > out.txt; rc=$?
check "missing program: exit 0" [ $rc -eq 0 ]
check "missing program: message" contains out.txt "ERROR: transport program ($TEST_TMP/fakebin/lftp-none) could not be found (check path)"
check "missing program: push failure" contains out.txt "-- Error #1: No remote communication available for mapfile (hop.proxy)..."
check "missing program: list failure" contains out.txt "-- Error #2: No remote communication available for mapfile (hop.proxy)..."
printf '#!/bin/sh\nsleep 30\n' | fake_program fakebin/lftp-hang
make_proxy hop.proxy "$TEST_TMP/fakebin/lftp-hang" "$L" "$R"
start=$(date +%s)
VANDREL_PROXY_SESSION_SECONDS=1 "$PROXY" hop.proxy > out.txt
elapsed=$(( $(date +%s) - start ))
check "hanging program ended by the time limit" contains out.txt "ended after its time limit of 1 seconds"
check "both sessions bounded (${elapsed}s)" [ "$elapsed" -lt 15 ]
check "hang: remote untouched" [ -s "$R/epoc.010.siteB.siteA.pack" ]
check "no work files left in TMPDIR" [ "$(count_files "$TMPDIR")" -eq 0 ]

itest_finish

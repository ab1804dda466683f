#!/usr/bin/env bash
# vandrel_shiptest from the shell: the argument table, refusals before the
# configuration is read, configuration failures printed, and whole tests
# with the real lftp on the local file system (open -u u,p file:///): the
# success box with size and seconds, a receiver directory that cannot be
# entered, a missing host map. A small stand-in cleartool answers the three
# calls the start-up makes (-ver, lsview, startview).
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_begin
SHIPTEST="$BIN/vandrel_shiptest"
itest_need_lftp

fake_cleartool
shipper_depot "$TEST_TMP/depot" _triggers
write_shipper_conf "$B/config/shipper.conf" lftp add_class=3
write_shipper_conf "$B/config/shipper_3.conf" /usr/bin/lftp duration_scale=second
RECV="$TEST_TMP/receiver bay"
mkdir -p "$RECV"
write_hostmap "$B/config/hostmaps/siteB.hostmap" file:/// u p "$RECV"
write_hostmap "$B/config/hostmaps/siteC.hostmap" file:/// u p "$TEST_TMP/nowhere"
touch "$B/logs/shipper_errors.txt"

# --- the argument table --------------------------------------------------------
run() { "$SHIPTEST" "$@" > out.txt 2>&1; echo $?; }
USAGE="vandrel_shiptest USAGE: $SHIPTEST -ver | -help | ( path_to_Quorlin_depot remote_location [class=0..9] [meg=1-100]) "
while read -r expected args; do
  # shellcheck disable=SC2086
  check "args ($args): exit $expected" [ "$(run $args)" -eq "$expected" ]
  check "args ($args): usage printed" contains out.txt "$USAGE"
done <<EOT
36
34 -help
34 $D
35 $D siteB meg=0
35 $D siteB meg=101
35 $D siteB meg=0100
35 $D siteB class=33
35 $D siteB class=3 class=3
35 $D -siteB
36 $D siteB class=3 meg=5 more
EOT
"$SHIPTEST" -ver > out.txt; check "-ver" contains out.txt "vandrel_shiptest Version (12.1) build ("
check "a blank in the location: exit 35" [ "$(run "$TEST_TMP/no depot" "remote site")" -eq 35 ]
check "a blank in the location: refused before the depot is read" contains out.txt "Invalid character in test location name (remote site) :"
check "a blank in the location: no depot message" lacks out.txt "does not exist"

# --- start-up failures are printed, nothing is sent ----------------------------
check "missing depot: exit 39" [ "$(run "$TEST_TMP/none" siteB)" -eq 39 ]
check "class without its file" [ "$(run "$D" siteB class=5)" -eq 1 ]
check "class without its file: message" contains out.txt "Config. File ($B/config/shipper_5.conf) does not exist or cannot be read"
sed 's/^location_name=.*//' "$B/config/shipper.conf" > "$B/config/shipper_4.conf"
check "no location_name: exit 1" [ "$(run "$D" siteB class=4)" -eq 1 ]
check "no location_name: message" contains out.txt "START_FAILED: vandrel_shiptest Config. File ($B/config/shipper_4.conf) has Required Location name not defined"
printf 'transport_time_limit=0\n' | cat "$B/config/shipper.conf" - > "$B/config/shipper_4.conf"
check "no time limit: exit 1" [ "$(run "$D" siteB class=4)" -eq 1 ]
check "no time limit: message" contains out.txt "START_FAILED: vandrel_shiptest Config. File ($B/config/shipper_4.conf) has TRANSPORT_TIME_LIMIT out of range [1..86400] seconds"
check "no log file created" [ "$(ls "$B/logs")" = shipper_errors.txt ]

# --- a working session ----------------------------------------------------------
check "meg=3 class=3 ends with 999" [ "$(run "$D" siteB meg=3 class=3)" -eq $((999 % 256)) ]
cat out.txt
check "class file in use" contains out.txt "== Using: $B/config/shipper_3.conf"
check "class printed" contains out.txt "		shipper_class=3"
check "duration scale printed" contains out.txt "		(optional) duration_scale=second"
check "size announced" contains out.txt '==>>> Evaluating communnication from "siteA" >>> "siteB" for 3 Meg'
check "success line" contains out.txt 'Communication to "siteB" was successful.'
check "box: size and seconds" grep -qE '^	\| 3 Meg sent to "siteB" in [0-9]+ seconds?\.$' out.txt
check "box: bandwidth" grep -qE '^	\|     actual bandwidth = [0-9]+\.[0-9]{3} Meg/second\.$' out.txt
check "nothing left in the receiver's bay" [ -z "$(ls -A "$RECV")" ]
check "nothing left in epocs" [ -z "$(ls -A "$B/epocs")" ]

check "class=3 meg=1 order accepted" [ "$(run "$D" siteB class=3 meg=1)" -eq 231 ]
check "class=3 meg=1: success" contains out.txt 'Communication to "siteB" was successful.'
check "main configuration by default" [ "$(run "$D" siteB meg=1)" -eq 231 ]
check "main configuration: classes listed" contains out.txt "		(optional) Shipper Class 3 enabled"

# --- failures ---------------------------------------------------------------------
check "receiver directory missing: ends with 999" [ "$(run "$D" siteC meg=1)" -eq 231 ]
check "receiver directory missing: errors framed" contains out.txt "--- begin shipping errors ---- "
check "receiver directory missing: lftp's words" contains out.txt "cd: Access failed"
check "receiver directory missing: sending failed" contains out.txt "-- packet sending failed for ($B/epocs/vl_ping_test.data.siteC.siteA."
check "receiver directory missing: no success" lacks out.txt "was successful"
check "error text in the shipper's error log" contains "$B/logs/shipper_errors.txt" "cd: Access failed"
check "receiver directory missing: nothing left in epocs" [ -z "$(ls -A "$B/epocs")" ]
check "no host map: ends with 999" [ "$(run "$D" siteZ meg=1)" -eq 231 ]
check "no host map: printed" contains out.txt "ERROR: required mapfile ($B/config/hostmaps/siteZ.hostmap) does not exist"
check "no host map: parameters not read" contains out.txt "-- communication parmeters not read for (siteZ)"

# --- a terminal signal ------------------------------------------------------------
# The test removes its own files and leaves the shipper's daemon files alone.
printf '#!/bin/sh\nsleep 5\n' | fake_program fakebin/lftp-hang
sed -i "s|^transport_program=.*|transport_program=$TEST_TMP/fakebin/lftp-hang|" "$B/config/shipper.conf"
touch "$D/daemon/vandrel_shipper.daemon_lock"
"$SHIPTEST" "$D" siteB meg=1 > out.txt 2>&1 &
pid=$!
for _ in $(seq 1 250); do grep -q "Attempting communication" out.txt && break; sleep 0.02; done
kill -TERM "$pid"
wait "$pid"; rc=$?
check "signal: exit status 15" [ "$rc" -eq 15 ]
check "signal: test files removed" [ -z "$(ls -A "$B/epocs")" ]
check "signal: the shipper's lock file left alone" [ -e "$D/daemon/vandrel_shipper.daemon_lock" ]
check "signal: no stopped note for the shipper" [ ! -e "$D/daemon/vandrel_shipper.daemon_stopped" ]
rm -f "$D/daemon/vandrel_shipper.daemon_lock"

# --- the ftp kind --------------------------------------------------------------------
# A stand-in ftp client ("-in machine", script on standard input) that speaks
# the script through lftp and, like an ftp client, shows a refused upload on
# its standard output and goes on. With REFUSE_DATA set the server refuses
# the test data.
fake_program fakebin/ftp-via-lftp <<'EOS'
#!/bin/sh
[ "$1" = -in ] && [ "$2" = "file:///" ] && [ $# -eq 2 ] || { echo "bad command line: $*" >&2; exit 2; }
script="$TEST_TMP/ftp_script"
sed -e 's/^user \([^ ]*\) \(.*\)$/open -u \1,\2 file:\/\/\//' -e 's/^del /rm /' -e '/^ascii$/d' -e '/^bin$/d' > "$script"
if [ -n "${REFUSE_DATA:-}" ]; then
  sed -i '/^put "vl_ping_test\.data/d' "$script"
  echo "553 Could not create file."
fi
{ lftp -f "$script" 2>&1 1>&3 | sed 's/^/550 /'; } 3>&1
EOS
export TEST_TMP
sed -i "s|^transport_program=.*|transport_program=$TEST_TMP/fakebin/ftp-via-lftp|" "$B/config/shipper.conf"
check "ftp kind: ends with 999" [ "$(run "$D" siteB meg=1)" -eq 231 ]
check "ftp kind: success" contains out.txt 'Communication to "siteB" was successful.'
check "ftp kind: nothing left in the receiver's bay" [ -z "$(ls -A "$RECV")" ]
REFUSE_DATA=1 run "$D" siteB meg=1 > /dev/null
check "ftp kind, refused data: the refusal shown" contains out.txt "553 Could not create file."
check "ftp kind, refused data: sending failed" contains out.txt "-- packet sending failed for"
check "ftp kind, refused data: no success" lacks out.txt "was successful"
check "ftp kind, refused data: nothing left in epocs" [ -z "$(ls -A "$B/epocs")" ]

itest_finish

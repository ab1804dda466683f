#!/bin/bash
# vandrel_receiver's command line and start-up: arguments, depot and log
# checks, configuration faults with their messages and exit codes, instance
# names, detaching and stopping, the startup and shutdown triggers, the
# inactivity window, and the configuration vanishing under a running daemon.
. "$SRC_DIR/tests/clearcase/lib.sh"
. "$SRC_DIR/tests/receiver/receiver_lib.sh"

cleartool mkview -tag imp /store/imp.vws > /dev/null || die "mkview"
OUT="$TEST_TMP/out.txt"
# run EXPECTED_RC TEXT ARGS...: the receiver ends with the code and prints TEXT.
run() {
    local rc=$1 text=$2
    shift 2
    timeout 60 "$RCV" "$@" > "$OUT" 2>&1
    local got=$?
    eq "$rc" "$got" "exit code of: $*"
    [ -z "$text" ] || grep -qF -- "$text" "$OUT" || fail "output of [$*] lacks [$text]: $(head -c 400 "$OUT")"
}
alive() {
    local state
    state=$(awk '/^State:/ {print $2}' /proc/"$1"/status 2> /dev/null)
    [ -n "$state" ] && [ "$state" != Z ]
}

# --- arguments ---------------------------------------------------------------
new_depot "$TEST_TMP/a"
write_conf "$TEST_TMP/a/in"
USAGE="vandrel_receiver USAGE: $RCV -ver | -help | path_to_Quorlin_depot ( -start | -once | -stop | -restart | -reonce | -queue_stop | -dequeue_stop ) [which] [-wait]"
run 0 "vandrel_receiver Version (12.1) build (20170517.08:50a)" -ver
run 35 "$USAGE" -help
run 37 "$USAGE"
run 37 "$USAGE" "$D" -start a -wait extra
run 36 "$USAGE" "$D" -begin
run 36 "$USAGE" "$D" -start site2 now
LONG=$(printf 'w%.0s' {1..300})
run 36 "START_FAILED: vandrel_receiver instance name (wwww" "$D" -once "$LONG" -wait
grep -qF "longer than 255 characters" "$OUT" || fail "long instance name message: $(cat "$OUT")"
run 36 "must not hold" "$D" -once "../x" -wait
# 512 less "vandrel_receiver", ".daemon" and "_stopped".
DEEP="/$(printf 'd%.0s' {1..481})"
run 38 "START_FAILED: Path to Quorlin Depot to excessive cannot be greater than 481." "$DEEP" -once -wait
PATH=/usr/bin:/bin run 137 "START_FAILED: cleartool not in vandrel_receiver proces path." "$D" -once -wait

# --- depot, log and configuration checks --------------------------------------
# Each case: what is taken away, the exit code, the message.
check_case() {
    local what=$1 rc=$2 text=$3
    shift 3
    new_depot "$TEST_TMP/c"
    write_conf "$TEST_TMP/c/in"
    "$@"
    run "$rc" "$text" "$D" -once -wait
}
check_case "depot" 39 "START_FAILED: Quorlin DEPOT ($TEST_TMP/c/depot) does not exist or cannot be read" \
    rm -rf "$TEST_TMP/c/depot"
check_case "bay" 52 "START_FAILED: Vandrel m_bay ($TEST_TMP/c/depot/m_bay) does not exist" rm -rf "$TEST_TMP/c/depot/m_bay"
check_case "daemon" 55 "START_FAILED: Quorlin/Vandrel daemon ($TEST_TMP/c/depot/daemon) does not exist" \
    rm -rf "$TEST_TMP/c/depot/daemon"
check_case "logs" 40 "START_FAILED: vandrel_receiver Shipping Logging Directory ($TEST_TMP/c/depot/m_bay/logs) does not" \
    rm -rf "$TEST_TMP/c/depot/m_bay/logs"
# A log that cannot be created: its name leads into a directory that does not exist.
log_case() {
    local name=$1 rc=$2 text=$3
    dangling() { ln -s "$TEST_TMP/c/nowhere/x" "$LOGS/$name"; }
    check_case "$name" "$rc" "START_FAILED: vandrel_receiver $text ($LOGS/$name) does not exist and could not be created" \
        dangling
}
log_case receiver_all.txt 41 "Shipping Logging File"
log_case receiver_errors.txt 42 "Shipping Error Logging File"
log_case receiver_deploys.txt 44 "Shipping Error Logging File"
log_case receiver_email.txt 48 "Shipping Error Email File"
log_case receiver_warnings.txt 43 "Shipping Warning Logging File"
log_case receiver_TOCs.txt 43 "Shipping TOC Logging File"
log_case receiver_start_stop.txt 63 "Shipping StartStop Logging File"
check_case "config dir" 1 "START_FAILED: vandrel_receiver Config. Directory ($TEST_TMP/c/depot/m_bay/config) does not exist" \
    rm -rf "$TEST_TMP/c/depot/m_bay/config"
grep -qF "Config. Directory" "$LOGS/receiver_start_stop.txt" || fail "config failures are logged"
check_case "config file" 1 "START_FAILED: vandrel_receiver Config. File ($TEST_TMP/c/depot/m_bay/config/receiver.conf) does not exist or cannot be read" \
    rm -f "$TEST_TMP/c/depot/m_bay/config/receiver.conf"
empty_conf() { : > "$CONF"; }
check_case "empty config" 1 "Config. File ($CONF) does cannot be read or is empty" empty_conf
wrong_id() { sed -i 's/^receiver_id=.*/receiver_id=nobody_else/' "$CONF"; }
check_case "receiver id" 1 "has Required Receiver ID (nobody_else) defined as proper runner not userid ($(id -un))..." wrong_id
upper_id() { sed -i "s/^receiver_id=.*/receiver_id=$(id -un | tr a-z A-Z)/" "$CONF"; }
check_case "receiver id in capitals" 158 "" upper_id
no_view() { sed -i 's/^view=.*/view=gone/' "$CONF"; }
check_case "view" 1 "Config. File ($CONF): defined import view (gone) does not exist..." no_view
bad_yes_no() { echo "ignore_received_label_data=sure" >> "$CONF"; }
check_case "yes/no" 1 "has Illegal Optional IGNORE_RECEIVED_LABEL_DATA (sure).  Must be \"yes\" or \"no\"." bad_yes_no
bad_window() { echo "scheduled_inactivity=22:00-22:00" >> "$CONF"; }
check_case "window" 1 "has Illegal Optional SCHEDULED_INACTIVITY (22:00-22:00)." bad_window
no_key() { echo "encryption=peer_to_peer" >> "$CONF"; }
check_case "key file" 1 "has ENCRYPTION=peer_to_peer, but required key_file ($D/m_bay/config/keys/receiver_key.txt) not found" no_key
tmp_gone() { :; }
TMP=/no/such/tmp check_case "temporary directory" 1 "start denied: TMP directory (/no/such/tmp)" tmp_gone

# --- more than fifty receiver key lines: the rest is named once and ignored ----
new_depot "$TEST_TMP/k"
lines=()
for i in $(seq 1 52); do lines+=("$TEST_TMP/k/in$i"); done
write_conf "${lines[@]}"
: > "$LOGS/receiver_all.txt"
"$RCV" "$D" -start -wait > /dev/null 2>&1 &
kpid=$!
sleep 4 # two passes
run 0 "Stopped any" "$D" -stop
wait $kpid
eq 1 "$(grep -c "more than 50 receiver key lines in Config. File ($CONF); ignored from line ($TEST_TMP/k/in51) on." \
    "$LOGS/receiver_warnings.txt")" "warnings about the 51st key line"

# --- an instance name picks its own configuration, logs and key file -----------
new_depot "$TEST_TMP/s"
write_conf "$TEST_TMP/s/in" "encryption=peer_to_peer"
mv "$CONF" "$D/m_bay/config/receiver_site2.conf"
"$PKT" tables | sed -n 1p | tr -d '\n' > "$D/m_bay/config/keys/receiver_key_site2.txt"
run 158 "" "$D" -once site2 -wait
grep -qF "encryption                         = peer_to_peer" "$LOGS/receiver_all_site2.txt" ||
    fail "instance log or banner: $(cat "$LOGS/receiver_all_site2.txt")"
[ -e "$LOGS/receiver_all.txt" ] && fail "an instance wrote the main log"
eq "Stopped to honor stop request..." "$(cat "$DDIR/vandrel_receiver_site2.daemon_stopped")" "instance stopped note"
[ -e "$LOGS/receiver_email_site2.txt" ] && fail "the e-mail digest is removed after the check"
run 1 "Config. File ($D/m_bay/config/receiver.conf) does not exist" "$D" -once -wait

# --- detaching, the daemon's memory, stopping ----------------------------------
new_depot "$TEST_TMP/d"
mkdir -p "$TEST_TMP/d/in"
cat > "$TRIG/up.sh" << EOS
#!/bin/sh
env | grep '^VANDREL_' | sort > "$TEST_TMP/d/\$VANDREL_RECEIVER_ACTION.env"
[ -e "$TEST_TMP/d/deny" ] && exit 1
exit 0
EOS
chmod +x "$TRIG/up.sh"
write_conf "$TEST_TMP/d/in" "startup_trigger=up.sh" "shutdown_trigger=up.sh"
run 0 "There was no 'queued' stop request" "$D" -dequeue_stop
run 0 "No vandrel_receiver processes found for Quorlin depot:" "$D" -stop
run 82 "" "$D" -start
for _ in $(seq 1 100); do [ -e "$TEST_TMP/d/startup.env" ] && break; sleep 0.1; done
pid=""
for _ in $(seq 1 50); do
    pid=$(pgrep -f "^$RCV $D -start$" | head -1)
    [ -n "$pid" ] && break
    sleep 0.1
done
[ -n "$pid" ] || die "detached receiver not found"
sleep 1
rss=$(awk '/VmRSS/ {print $2}' /proc/"$pid"/status)
echo "idle vandrel_receiver -start VmRSS: ${rss} kB"
limit=16384
ldd "$RCV" 2> /dev/null | grep -q libasan && limit=131072
[ "${rss:-999999}" -lt $limit ] || fail "idle receiver uses ${rss} kB"
eq "2" "$(tr '\0' '\n' < /proc/"$pid"/environ | wc -l)" "environment of the detached receiver"
grep -qxF "VANDREL_RECEIVER_ACTION=startup" "$TEST_TMP/d/startup.env" || fail "startup trigger environment"
grep -qxF "VANDREL_THIS_LOCATION=east" "$TEST_TMP/d/startup.env" || fail "startup trigger location"
grep -q "^VANDREL_RECEIVER_STARTED_AT=[0-9]" "$TEST_TMP/d/startup.env" || fail "startup trigger start time"
grep -qxF "VANDREL_RECEIVER_ENDED_AT=" "$TEST_TMP/d/startup.env" || fail "startup has no end time"
run 62 "The vandrel_receiver process is already running for this Quorlin Depot." "$D" -start -wait
run 0 "Stopped any vandrel_receiver processes for Quorlin depot:" "$D" -stop
for _ in $(seq 1 50); do alive "$pid" || break; sleep 0.1; done
alive "$pid" && fail "receiver still running after -stop"
grep -q "^VANDREL_RECEIVER_ENDED_AT=[0-9]" "$TEST_TMP/d/shutdown.env" || fail "shutdown trigger end time"
ls "$DDIR" | grep -qE '_lock$|\.viewlock$' && fail "lock files left: $(ls "$DDIR")"

run 158 "Restarting vandrel_receiver processes for Quorlin depot:" "$D" -reonce -wait
grep -qF "started (to run once)" "$LOGS/receiver_all.txt" || fail "-reonce runs a single pass"

# A stop request left behind refuses the next start.
: > "$DDIR/vandrel_receiver.daemon_stop"
run 46 "Aborting start.." "$D" -start -wait
run 0 "Removed the 'queued' stop request" "$D" -dequeue_stop

# A refusing startup trigger ends the receiver; the shutdown trigger runs.
rm -f "$TEST_TMP/d/shutdown.env"
: > "$TEST_TMP/d/deny"
run 161 "" "$D" -start -wait
grep -qF "Startup denied by startup trigger..." "$LOGS/receiver_errors.txt" || fail "startup denial not logged"
[ -e "$TEST_TMP/d/shutdown.env" ] || fail "shutdown trigger did not run after a denied start"
rm -f "$TEST_TMP/d/deny"

# --- the configuration vanishing ends the daemon --------------------------------
: > "$LOGS/receiver_all.txt"
"$RCV" "$D" -start -wait > "$TEST_TMP/d/daemon.out" 2>&1 &
dpid=$!
for _ in $(seq 1 100); do grep -q "started (to run always)" "$LOGS/receiver_all.txt" && break; sleep 0.1; done
mv "$CONF" "$CONF.away"
wait $dpid
eq 159 "$?" "exit code after the configuration vanished"
grep -qF "READ_FAILED: vandrel_receiver Config. File ($CONF) cannot be read" "$LOGS/receiver_errors.txt" ||
    fail "vanished configuration not logged"
eq "Stopped because Config. File vanished..." "$(cat "$DDIR/vandrel_receiver.daemon_stopped")" "stopped note"
mv "$CONF.away" "$CONF"

# --- the inactivity window: packets wait, a marker tells ------------------------
from=$(date -d '-1 min' +%H:%M)
to=$(date -d '+10 min' +%H:%M)
write_conf "$TEST_TMP/d/in" "scheduled_inactivity=$from-$to"
: > "$TEST_TMP/d/in/epoc.001.east.west.pack"
"$RCV" "$D" -start -wait > "$TEST_TMP/d/daemon.out" 2>&1 &
dpid=$!
MARK="$DDIR/vandrel_receiver.daemon_inactive"
for _ in $(seq 1 100); do [ -e "$MARK" ] && break; sleep 0.1; done
eq "$from-$to" "$(cat "$MARK" 2> /dev/null)" "inactivity marker"
grep -qF "== Entering scheduled inactivity state.  Packets received, but not processed during $from-$to timeframe... ==" \
    "$LOGS/receiver_all.txt" || fail "entering the window not logged"
run 0 "Stopped any" "$D" -stop
wait $dpid
[ -e "$TEST_TMP/d/in/epoc.001.east.west.pack" ] || fail "a packet was touched inside the window"
grep -qF "Processing received packet" "$LOGS/receiver_all.txt" && fail "a packet was processed inside the window"
[ -e "$MARK" ] && fail "the inactivity marker outlived the receiver"
# A single pass inside the window ends at once, leaving no marker.
run 158 "" "$D" -once -wait
[ -e "$MARK" ] && fail "a single pass left the inactivity marker"
[ -e "$TEST_TMP/d/in/epoc.001.east.west.pack" ] || fail "a single pass touched a packet inside the window"

finish

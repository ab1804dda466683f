#!/bin/bash
# vandrel_shipper as operators run it, against the ClearCase substitute: the
# command line, start-up refusals, one pass over the key lines, the daemon's
# life (stop, queued stop, dequeue), runtime classes, the configuration
# vanishing and the startup and shutdown triggers.
source "$SRC_DIR/tests/clearcase/lib.sh"
export PATH="$BUILD_DIR/bin:$PATH"
SHIPPER=vandrel_shipper

cleartool mkview -tag dev /store/dev.vws >/dev/null || die "mkview"
D=$TEST_TMP/depot
LOGS=$D/m_bay/logs
OUT=$D/m_bay/_ship_out
make_depot() {
    rm -rf "$D"
    mkdir -p "$D/daemon" "$D/m_bay/_ship_out" "$D/m_bay/_hold_out" "$D/m_bay/epocs" "$LOGS" \
        "$D/m_bay/config/hostmaps" "$D/m_bay/config/config_specs" "$D/m_bay/_triggers"
}
# [VIEW=tag] conf LINES...: the main configuration, on the built-in settings.
conf() {
    {
        printf '%s\n' "shipper_id=$(id -un)" "view=${VIEW:-dev}" location_name=siteA transport_program=sftp UTC_offset=+0100 \
            duration_scale=second
        printf '%s\n' "$@"
    } > "$D/m_bay/config/shipper.conf"
}
# run EXPECTED_STATUS ARGS...: output in $TEST_TMP/out.
run() {
    local want=$1; shift
    "$SHIPPER" "$@" > "$TEST_TMP/out" 2>&1
    local rc=$?
    [ "$rc" -eq "$want" ] || fail "$SHIPPER $*: exit $rc, expected $want ($(head -c 300 "$TEST_TMP/out"))"
}
has_text() { grep -qF -- "$1" "$2" 2>/dev/null || fail "missing in $2: $1"; }
# wait_for TEXT FILE: up to 10 seconds.
wait_for() {
    for _ in $(seq 100); do grep -qF -- "$1" "$2" 2>/dev/null && return 0; sleep 0.1; done
    fail "never appeared in $2: $1"
}
daemon_pid() { pgrep -f "^$SHIPPER $D -start" | head -n 1; }
wait_gone() {  # wait_gone PID: up to 10 seconds
    for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    fail "shipper $1 still running"
}

# Command line.
run 34 -help
has_text "vandrel_shipper USAGE: vandrel_shipper -ver | -help | path_to_Quorlin_depot ( -start | -once | -stop | -restart | -reonce | -queue_stop | -dequeue_stop ) [0..9] [-wait])" "$TEST_TMP/out"
run 36
run 0 -ver
has_text "vandrel_shipper Version (12.1) build (" "$TEST_TMP/out"
make_depot
conf
run 35 "$D" -begin
run 35 "$D" -start 10
run 35 "$D" -start 3 -nowait

# Start-up refusals.
run 39 "$TEST_TMP/nodepot" -once -wait
has_text "START_FAILED: Quorlin DEPOT ($TEST_TMP/nodepot) does not exist or cannot be read" "$TEST_TMP/out"
VIEW=nosuch conf
run 1 "$D" -once -wait
has_text "): defined replication view (nosuch) does not exist..." "$TEST_TMP/out"
has_text "): defined replication view (nosuch) does not exist..." "$LOGS/shipper_start_stop.txt"
conf startup_trigger=../x.sh
run 1 "$D" -once -wait
has_text "has Illegal Optional STARTUP_TRIGGER_SCRIPT (../x.sh).  No dir char '/' or '\\' allowed." "$TEST_TMP/out"
rm "$D/m_bay/config/shipper.conf"
run 1 "$D" -once -wait
has_text "START_FAILED: vandrel_shipper Config. File ($D/m_bay/config/shipper.conf) does not exist or cannot be read" "$TEST_TMP/out"
ls "$D/daemon" | grep -q . && fail "a refused start left files in the daemon directory: $(ls "$D/daemon")"

# One pass: a bad key line is refused, the good ones still handled, each
# location of a line in the order written.
make_depot
conf '10000>/vobs/a>>.>/vobs/b>.>siteB' '5>/vobs/a>>.>/vobs/b>.>siteB siteC siteD' '6>/vobs/a>>.>/vobs/b>.>siteE'
touch "$OUT/mship.005.siteB" "$OUT/mship.005.siteD" "$OUT/mship.006.siteE"
run $((-98 & 255)) "$D" -once -wait
has_text "REPLICATION DENIED: vandrel_shipper Config. File ($D/m_bay/config/shipper.conf) had VOB_ID out of range [0..9999] for VOB key (10000>/vobs/a>>.>/vobs/b>.>siteB)" "$LOGS/shipper_errors.txt"
eq "mship.005.siteB mship.005.siteD mship.006.siteE" \
    "$(grep -o 'Completed with error (mship[^)]*' "$LOGS/shipper_all.txt" | sed 's/.*(//' | tr '\n' ' ' | sed 's/ $//')" \
    "failed passes in order"
has_text "== service (vandrel_shipper 12.1) started (to run once) with static variables: ==" "$LOGS/shipper_start_stop.txt"
content "Stopped to honor stop request..." "$D/daemon/vandrel_shipper.daemon_stopped"
no_file "$D/daemon/vandrel_shipper.daemon_lock"
no_file "$D/daemon/dev.view_lock"

# The daemon: detached, small, stopped on request.
make_depot
conf duration=0 '5>/vobs/a>>.>/vobs/b>.>siteB'
touch "$OUT/mship.005.siteB"
run 82 "$D" -start
wait_for "== service (vandrel_shipper 12.1) started (to run always)" "$LOGS/shipper_start_stop.txt"
pid=$(daemon_pid)
[ -n "$pid" ] || die "no daemon running"
sleep 4.5
# duration=0: a pass every second, plus the second a pass waits after
# taking a request.
passes=$(grep -c 'Completed with error (mship.005.siteB)' "$LOGS/shipper_all.txt")
[ "$passes" -ge 2 ] || fail "duration=0 made $passes passes in 4.5 seconds"
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
echo "idle resident memory of $SHIPPER -start: $rss kB"
# A few MB for a plain build; the sanitizers' shadow memory adds its own.
limit=16384
ldd "$(command -v "$SHIPPER")" 2> /dev/null | grep -q libasan && limit=65536
[ "$rss" -lt $limit ] || fail "idle shipper uses $rss kB"
run 62 "$D" -start -wait
has_text "The vandrel_shipper process is already running for this Quorlin Depot." "$TEST_TMP/out"
run 0 "$D" -stop
has_text "Stopped to honor stop request..." "$TEST_TMP/out"
has_text "Stopped any vandrel_shipper processes for Quorlin depot:" "$TEST_TMP/out"
wait_gone "$pid"
no_file "$D/daemon/vandrel_shipper.daemon_stop"

# Queued stops: honoured by an idle daemon at once; left for a daemon that
# does not run; then refusing a start until withdrawn.
: > "$LOGS/shipper_start_stop.txt"
run 82 "$D" -start
wait_for "started (to run always)" "$LOGS/shipper_start_stop.txt"
pid=$(daemon_pid)
run 0 "$D" -queue_stop
has_text "Stopped any vandrel_shipper processes for Quorlin depot:" "$TEST_TMP/out"
wait_gone "$pid"
run 0 "$D" -queue_stop
has_text "No vandrel_shipper processes found for Quorlin depot:" "$TEST_TMP/out"
has_file "$D/daemon/vandrel_shipper.daemon_stop"
run 45 "$D" -start
has_text "Aborting start.." "$TEST_TMP/out"
run 0 "$D" -dequeue_stop
has_text "Removed the 'queued' stop request for the" "$TEST_TMP/out"
run 0 "$D" -dequeue_stop
has_text "There was no 'queued' stop request for the" "$TEST_TMP/out"
has_text "   ==   dequeued (removed) existing stop request   ==" "$LOGS/shipper_start_stop.txt"

# Classes declared at runtime, then the configuration vanishing: the
# shutdown trigger runs and the daemon ends with -97.
make_depot
cat > "$D/m_bay/_triggers/down.sh" <<'EOS'
#!/bin/sh
env | grep '^VANDREL_' | sort > "$VANDREL_LOGGING_DIR/down.env"
EOS
chmod +x "$D/m_bay/_triggers/down.sh"
conf duration=1 add_class=2 shutdown_trigger=down.sh
"$SHIPPER" "$D" -start -wait > "$TEST_TMP/daemon.out" 2>&1 &
pid=$!
wait_for "started (to run always)" "$LOGS/shipper_start_stop.txt"
has_text "Shipper Class 2                    = (enabled)" "$LOGS/shipper_start_stop.txt"
echo add_class=4 >> "$D/m_bay/config/shipper.conf"
wait_for "## Runtime addition of Shipper Class 4 ##" "$LOGS/shipper_all.txt"
sed -i '/add_class=2/d' "$D/m_bay/config/shipper.conf"
wait_for "## Runtime removal of Shipper Class 2 ##" "$LOGS/shipper_all.txt"
grep -q "Runtime removal of Shipper Class 4" "$LOGS/shipper_all.txt" && fail "class 4 reported removed"
rm "$D/m_bay/config/shipper.conf"
wait "$pid"
eq $((-97 & 255)) $? "exit status when the configuration vanished"
has_text "READ_FAILED: vandrel_shipper Config. File ($D/m_bay/config/shipper.conf) cannot be read" "$LOGS/shipper_errors.txt"
content "Stopped because Config. File vanished..." "$D/daemon/vandrel_shipper.daemon_stopped"
has_text "VANDREL_SHIPPER_ACTION=shutdown" "$LOGS/down.env"
has_text "VANDREL_THIS_LOCATION=siteA" "$LOGS/down.env"
grep -q '^VANDREL_SHIPPER_ENDED_AT=[0-9]\+$' "$LOGS/down.env" || fail "no end time: $(cat "$LOGS/down.env")"

# A terminal signal: last words with the signal number, shutdown trigger run.
conf shutdown_trigger=down.sh
rm -f "$LOGS/down.env"; : > "$LOGS/shipper_start_stop.txt"
"$SHIPPER" "$D" -start -wait > "$TEST_TMP/daemon.out" 2>&1 &
pid=$!
wait_for "started (to run always)" "$LOGS/shipper_start_stop.txt"
kill -TERM "$pid"
wait "$pid"
eq 15 $? "exit status after SIGTERM"
content "Stopped for receipt of terminal signal (#15)..." "$D/daemon/vandrel_shipper.daemon_stopped"
has_text "VANDREL_SHIPPER_ACTION=shutdown" "$LOGS/down.env"
no_file "$D/daemon/vandrel_shipper.daemon_lock"

# A startup trigger that refuses: no pass, the shutdown trigger still runs.
make_depot
printf '#!/bin/sh\nexit 3\n' > "$D/m_bay/_triggers/up.sh"
cat > "$D/m_bay/_triggers/down.sh" <<'EOS'
#!/bin/sh
env | grep '^VANDREL_' | sort > "$VANDREL_LOGGING_DIR/down.env"
EOS
chmod +x "$D/m_bay/_triggers/up.sh" "$D/m_bay/_triggers/down.sh"
conf startup_trigger=up.sh shutdown_trigger=down.sh '5>/vobs/a>>.>/vobs/b>.>siteB'
touch "$OUT/mship.005.siteB"
run $((-95 & 255)) "$D" -once -wait
has_text "+++ ERROR: STARTUP_TRIGGER_SCRIPT ($D/m_bay/_triggers/up.sh) has failed..." "$LOGS/shipper_errors.txt"
has_text "Startup denied by startup trigger..." "$LOGS/shipper_errors.txt"
content "vandrel_shipper shutting down..." "$D/daemon/vandrel_shipper.daemon_stopped"
has_text "VANDREL_SHIPPER_ACTION=shutdown" "$LOGS/down.env"
grep -q "mship.005" "$LOGS/shipper_all.txt" && fail "a pass ran after the startup trigger refused"

# A shipping class: its own configuration, logs and daemon files.
make_depot
conf '5>/vobs/a>>.>/vobs/b>.>siteB'
mv "$D/m_bay/config/shipper.conf" "$D/m_bay/config/shipper_3.conf"
run $((-98 & 255)) "$D" -once 3 -wait
has_text "shipper_class                      = 3" "$LOGS/shipper_start_stop_3.txt"
content "Stopped to honor stop request..." "$D/daemon/3_vandrel_shipper.daemon_stopped"
echo add_class=4 >> "$D/m_bay/config/shipper_3.conf"
run 1 "$D" -once 3 -wait
has_text "has illegal ADDITIONAL CLASS(ES) defined in shipping class file (3)" "$TEST_TMP/out"

finish

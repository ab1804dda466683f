#!/bin/bash
# End-to-end check of the daemon start/stop handshake with the test daemon.
set -u
T="$BUILD_DIR/tests/daemon/vandrel_testd"
mkdir -p "$TEST_TMP"
FAILS=0
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }
expect_rc() { [ "$1" = "$2" ] || fail "$3: exit $1, expected $2"; }
expect_out() { grep -qF -- "$2" "$1" || { fail "$3: output lacks '$2'"; sed 's/^/    | /' "$1"; }; }

new_depot() {
    D="$TEST_TMP/$1/depot"
    rm -rf "$TEST_TMP/$1"
    mkdir -p "$D/daemon" "$D"/m_bay/{_ship_out,_hold_out,epocs,logs,config/hostmaps,config/config_specs}
    DD="$D/daemon"
    STOP="$DD/vandrel_testd.daemon_stop"
    STOPPED="$DD/vandrel_testd.daemon_stopped"
    PIDF="$DD/vandrel_testd.pid"
}
# Waits until the daemon wrote its pid file (it is then in its service loop).
await_daemon() {
    for _ in $(seq 1 100); do [ -s "$PIDF" ] && return 0; sleep 0.1; done
    fail "daemon did not come up in $D"; return 1
}
# A process that ended but was not reaped yet (a detached daemon belongs to
# whoever adopted it) counts as gone.
alive() {
    local state
    state=$(awk '/^State:/ {print $2}' /proc/"$1"/status 2> /dev/null)
    [ -n "$state" ] && [ "$state" != Z ]
}
no_lock_files() {
    local left
    left=$(ls "$DD" | grep -E '_lock$|\.view_lock$')
    [ -z "$left" ] || fail "$1: lock files left: $left"
}

# --- version
out="$TEST_TMP/ver.out"
"$T" -ver > "$out"; expect_rc $? 0 "-ver"
expect_out "$out" "vandrel_testd Version (12.1) build (20170517.08:50a)" "-ver"

# --- -start -wait, then -stop
new_depot stop
"$T" "$D" -start -wait > "$TEST_TMP/stop/daemon.out" 2>&1 &
dpid=$!
await_daemon
rss=$(awk '/VmRSS/ {print $2}' /proc/"$(cat "$PIDF")"/status)
echo "idle daemon VmRSS: ${rss} kB"
# A few MB for a plain build; the sanitizers' shadow memory adds its own.
limit=8192
ldd "$T" 2> /dev/null | grep -q libasan && limit=65536
[ "${rss:-999999}" -lt $limit ] || fail "idle daemon uses ${rss} kB"
out="$TEST_TMP/stop/stop.out"
timeout 30 "$T" "$D" -stop > "$out"; expect_rc $? 0 "-stop"
expect_out "$out" "Stopped to honor stop request..." "-stop"
expect_out "$out" "Stopped any vandrel_testd processes for Quorlin depot:" "-stop"
wait $dpid; expect_rc $? 158 "daemon after -stop"
no_lock_files "-stop"
[ -e "$STOP" ] && fail "-stop left the stop file"
[ -f "$PIDF" ] && fail "last words did not remove the extracted files"
expect_out "$D/m_bay/logs/testd_start_stop.txt" "received queued stop request" "start/stop log"
expect_out "$D/m_bay/logs/testd_all.txt" "encountered queued stop request" "all log"

# --- -stop with nothing running
out="$TEST_TMP/stop/stop2.out"
timeout 30 "$T" "$D" -stop > "$out"; expect_rc $? 0 "-stop idle"
expect_out "$out" "No vandrel_testd processes found for Quorlin depot:" "-stop idle"
[ -e "$STOP" ] && fail "-stop idle left the stop file"
no_lock_files "-stop idle"

# --- two starts on one depot, then SIGTERM
new_depot term
"$T" "$D" -start -wait > "$TEST_TMP/term/daemon.out" 2>&1 &
dpid=$!
await_daemon
out="$TEST_TMP/term/second.out"
timeout 30 "$T" "$D" -start -wait > "$out"; expect_rc $? 62 "second start"
expect_out "$out" "The vandrel_testd process is already running for this Quorlin Depot." "second start"
kill -0 $dpid 2> /dev/null || fail "second start disturbed the first daemon"
t0=$(date +%s%N)
kill -TERM $dpid
wait $dpid; expect_rc $? 15 "SIGTERM"
ms=$(( ($(date +%s%N) - t0) / 1000000 ))
[ $ms -lt 1500 ] || fail "SIGTERM took ${ms} ms"
[ "$(cat "$STOPPED")" = "Stopped for receipt of terminal signal (#15)..." ] || fail "SIGTERM stopped text: $(cat "$STOPPED")"
[ -w "$STOPPED" ] && [ "$(id -u)" != 0 ] && fail "stopped note is writable"
[ "$(stat -c %a "$STOPPED")" = 444 ] || fail "stopped note mode $(stat -c %a "$STOPPED")"
no_lock_files "SIGTERM"
expect_out "$D/m_bay/logs/testd_start_stop.txt" "Stopped for receipt of terminal signal (#15)..." "SIGTERM log"

# --- -dequeue_stop with and without a stop file
new_depot dequeue
out="$TEST_TMP/dequeue/none.out"
"$T" "$D" -dequeue_stop > "$out"; expect_rc $? 0 "dequeue without stop file"
expect_out "$out" "There was no 'queued' stop request for the" "dequeue without stop file"
: > "$STOP"
out="$TEST_TMP/dequeue/one.out"
"$T" "$D" -dequeue_stop > "$out"; expect_rc $? 0 "dequeue with stop file"
expect_out "$out" "Removed the 'queued' stop request for the" "dequeue with stop file"
[ -e "$STOP" ] && fail "dequeue left the stop file"
expect_out "$D/m_bay/logs/testd_start_stop.txt" "dequeued (removed) existing stop request" "dequeue log"

# --- -once ends with the run-once text
new_depot once
timeout 30 "$T" "$D" -once -wait > /dev/null; expect_rc $? 162 "-once"
[ "$(cat "$STOPPED")" = "Stopped to honor run once request..." ] || fail "-once stopped text: $(cat "$STOPPED")"
no_lock_files "-once"

# --- detaching: parent exits 82, child has only the release variable, PATH
# and the start-up variables the programs read (here TMP)
new_depot detach
env EXTRA_VARIABLE=1 HOME=/nowhere TMP=/tmp "$T" "$D" -start > "$TEST_TMP/detach/daemon.out" 2>&1
expect_rc $? 82 "detaching start"
if await_daemon; then
    cpid=$(cat "$PIDF")
    envs=$(tr '\0' '\n' < /proc/"$cpid"/environ | sort)
    names=$(echo "$envs" | cut -d= -f1 | tr '\n' ' ')
    [ "$names" = "PATH TMP xzebvls_release " ] || fail "child environment holds: $names"
    echo "$envs" | grep -qx "PATH=$PATH" || fail "child PATH differs"
    echo "$envs" | grep -qE '^xzebvls_release=[0-9]+$' || fail "release variable malformed"
    # -restart stops it and starts a fresh detached daemon.
    rm -f "$PIDF.old"; mv "$PIDF" "$PIDF.old"
    out="$TEST_TMP/detach/restart.out"
    timeout 30 "$T" "$D" -restart > "$out" 2>&1; expect_rc $? 82 "-restart"
    expect_out "$out" "Stopped to honor stop request..." "-restart"
    expect_out "$out" "Restarting vandrel_testd processes for Quorlin depot:" "-restart"
    if await_daemon; then
        npid=$(cat "$PIDF")
        [ "$npid" != "$cpid" ] || fail "-restart kept the old daemon"
        alive "$cpid" && fail "-restart left the old daemon running"
        timeout 30 "$T" "$D" -stop > /dev/null; expect_rc $? 0 "-stop after restart"
        for _ in $(seq 1 30); do alive "$npid" || break; sleep 0.1; done
        alive "$npid" && { fail "restarted daemon still running"; kill "$npid"; }
        no_lock_files "-stop after restart"
    fi
fi

# --- -queue_stop against a busy daemon; -start while the stop file exists
new_depot queue
"$T" "$D" -start -wait > "$TEST_TMP/queue/daemon.out" 2>&1 &
dpid=$!
await_daemon
echo 14 > "$D/m_bay/config/work_seconds"
for _ in $(seq 1 40); do [ -e "$D/m_bay/config/work_seconds" ] || break; sleep 0.1; done
out="$TEST_TMP/queue/queue.out"
timeout 30 "$T" "$D" -queue_stop > "$out"; expect_rc $? 0 "-queue_stop"
expect_out "$out" "Max wait of 10 seconds to hear from any vandrel_testd processes for Quorlin depot:" "-queue_stop"
expect_out "$out" "A Stop request was 'Queued' for that process." "-queue_stop"
[ -e "$STOP" ] || fail "-queue_stop did not leave the stop file"
[ -e "$DD/vandrel_testd.daemon_lock" ] || fail "-queue_stop removed the busy daemon's lock file"
out="$TEST_TMP/queue/start.out"
"$T" "$D" -start -wait > "$out"; expect_rc $? 45 "-start with a stop file"
expect_out "$out" "Aborting start.." "-start with a stop file"
kill -0 $dpid 2> /dev/null || fail "-start with a stop file disturbed the daemon"
[ -e "$STOP" ] || fail "-start removed the stop file"
wait $dpid; expect_rc $? 158 "busy daemon after its work unit"
[ "$(cat "$STOPPED")" = "Stopped to honor stop request..." ] || fail "queued stop text: $(cat "$STOPPED")"
[ -e "$STOP" ] && fail "honoured stop file still present"
no_lock_files "queued stop"

# --- plain -stop against a busy daemon: withdrawn, and the daemon keeps its lock
new_depot busy
"$T" "$D" -start -wait > "$TEST_TMP/busy/daemon.out" 2>&1 &
dpid=$!
await_daemon
echo 12 > "$D/m_bay/config/work_seconds"
for _ in $(seq 1 40); do [ -e "$D/m_bay/config/work_seconds" ] || break; sleep 0.1; done
out="$TEST_TMP/busy/stop.out"
timeout 30 "$T" "$D" -stop > "$out"; expect_rc $? 0 "-stop busy"
expect_out "$out" "It can not be stopped now (while shipping). Try later." "-stop busy"
[ -e "$STOP" ] && fail "-stop busy left the stop file"
out="$TEST_TMP/busy/start.out"
"$T" "$D" -start -wait > "$out"; expect_rc $? 62 "-start beside a busy daemon"
alive $dpid || fail "busy daemon gone after a withdrawn stop"
timeout 30 "$T" "$D" -stop > "$TEST_TMP/busy/stop2.out"; expect_rc $? 0 "-stop after work"
wait $dpid; expect_rc $? 158 "busy daemon stopped after its work"
no_lock_files "busy daemon"

if [ $FAILS -ne 0 ]; then echo "$FAILS failure(s)"; exit 1; fi
echo "all daemon handshake checks passed"

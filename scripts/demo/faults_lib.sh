# shellcheck shell=bash
# Helpers of the chain tests that interrupt the chain: one daemon at a time,
# bounded waits on the logs, and a way to kill a daemon in the middle of its
# work. Source it after sites_lib.sh, chain_lib.sh and sites_init.

# wait_until SECONDS WHAT CMD...: runs CMD every fifth of a second until it
# succeeds; after SECONDS says which WHAT did not happen and returns 1.
wait_until() {
    local limit=$1 what=$2 i
    shift 2
    for ((i = 0; i < limit * 5; i++)); do
        "$@" && return 0
        sleep 0.2
    done
    echo "not within ${limit}s: $what" >&2
    return 1
}

# _count TEXT FILE: how many lines of FILE hold TEXT (0 without the file).
_count() { echo $(($(grep -cF -- "$1" "$2" 2> /dev/null))); }

# shipped_passes: how many passes of A's stream the shipper completed.
shipped_passes() { _count "Completed (mship.$NNN.$LOC_B)" "$DEPOT_A/m_bay/logs/shipper_all.txt"; }

# applied_packets: how many packets B's receiver applied with success.
applied_packets() { _count "Successfully processed package" "$DEPOT_B/m_bay/logs/receiver_all.txt"; }

# more_than N CMD...: CMD prints a number larger than N.
more_than() { [ "$("${@:2}")" -gt "$1" ]; }

# daemon_pid PROGRAM DEPOT: the process id of the detached daemon of DEPOT.
daemon_pid() { _daemon_pids "$1" "$2" | head -n 1; }

# kill_hard PROGRAM DEPOT: kill -9 of the daemon, waiting until it is gone.
kill_hard() {
    local pid
    pid=$(daemon_pid "$1" "$2")
    [ -n "$pid" ] || {
        echo "kill_hard: no daemon of $2 runs" >&2
        return 1
    }
    kill -9 "$pid"
    wait_until 10 "the daemon $pid ends" _gone "$pid"
}

# _gone PID: the process has ended (a zombie counts as ended).
_gone() { [ ! -e "/proc/$1" ] || grep -q '^[0-9]* (.*) Z' "/proc/$1/stat" 2> /dev/null; }

# small_change VIEW VOB TEXT: a new version of doc/README holding TEXT; its
# trigger leaves a new shipping request.
small_change() {
    (
        set -e
        cd "/view/$1$2"
        _ct checkout -nc doc/README
        printf '%s\n' "$3" > doc/README
        _ct checkin -c "$3" doc/README
    )
}

# with_shipper_stopped CMD...: runs CMD (changes at A) while the shipper is
# stopped, then starts it again, so that all of CMD's changes make one
# shipping request and one packet (a running shipper may take the request
# in the middle of a series of changes).
with_shipper_stopped() {
    timeout 60 "$SHIPPER" "$DEPOT_A" -stop > "$SITES_ROOT/shipper_stop.out" 2>&1 < /dev/null || {
        echo "the shipper did not stop: $(cat "$SITES_ROOT/shipper_stop.out")" >&2
        return 1
    }
    "$@" || return 1
    start_shipper
}

# One replication from site A to site B with both daemons running, for the
# demonstration and the chain tests: start the daemons, watch a change travel
# (request taken, packet delivered, confirmation left), stop them, show what
# arrived. Source it after sites_lib.sh and sites_init.
#
# Every wait is bounded and stops at the first sign that the step it waits
# for cannot happen (a daemon gone, a failed pass, a tossed packet), saying
# which step did not happen.

# _daemon_pids PROGRAM DEPOT: the process ids of the detached daemon of that
# depot (its command line ends in "PROGRAM DEPOT -start"); fails when none runs.
_daemon_pids() {
    local pattern
    pattern=$(printf '%s %s -start' "$1" "$2" | sed 's/[][\.*^$+?(){}|]/\\&/g')
    pgrep -f -- "$pattern\$"
}

# _running PROGRAM DEPOT: the detached daemon of that depot is alive.
_running() { _daemon_pids "$1" "$2" > /dev/null; }

# _lines FILE: the number of lines of FILE (0 when it does not exist).
_lines() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }

# _banners LOG: how many starts of a daemon "to run always" LOG holds.
_banners() { grep -cF "started (to run always)" "$1" 2> /dev/null; }

# _wait_for_banner LOG SECONDS BEFORE: a start banner beyond the BEFORE there were.
_wait_for_banner() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        [ "$(($(_banners "$1")))" -gt "$3" ] && return 0
        sleep 0.1
    done
    return 1
}

# _start NAME PROGRAM DEPOT LOG: starts one daemon detached. Its output goes
# to a file: the detached daemon keeps what it inherited open, and a pipe
# would never end.
_start() {
    local out=$SITES_ROOT/$1_start.out rc before
    before=$(($(_banners "$4")))
    "$2" "$3" -start > "$out" 2>&1 < /dev/null
    rc=$?
    if [ "$rc" != 82 ] || ! _wait_for_banner "$4" 10 "$before"; then
        echo "step not done: the $1 did not start (exit $rc): $(head -c 600 "$out")" >&2
        return 1
    fi
}

# start_shipper, start_receiver: one daemon detached (see _start).
start_shipper() { _start shipper "$SHIPPER" "$DEPOT_A" "$DEPOT_A/m_bay/logs/shipper_start_stop.txt"; }
start_receiver() { _start receiver "$RECEIVER" "$DEPOT_B" "$DEPOT_B/m_bay/logs/receiver_start_stop.txt"; }

# start_daemons: both daemons detached; 0 once both logged their start.
start_daemons() { start_receiver && start_shipper; }

# stop_daemons: asks both daemons to stop and waits for them (bounded).
stop_daemons() {
    local rc=0
    if _running "$SHIPPER" "$DEPOT_A"; then
        timeout 60 "$SHIPPER" "$DEPOT_A" -stop > "$SITES_ROOT/shipper_stop.out" 2>&1 < /dev/null || rc=1
    fi
    if _running "$RECEIVER" "$DEPOT_B"; then
        timeout 60 "$RECEIVER" "$DEPOT_B" -stop > "$SITES_ROOT/receiver_stop.out" 2>&1 < /dev/null || rc=1
    fi
    return $rc
}

# confirmation_mark: what identifies B's current confirmation of the stream.
confirmation_mark() {
    local f=$INTAKE_B/$STREAM.epoc
    if [ -f "$f" ]; then echo "$(stat -c '%i %Y' "$f") $(cksum < "$f")"; else echo none; fi
}

# wait_for_confirmation SECONDS MARK: waits until B's confirmation differs
# from MARK and nothing is left to ship (no shipping request, no shipping pass
# under way, no packet in B's receiving directory), showing each step of the
# road as it is reached. A change made while the shipper was building can
# travel in a packet of its own; the wait covers it. A shipping pass that
# failed (the shipper's error log grew), a receiver error, a daemon that is
# gone or the time limit end the wait with a message naming the step.
wait_for_confirmation() {
    local limit=$1 mark=$2 t step=1
    local request=$DEPOT_A/m_bay/_ship_out/mship.$NNN.$LOC_B
    local pass_lock=$DEPOT_A/daemon/reading.$NNN.$LOC_B.$LOC_A.readlock
    local errors_a=$DEPOT_A/m_bay/logs/shipper_errors.txt errors_b=$DEPOT_B/m_bay/logs/receiver_errors.txt
    local errs_a errs_b
    errs_a=$(_lines "$errors_a")
    errs_b=$(_lines "$errors_b")
    local steps=("" "the shipper takes the shipping request mship.$NNN.$LOC_B"
        "the packet $STREAM reaches $LOC_B's receiving directory"
        "$LOC_B applies the packet and confirms it ($STREAM.epoc)")
    echo "waiting up to ${limit}s for: ${steps[1]}"
    for ((t = 1; t <= limit; t++)); do
        sleep 1
        if [ "$(_lines "$errors_a")" -gt "$errs_a" ]; then
            echo "step not done: ${steps[step]}: the shipper's pass ended with an error:" >&2
            tail -n "+$((errs_a + 1))" "$errors_a" | head -n 12 | sed 's/^/    /' >&2
            return 1
        fi
        if [ "$(_lines "$errors_b")" -gt "$errs_b" ]; then
            echo "step not done: ${steps[step]}: the receiver reported errors:" >&2
            tail -n "+$((errs_b + 1))" "$errors_b" | head -n 12 | sed 's/^/    /' >&2
            return 1
        fi
        if [ "$(confirmation_mark)" != "$mark" ] && [ ! -e "$request" ] && [ ! -e "$pass_lock" ] &&
            ! compgen -G "$INTAKE_B/$STREAM.pack*" > /dev/null; then
            echo "  [${t}s] done: ${steps[3]}"
            return 0
        fi
        if [ "$step" = 1 ] && [ ! -e "$request" ]; then
            echo "  [${t}s] done: ${steps[1]}"
            step=2
        fi
        if [ "$step" = 2 ] && compgen -G "$INTAKE_B/$STREAM.pack*" > /dev/null; then
            echo "  [${t}s] done: ${steps[2]}"
            step=3
        fi
        if ! _running "$SHIPPER" "$DEPOT_A"; then
            echo "step not done: ${steps[step]}: the shipper is no longer running" >&2
            return 1
        fi
        if ! _running "$RECEIVER" "$DEPOT_B"; then
            echo "step not done: ${steps[step]}: the receiver is no longer running" >&2
            return 1
        fi
        [ $((t % 10)) = 0 ] && echo "  [${t}s] still waiting for: ${steps[step]}"
    done
    echo "step not done within ${limit}s: ${steps[step]}" >&2
    return 1
}

# toc_marks: where both tables of contents end now, for show_replication.
toc_marks() {
    echo "$(_lines "$DEPOT_A/m_bay/logs/shipper_TOCs.txt") $(_lines "$DEPOT_B/m_bay/logs/receiver_TOCs.txt")"
}

# _show_new TITLE FILE FROM: the lines of FILE after line FROM, at most 80.
_show_new() {
    local n
    n=$(($(_lines "$2") - $3))
    echo "---- $1 ($2):"
    if [ "$n" -le 0 ]; then
        echo "    (nothing new)"
        return
    fi
    tail -n "+$(($3 + 1))" "$2" | head -n 80 | sed 's/^/    /'
    [ "$n" -le 80 ] || echo "    ... $((n - 80)) more lines"
}

# show_replication MARKS: what the shipper packed and the receiver applied
# since toc_marks gave MARKS, and B's confirmation.
show_replication() {
    local from_a from_b
    read -r from_a from_b <<< "$1"
    _show_new "what $LOC_A packed" "$DEPOT_A/m_bay/logs/shipper_TOCs.txt" "$from_a"
    _show_new "what $LOC_B applied" "$DEPOT_B/m_bay/logs/receiver_TOCs.txt" "$from_b"
    echo "---- $LOC_B's confirmation $STREAM.epoc:"
    if [ -f "$INTAKE_B/$STREAM.epoc" ]; then sed 's/^/    /' "$INTAKE_B/$STREAM.epoc"; else echo "    (none)"; fi
}

# compare_sites: the comparison of A's VOB with B's. Directory versions are
# left out (B's import gathers a directory's changes into its own versions),
# and so is the attribute type that marks remote checkouts at B.
compare_sites() {
    bash "$SRC_DIR/scripts/demo/compare_vobs.sh" -nodirversions -ignore 'Remotely_Checked_Out_To__' \
        "$VIEW_A_WORK" "$VOB_A" "$VIEW_B" "$VOB_B"
}

# Changes that travel together: while the shipper is stopped, the VOB's
# triggers only leave shipping requests, so everything changed meanwhile goes
# into the one packet of the next pass. Without this, a pass that starts in
# the middle of a series of changes ships part of them, and a second pass the
# rest. Source it after chain_lib.sh.

# hold_shipping: stops the shipper (bounded); 0 once it is gone.
hold_shipping() {
    if ! timeout 60 "$SHIPPER" "$DEPOT_A" -stop > "$SITES_ROOT/shipper_stop.out" 2>&1 < /dev/null \
        || _running "$SHIPPER" "$DEPOT_A"; then
        echo "step not done: the shipper did not stop: $(head -c 600 "$SITES_ROOT/shipper_stop.out")" >&2
        return 1
    fi
}

# resume_shipping: starts the shipper again; 0 once it logged its start.
resume_shipping() { start_shipper; }

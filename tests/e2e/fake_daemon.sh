#!/bin/bash
# A stand-in for the shipper or the receiver, for testing the demonstration's
# waits: "fake_daemon.sh DEPOT -start" detaches and plays FAKE_ROLE
# (shipper or receiver) in the scenario FAKE_SCENARIO, moving the files of
# one replication as the real daemons do; "fake_daemon.sh DEPOT -stop" stops
# it. FAKE_REQUEST, FAKE_INTAKE and FAKE_STREAM name the shipping request,
# B's receiving directory and the packet stream.
set -u
depot=$1 mode=$2
logs=$depot/m_bay/logs
stopfile=$depot/daemon/fake.stop
case $mode in
    -stop)
        : > "$stopfile"
        for _ in $(seq 50); do [ -e "$stopfile" ] || exit 0; sleep 0.1; done
        exit 1 ;;
    -start) ;;
    *) exit 36 ;;
esac
[ "$FAKE_SCENARIO" = nostart ] && [ "$FAKE_ROLE" = receiver ] && { echo "START_FAILED: no view"; exit 1; }
if [ -z "${FAKE_CHILD:-}" ]; then
    FAKE_CHILD=1 setsid bash "$0" "$depot" -start > /dev/null 2>&1 < /dev/null &
    exit 82
fi
echo "== service (fake $FAKE_ROLE) started (to run always) with static variables: ==" >> "$logs/${FAKE_ROLE}_start_stop.txt"
t=0
pack=$FAKE_INTAKE/$FAKE_STREAM.pack
while [ ! -e "$stopfile" ]; do
    sleep 0.5
    t=$((t + 1))
    case $FAKE_ROLE.$FAKE_SCENARIO in
        shipper.shipfail) [ $t = 2 ] && echo "[now] -- packet sending failed for (${FAKE_REQUEST##*/})" >> "$logs/shipper_errors.txt" ;;
        shipper.shipdies) [ $t = 2 ] && exit 0 ;;
        shipper.stall) ;;
        shipper.*)
            [ $t = 1 ] && rm -f "$FAKE_REQUEST"
            [ $t = 2 ] && : > "$pack" && echo "   packed src/main.c@@/main/2" >> "$logs/shipper_TOCs.txt" ;;
        receiver.recvfail) [ -e "$pack" ] && [ "$t" -ge 6 ] && { echo "[now] Aborted: tossed received packet ($pack)..." >> "$logs/receiver_errors.txt"; rm -f "$pack"; } ;;
        receiver.*) [ -e "$pack" ] && [ "$t" -ge 6 ] && mv "$pack" "$FAKE_INTAKE/$FAKE_STREAM.epoc" \
            && echo "   applied src/main.c@@/main/2" >> "$logs/receiver_TOCs.txt" ;;
    esac
done
rm -f "$stopfile"

#!/bin/bash
# A replication from one site to another on the built-in defaults.
#
#   sudo bash scripts/demo/run.sh [-nosetup] [-sftp] [-timeout SECONDS] [-dir DIR]
#
# Installs the Debian packages (scripts/setup.sh), builds the programs, then,
# inside ccsandbox: builds site A (a VOB with history, triggers and the
# shipper's depot) and site B (the receiving VOB and the receiver's depot),
# starts both daemons, waits until B has applied and confirmed the first
# packet (the whole history), makes further changes at A and waits for the
# second packet's confirmation, stops the daemons, and prints what was packed
# and applied and the comparison of the two VOBs.
#
#   -nosetup          neither install packages nor build (the build must exist)
#   -sftp             ship through sftp (OpenSSH's, with the wrapper of
#                     contrib/transport) to a throwaway sshd on 127.0.0.1
#                     instead of lftp on the local file system
#   -timeout SECONDS  how long to wait for each confirmation (default 120)
#   -dir DIR          where the sites' depots go (default: a new /tmp/vandrel-demo.*)
#
# Exit status: 0 when B confirmed and both VOBs agree; 1 when a step did not
# happen (the message names it) or the VOBs differ; 2 when the run could not
# be set up.
set -u
here=$(cd "$(dirname "$0")" && pwd)
SRC_DIR=${SRC_DIR:-$(cd "$here/../.." && pwd)}
BUILD_DIR=${BUILD_DIR:-$SRC_DIR/build}
export SRC_DIR BUILD_DIR

SETUP=1
LIMIT=120
DIR=""
INSIDE=0
SFTP=0
while [ $# -gt 0 ]; do
    case $1 in
        -nosetup) SETUP=0; shift ;;
        -sftp) SFTP=1; shift ;;
        -timeout) [ $# -ge 2 ] && [[ $2 =~ ^[0-9]+$ ]] || { echo "run: -timeout needs seconds" >&2; exit 2; }
            LIMIT=$2; shift 2 ;;
        -dir) [ $# -ge 2 ] || { echo "run: -dir needs a directory" >&2; exit 2; }
            DIR=$2; shift 2 ;;
        -inside) INSIDE=1; shift ;; # the part that runs in the sandbox
        *) sed -n '4,23p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
    esac
done

say() { printf '\n== %s\n' "$*"; }

if [ "$INSIDE" = 0 ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "run: needs root (the sandbox of VOBs and views uses private mounts): sudo bash $0" >&2
        exit 2
    fi
    if [ "$SETUP" = 1 ]; then
        say "packages"
        bash "$SRC_DIR/scripts/setup.sh" || { echo "run: package installation failed" >&2; exit 2; }
        say "build ($BUILD_DIR)"
        launcher=()
        command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
        mkdir -p "$BUILD_DIR" || exit 2
        cmake -S "$SRC_DIR" -B "$BUILD_DIR" "${launcher[@]}" > "$BUILD_DIR/demo_configure.log" 2>&1 \
            || { echo "run: cmake configuration failed, see $BUILD_DIR/demo_configure.log" >&2; exit 2; }
        cmake --build "$BUILD_DIR" -j "$(nproc)" --target vandrel_shipper vandrel_receiver vandrel_shipout \
            vandrel_packet cleartool clearprompt ccsandbox clearexport_ccase clearimport \
            || { echo "run: the build failed" >&2; exit 2; }
    fi
    for p in bin/vandrel_shipper bin/vandrel_receiver bin/vandrel_shipout bin/vandrel_packet clearcase/bin/ccsandbox; do
        [ -x "$BUILD_DIR/$p" ] || { echo "run: $BUILD_DIR/$p is missing; build first (or drop -nosetup)" >&2; exit 2; }
    done
    if [ "$SFTP" = 1 ]; then
        source "$SRC_DIR/scripts/demo/sftp_lib.sh"
        lacking=$(sftp_missing)
        [ -z "$lacking" ] || { echo "run: -sftp needs $lacking (bash scripts/setup.sh installs the packages)" >&2; exit 2; }
    else
        command -v lftp > /dev/null || { echo "run: lftp is missing (bash scripts/setup.sh installs it)" >&2; exit 2; }
    fi
    if [ -n "$DIR" ]; then
        mkdir -p "$DIR" && DIR=$(cd "$DIR" && pwd) || { echo "run: cannot use $DIR" >&2; exit 2; }
    else
        DIR=$(mktemp -d /tmp/vandrel-demo.XXXXXX) || exit 2
    fi
    sftp_flag=()
    [ "$SFTP" = 1 ] && sftp_flag=(-sftp)
    exec "$BUILD_DIR/clearcase/bin/ccsandbox" bash "$0" -inside "${sftp_flag[@]}" -timeout "$LIMIT" -dir "$DIR"
fi

# ---- inside the sandbox
source "$SRC_DIR/scripts/demo/sites_lib.sh"
source "$SRC_DIR/scripts/demo/chain_lib.sh"
sites_init "$DIR"
if [ -e "$DEPOT_A" ] || [ -e "$DEPOT_B" ]; then
    echo "run: $DIR already holds sites; give a new -dir" >&2
    exit 2
fi

# The transport's own servers, stopped on every way out.
SSHD_DIR=""
stop_transport() { [ -z "$SSHD_DIR" ] || sftp_sshd_stop "$SSHD_DIR"; }
if [ "$SFTP" = 1 ]; then
    source "$SRC_DIR/scripts/demo/sftp_lib.sh"
    say "sshd for $LOC_B"
    SSHD_DIR=$DIR/sshd
    trap 'stop_transport' EXIT
    sftp_sshd_start "$SSHD_DIR" 127.0.0.1 $((2 * LIMIT + 600)) || { echo "step not done: starting sshd" >&2; exit 2; }
    sftp_use_for_sites
    echo "sshd on 127.0.0.1 port $SFTP_PORT (log $SSHD_DIR/sshd.log)"
fi

say "sites in $DIR"
make_sites || { echo "step not done: building the sites" >&2; exit 2; }
if [ "$SFTP" = 1 ]; then
    sftp_install_at_a "$SSHD_DIR" || { echo "step not done: the sftp wrapper at $LOC_A" >&2; exit 2; }
    echo "transport: $TRANSPORT_NOTE ($TRANSPORT_PROGRAM)"
fi
echo "site $LOC_A: VOB $VOB_A, depot $DEPOT_A"
echo "  history: directories src, src/net and doc; text, binary and user-typed files; versions on main and"
echo "  on branch dev, merged back; labels REL1 (one moved), BETA and OLD; attributes of versions, of an"
echo "  element and of a branch; a symbolic link; a removed file; locks on label type OLD and doc/LICENSE"
echo "site $LOC_B: VOB $VOB_B, depot $DEPOT_B, receiving directory $INTAKE_B"

say "daemons"
tocs=$(toc_marks)
mark=$(confirmation_mark)
trap 'stop_daemons; stop_transport' EXIT
start_daemons || exit 1
echo "shipper and receiver running"

# The first packet carries the VOB's whole history, with what its elements,
# branches and types hold now (attributes, locks); the changes made after it
# travel in a second packet, since the first one's confirmation.
replicated=0
say "first replication: $VOB_A's whole history"
wait_for_confirmation "$LIMIT" "$mark" || replicated=1
if [ "$replicated" = 0 ]; then
    say "changes at $LOC_A"
    mark=$(confirmation_mark)
    change_history "$VIEW_A_WORK" "$VOB_A" || { echo "step not done: the changes at $LOC_A" >&2; exit 2; }
    echo "doc/README: version /main/2, label REL1 moved to it; doc/CHANGES: new file with attribute Review;"
    echo "src/main.c: Review on /main/2 now 3, Status on the element, label BETA removed;"
    echo "src/util.c: Status on branch dev, which is locked; src/Makefile removed; label type BETA locked."
    if [ -e "$DEPOT_A/m_bay/_ship_out/mship.$NNN.$LOC_B" ]; then
        say "second replication: the changes"
        wait_for_confirmation "$LIMIT" "$mark" || replicated=1
    else
        echo "step not done: the triggers left no shipping request for $LOC_B" >&2
        replicated=1
    fi
fi
stop_daemons && echo "shipper and receiver stopped" || echo "run: a daemon did not stop cleanly" >&2
stop_transport
trap - EXIT

say "what was replicated"
show_replication "$tocs"
[ "$replicated" = 0 ] || {
    echo "run: no replication; logs in $DEPOT_A/m_bay/logs and $DEPOT_B/m_bay/logs" >&2
    exit 1
}

say "comparison of $VOB_A ($LOC_A) with $VOB_B ($LOC_B)"
compare_sites

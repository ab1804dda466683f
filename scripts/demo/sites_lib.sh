# shellcheck disable=SC2034  # the names are for the scripts that source this library
# Two replication sites on one machine, for the demonstration and the chain
# tests. Source it inside ccsandbox (the substitute's VOBs and views), with
# BUILD_DIR and SRC_DIR set, then call sites_init ROOT and make_sites.
#
# Site A ships VOB $VOB_A (key $VOB_KEY) to location $LOC_B; site B receives
# it into VOB $VOB_B through the import view $VIEW_B. The transport is lftp
# on the local file system: site A's host map names the machine file:///
# and site B's receiving directory. Another transport is set between
# sites_init and make_sites: TRANSPORT_PROGRAM, TRANSPORT_MACHINE and
# TRANSPORT_NOTE (see sftp_lib.sh).

: "${BUILD_DIR:?BUILD_DIR must name the build tree}"
: "${SRC_DIR:?SRC_DIR must name the source tree}"
source "$SRC_DIR/scripts/demo/history_lib.sh"

# sites_init ROOT: names every part of both sites below ROOT.
sites_init() {
    SITES_ROOT=$1
    LOC_A=siteA
    LOC_B=siteB
    VOB_KEY=5
    NNN=$(printf '%03d' "$VOB_KEY")
    VOB_A=/vobs/src
    VOB_B=/vobs/dst
    VIEW_A_WORK=dev # where site A's people work
    VIEW_A=exp      # the shipper's export view
    VIEW_B=imp      # the receiver's import view
    DEPOT_A=$SITES_ROOT/$LOC_A/depot
    DEPOT_B=$SITES_ROOT/$LOC_B/depot
    SITE_FILE_A=$SITES_ROOT/$LOC_A/vandrel.site
    SITE_FILE_B=$SITES_ROOT/$LOC_B/vandrel.site
    INTAKE_B=$SITES_ROOT/$LOC_B/incoming
    # The packet stream of this VOB key from A to B, as both sites name it.
    STREAM=epoc.$NNN.$LOC_B.$LOC_A
    TRANSPORT_PROGRAM=lftp
    TRANSPORT_MACHINE=file:///
    TRANSPORT_NOTE="lftp on this machine"
    SHIPPER=$BUILD_DIR/bin/vandrel_shipper
    RECEIVER=$BUILD_DIR/bin/vandrel_receiver
    # The triggers run the system's programs and the example site script by name.
    case ":$PATH:" in
        *":$BUILD_DIR/bin:"*) ;;
        *) PATH=$BUILD_DIR/bin:$SRC_DIR/contrib/triggers:$PATH ;;
    esac
    export PATH
}

# _new_depot DEPOT: the depot tree both daemons and the trigger program expect.
_new_depot() {
    mkdir -p "$1/daemon" "$1"/m_bay/{_ship_out,_hold_out,epocs,logs,_triggers} \
        "$1"/m_bay/config/{hostmaps,config_specs,keys}
}

# make_site_a: the VOB with its triggers and history, the views, and the
# shipper's depot: configuration, host map and config spec of the VOB key.
make_site_a() {
    local me
    me=$(id -un)
    _ct mkvob -tag "$VOB_A" -nc "$SITES_ROOT/$LOC_A/src.vbs" || return 1
    _ct mkview -tag "$VIEW_A_WORK" "$SITES_ROOT/$LOC_A/$VIEW_A_WORK.vws" || return 1
    _ct mkview -tag "$VIEW_A" "$SITES_ROOT/$LOC_A/$VIEW_A.vws" || return 1
    _new_depot "$DEPOT_A"
    printf 'depot=%s\n' "$DEPOT_A" > "$SITE_FILE_A"
    cat > "$DEPOT_A/m_bay/config/shipper.conf" <<EOF
# Site $LOC_A: ships $VOB_A to $LOC_B through $TRANSPORT_NOTE.
shipper_id=$me
view=$VIEW_A
location_name=$LOC_A
transport_program=$TRANSPORT_PROGRAM
UTC_offset=+0000
duration_scale=second
duration=1
$VOB_KEY>$VOB_A>>.>$VOB_B>.>$LOC_B>ship
EOF
    # The export view's rules: a CHECKEDOUT rule is refused (checkouts never travel).
    printf 'element * /main/LATEST\n' > "$DEPOT_A/m_bay/config/config_specs/$NNN.cs"
    local passkey
    passkey=$(vandrel_packet passkey "$TRANSPORT_MACHINE" "$me" demo "$INTAKE_B") || {
        echo "make_site_a: no passkey" >&2
        return 1
    }
    printf '[%s]\n' "$passkey" > "$DEPOT_A/m_bay/config/hostmaps/$LOC_B.hostmap"
    chmod 600 "$DEPOT_A/m_bay/config/hostmaps/$LOC_B.hostmap"
    install_vandrel_triggers "$VOB_A" "$SITE_FILE_A" "$VOB_KEY" \
        "$DEPOT_A/m_bay/_ship_out" "$VOB_KEY" "$VOB_A" "$LOC_B" > /dev/null || {
        echo "make_site_a: trigger installation failed" >&2
        return 1
    }
    author_history "$VIEW_A_WORK" "$VOB_A"
}

# make_site_b: the receiving VOB with its triggers, the import view, the
# receiving directory and the receiver's depot and configuration.
make_site_b() {
    local me
    me=$(id -un)
    _ct mkvob -tag "$VOB_B" -nc "$SITES_ROOT/$LOC_B/dst.vbs" || return 1
    _ct mkview -tag "$VIEW_B" "$SITES_ROOT/$LOC_B/$VIEW_B.vws" || return 1
    _new_depot "$DEPOT_B"
    mkdir -p "$INTAKE_B"
    cat > "$DEPOT_B/m_bay/config/receiver.conf" <<EOF
# Site $LOC_B: applies what $LOC_A ships into the VOBs the packets name.
receiver_id=$me
view=$VIEW_B
UTC_offset=+0000
location_name=$LOC_B
$INTAKE_B > preserve > allow_rmelem_all,allow_rmver,allow_rmbranch,allow_rmtype_all,allow_type_locks_all,allow_instance_locks_all,allow_rntype_all
EOF
    # Site B ships nothing, but its VOB carries the same triggers as every
    # replicated VOB; their requests find no key here and leave nothing.
    printf 'depot=%s\n' "$DEPOT_B" > "$SITE_FILE_B"
    printf '# Site %s ships no VOB.\n' "$LOC_B" > "$DEPOT_B/m_bay/config/shipper.conf"
    install_vandrel_triggers "$VOB_B" "$SITE_FILE_B" "$VOB_KEY" > /dev/null || {
        echo "make_site_b: trigger installation failed" >&2
        return 1
    }
}

# make_sites: both sites, A's history included.
make_sites() {
    mkdir -p "$SITES_ROOT/$LOC_A" "$SITES_ROOT/$LOC_B" || return 1
    make_site_a && make_site_b
}

# Shared set-up of the shipping pass's integration scripts: a replicated VOB
# /vobs/src with the four trigger types, an authoring view dev, an export
# view exp, and a depot whose configuration ships VOB key 1 to siteB.
source "$SRC_DIR/tests/clearcase/lib.sh"
export PATH="$BUILD_DIR/bin:$PATH"

D=$TEST_TMP/depot
BAY=$D/m_bay
LOGS=$BAY/logs
OUT=$BAY/_ship_out
HOLD=$BAY/_hold_out
EPOCS=$BAY/epocs
E=$EPOCS/epoc.001.siteB.siteA
H=$HOLD/epoc.001.siteB.siteA
REQ=$OUT/mship.001.siteB

make_vob_and_view
cleartool mkview -tag exp /store/exp.vws >/dev/null || die "mkview exp"
for n in 1 2 3 4; do
    cleartool mktrtype -element -all -execunix true "QUORLIN_$n@/vobs/src" >/dev/null || die "mktrtype"
done

make_depot() {
    rm -rf "$D"
    mkdir -p "$D/daemon" "$OUT" "$HOLD" "$EPOCS" "$LOGS" "$BAY/config/hostmaps" "$BAY/config/config_specs" \
        "$BAY/_triggers"
    printf '%s\n' 'element * /main/LATEST' > "$BAY/config/config_specs/001.cs"
    # The post-ship trigger notes every run with its status.
    cat > "$BAY/_triggers/post.sh" <<'EOS'
#!/bin/sh
echo "$VANDREL_PACKET_STATUS $VANDREL_PACKAGE_NAME" >> "$VANDREL_LOGGING_DIR/post_runs"
EOS
    chmod +x "$BAY/_triggers/post.sh"
}
# conf [SETTING...] -- KEY_LINE...: the main configuration (or, with
# CONF_FILE set, that file).
conf() {
    {
        printf '%s\n' "shipper_id=$(id -un)" view=exp location_name=siteA transport_program=lftp UTC_offset=+0100 \
            duration_scale=second post_ship_trigger=post.sh
        while [ $# -gt 0 ] && [ "$1" != -- ]; do printf '%s\n' "$1"; shift; done
        [ $# -gt 0 ] && shift
        printf '%s\n' "$@"
    } > "$BAY/config/${CONF_FILE:-shipper.conf}"
}
# request [WORDS]: a shipping request for VOB key 1 and siteB, written as
# the trigger program writes it, or with the given text.
scrambled() { vandrel_packet scramble 10.3 1.2 "" "$1"; }
DBID=$(cleartool describe -fmt %On vob:/vobs/src)
request() {
    if [ $# -eq 0 ]; then
        printf '%s VLso_12.1_l %s' "$(scrambled "$DBID")" "$(scrambled "$(date +%s)_l")" > "$REQ"
    else
        printf '%s' "$1" > "$REQ"
    fi
}
# once [CLASS]: one pass of the shipper; output in $TEST_TMP/out.
once() {
    vandrel_shipper "$D" -once "$@" -wait > "$TEST_TMP/out" 2>&1
    local rc=$?
    [ "$rc" -eq $((-98 & 255)) ] || fail "vandrel_shipper -once $*: exit $rc ($(head -c 300 "$TEST_TMP/out"))"
}
has_text() { grep -qF -- "$1" "$2" 2>/dev/null || fail "missing in $2: $1"; }
no_text() { grep -qF -- "$1" "$2" 2>/dev/null && fail "unexpected in $2: $1"; return 0; }
post_runs() { cat "$LOGS/post_runs" 2>/dev/null; }

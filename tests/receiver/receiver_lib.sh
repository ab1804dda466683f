# Shared helpers of the receiver's integration scripts: a depot with a
# receiver configuration, and packets made with vandrel_packet as the
# shipper sends them (encrypted head and part, trailer last).
RCV="$BUILD_DIR/bin/vandrel_receiver"
PKT="$BUILD_DIR/bin/vandrel_packet"
M='+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+'

# new_depot DIR: the depot tree below DIR; sets D, LOGS, CONF, TRIG, DDIR.
new_depot() {
    D="$1/depot"
    rm -rf "$1"
    mkdir -p "$D/daemon" "$D"/m_bay/{logs,config/keys,_triggers}
    LOGS="$D/m_bay/logs"
    CONF="$D/m_bay/config/receiver.conf"
    TRIG="$D/m_bay/_triggers"
    DDIR="$D/daemon"
}

# write_conf [EXTRA LINES...]: the required settings, then the given lines.
write_conf() {
    {
        printf 'receiver_id=%s\nview=imp\nUTC_offset=+0\nlocation_name=east\n' "$(id -un)"
        for l in "$@"; do printf '%s\n' "$l"; done
    } > "$CONF"
}

# make_packet DIR NAME VOB_TAG VOB_PATH [KEYFILE]: writes NAME.crc and
# NAME.crc_1 (one version's data) into DIR, without a trailer.
make_packet() {
    local dir=$1 name=$2 tag=$3 path=$4 key=${5:-}
    local work="$dir/.work.$name"
    mkdir -p "$work"
    printf '%s' "ELEMENT_BEGIN
Name 5:a.txt
ElType 9:text_file
VERSION_BEGIN
VersionId 7:/main/1
OnBranch 4:main
ExtractFile 8:zeb.0001
VERSION_END
ELEMENT_END
${M}element * \\main\\LATEST
${M}l:west;D:vob;V:12.0;n:main;${M}NONE>${M}NONE>${M}${M}${M}" > "$work/h"
    printf '%s' "${M}first version${M}" > "$work/p"
    "$PKT" compress-head "$work/h" "$work/h.z" "$tag" "$path" - > /dev/null || return 1
    "$PKT" compress-part "$work/p" "$work/p.z" > /dev/null || return 1
    "$PKT" crypt ${key:+--key "$key"} "$work/h.z" "$dir/$name.crc" > /dev/null || return 1
    "$PKT" crypt ${key:+--key "$key"} "$work/p.z" "$dir/$name.crc_1" > /dev/null || return 1
    rm -rf "$work"
}

# integrity_line DIR NAME: the trailer line naming NAME.crc and its parts.
integrity_line() {
    local dir=$1 name=$2 n=0 line
    while [ -e "$dir/$name.crc_$((n + 1))" ]; do n=$((n + 1)); done
    line="sha256 $n $(sha256sum < "$dir/$name.crc" | cut -c1-64)"
    for i in $(seq 1 $n); do line="$line $(sha256sum < "$dir/$name.crc_$i" | cut -c1-64)"; done
    printf '%s' "$line"
}

# trailer DIR NAME TAG [COUNT] [INTEGRITY]: writes NAME.pack last.
trailer() {
    local dir=$1 name=$2 tag=$3 count=${4:-1} integrity=${5:-}
    {
        printf '10-Dec-2026.06:00:00 UTC +0'
        [ -n "$tag" ] && printf '\n<%s>' "$tag"
        printf '\n[%s]' "$count"
        [ -n "$integrity" ] && printf '\n%s' "$integrity"
        printf '\n'
    } > "$dir/$name.pack"
}

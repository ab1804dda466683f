# Helpers of the receiver's end-to-end scripts: packets of any content made
# with vandrel_packet as the shipper sends them, and a receiver depot.
. "$SRC_DIR/tests/receiver/receiver_lib.sh"

# pack DIR NAME TAG PATH DEPLOY HEADFILE [DATAFILE...]: NAME.crc from the
# head text in HEADFILE and, with data files, the part NAME.crc_1 holding
# each data file's bytes between file-break markers; then the trailer
# NAME.pack (with the VOB tag unless TAG is "-") naming the parts.
pack() {
    local dir=$1 name=$2 tag=$3 path=$4 deploy=$5 head=$6
    shift 6
    local work="$dir/.work.$name" count
    mkdir -p "$work"
    cp "$head" "$work/h"
    "$PKT" compress-head "$work/h" "$work/h.z" "$tag" "$path" "$deploy" > /dev/null || return 1
    "$PKT" crypt "$work/h.z" "$dir/$name.crc" > /dev/null || return 1
    if [ $# -gt 0 ]; then
        {
            printf '%s' "$M"
            for f in "$@"; do
                cat "$f"
                printf '%s' "$M"
            done
        } > "$work/p"
        "$PKT" compress-part "$work/p" "$work/p.z" > /dev/null || return 1
        "$PKT" crypt "$work/p.z" "$dir/$name.crc_1" > /dev/null || return 1
    fi
    rm -rf "$work"
    count=$(grep -c '^VERSION_BEGIN$' "$head")
    [ "$tag" = "-" ] && tag=""
    trailer "$dir" "$name" "$tag" "$count" "$(integrity_line "$dir" "$name")"
}

# deployment_head FILE TARGET LISTING: a deployment packet's head text whose
# listing (lines "D:dir", "F:file") is LISTING.
deployment_head() {
    printf '%s%s%s%s%s%s%s%s%s%s' "$3" "$M" "element * /main/LATEST" "$M" \
        "l:east;D:flat;B:$2;V:12.0;n:main;" "$M" "NONE>" "$M" "NONE>" "$M" > "$1"
}

# export_as_section EXPORT VIEWROOT HEAD DATADIR: section 1 of a replication
# packet from an export of the VOB seen at VIEWROOT, as the shipper's
# conversion writes it: every version content becomes a data file
# DATADIR/NNNN named "zeb.NNNN" (an empty one "zeb.0000"). HEAD receives
# the section; DATADIR/list the data files in order.
export_as_section() {
    local export=$1 root=$2 head=$3 data=$4 n=0 value name
    rm -rf "$data"
    mkdir -p "$data"
    : > "$data/list"
    : > "$head"
    while IFS= read -r line; do
        case "$line" in
        "ExtractFile "*)
            value=${line#*:}
            if [ -s "$root/$value" ]; then
                n=$((n + 1))
                printf -v name 'zeb.%04d' "$n"
                cp "$root/$value" "$data/$name"
                printf '%s\n' "$data/$name" >> "$data/list"
            else
                name=zeb.0000
            fi
            printf 'ExtractFile %d:%s\n' "${#name}" "$name" >> "$head"
            ;;
        *) printf '%s\n' "$line" >> "$head" ;;
        esac
    done < "$export"
}

#!/bin/bash
# The outside carrier of a shipper whose VOB key holds its packets: one round
# between the shipper's hold directory and the receiver's receiving
# directory, both reachable as local paths here (a site would reach the
# other side through its own means).
#
#   carry_held.sh HOLD_DIR RECEIVING_DIR
#
# For every packet stream "epoc.<NNN>.<R>.<L>" seen on either side:
#  - the receiver's confirmation (.epoc) and busy flag (.pack_pending) are
#    copied back to the hold directory, where the shipper reads them; a busy
#    flag the receiver no longer has is removed there;
#  - a held packet (its trailer .pack is written last by the shipper) moves
#    to the receiving directory: first the receiver's copy of an earlier
#    unconfirmed packet goes (trailer first), then the data and its parts,
#    then the trailer, each copied under a temporary name the receiver
#    ignores and renamed into place, so the receiver never sees a trailer
#    before its packet is complete.
# Exit status 0 when the round completed, 1 at the first failure (what was
# not carried stays where it was and is carried by the next round).
set -u
hold=${1:?HOLD_DIR}
intake=${2:?RECEIVING_DIR}

# put SRC DEST: SRC's content as DEST, appearing at once.
put() {
    if ! cp -- "$1" "$2.carrying" || ! mv -f -- "$2.carrying" "$2"; then
        rm -f -- "$2.carrying"
        echo "carry_held: cannot carry $1 to $2" >&2
        return 1
    fi
}

# fetch_back BASE: the receiver's confirmation and busy flag of the stream.
fetch_back() {
    local base=$1
    if [ -s "$intake/$base.epoc" ]; then
        put "$intake/$base.epoc" "$hold/$base.epoc" || return 1
    fi
    if [ -s "$intake/$base.pack_pending" ]; then
        put "$intake/$base.pack_pending" "$hold/$base.pack_pending" || return 1
    else
        rm -f -- "$hold/$base.pack_pending"
    fi
}

# deliver BASE: the held packet of the stream, trailer last.
deliver() {
    local base=$1 part i
    rm -f -- "$intake/$base.pack"
    rm -f -- "$intake/$base.crc" "$intake/$base".crc_[0-9]*
    put "$hold/$base.crc" "$intake/$base.crc" || return 1
    for ((i = 1; ; i++)); do
        part=$hold/$base.crc_$i
        [ -f "$part" ] || break
        put "$part" "$intake/$base.crc_$i" || return 1
    done
    put "$hold/$base.pack" "$intake/$base.pack" || return 1
    rm -f -- "$hold/$base.pack" "$hold/$base.crc" "$hold/$base".crc_[0-9]*
}

shopt -s nullglob
declare -A streams=()
for f in "$hold"/epoc.*.pack "$intake"/epoc.*.epoc "$intake"/epoc.*.pack_pending; do
    name=${f##*/}
    streams[${name%.*}]=1
done
rc=0
for base in "${!streams[@]}"; do
    fetch_back "$base" || rc=1
    # A packet whose trailer the shipper has not written yet stays for the next round.
    if [ -s "$hold/$base.pack" ] && [ -f "$hold/$base.crc" ]; then
        deliver "$base" || rc=1
    fi
done
exit $rc

#!/bin/bash
# Deployments through the whole chain with both daemons running: site A's
# VOB keys deploy parts of its VOB into plain directories at site B, one key
# for each kind of deployment:
#   5  hard deployment of the directory src (every file)
#   6  soft deployment of the directory src (empty files are left out)
#   7  hard deployment of the single file doc/logo.bin
# The first round carries what each key names; B writes it byte for byte,
# logs one ACK line per directory and file of that package, and confirms.
# The second round, after a changed file and new files in src (empty,
# binary, a blank in the name) and a changed logo.bin, carries everything
# again; B's copies match once more, and B's VOB is never touched.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/deploy bash tests/e2e/feature_deployment_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
itest_sandbox sites_lib chain_lib batch_lib

itest_make_sites
A=/view/$VIEW_A_WORK$VOB_A
DLOG_B=$DEPOT_B/m_bay/logs/receiver_deploys.txt
DLOG_A=$DEPOT_A/m_bay/logs/shipper_deploys.txt

# key|what it deploys|marker|kind: the deployment keys; each deploys into
# $SITES_ROOT/$LOC_B/deployed.<key>.
KEYS="5|src|/[D]|hard
6|src|/[d]|soft
7|doc/logo.bin|/[D]|file"
target_of() { echo "$SITES_ROOT/$LOC_B/deployed.$1"; }

# The key lines replace A's VOB key; the VOB's triggers request all three keys.
conf=$DEPOT_A/m_bay/config/shipper.conf
grep -v "^$VOB_KEY>" "$conf" > "$conf.new" && mv "$conf.new" "$conf"
while IFS='|' read -r key what marker kind; do
    printf '%s>%s>>%s>%s %s>.>%s>ship\n' "$key" "$VOB_A" "$what" "$marker" "$(target_of "$key")" "$LOC_B" >> "$conf"
    cp -n "$DEPOT_A/m_bay/config/config_specs/$NNN.cs" "$DEPOT_A/m_bay/config/config_specs/$(printf '%03d' "$key").cs"
done <<< "$KEYS"
install_vandrel_triggers "$VOB_A" "$SITE_FILE_A" 5,6,7 > "$TEST_TMP/triggers.out" 2>&1 \
    || die "triggers: $(cat "$TEST_TMP/triggers.out")"
# The first history only requested key 5.
vandrel_shipout "$SITE_FILE_A" 6,7 > "$TEST_TMP/shipout.out" 2>&1 || die "shipout: $(cat "$TEST_TMP/shipout.out")"

# expected_acks KIND WHAT TARGET: the ACK lines the deployment of WHAT at A
# must log, sorted: one per directory below the top and one per file (a
# soft deployment leaves out empty files).
expected_acks() {
    local kind=$1 what=$2 target=$3 empty=()
    if [ "$kind" = file ]; then
        printf '     file>ACK >%s/%s\n' "$target" "${what##*/}"
        return
    fi
    [ "$kind" = soft ] && empty=(! -empty)
    (
        cd "$A/$what" || exit 1
        find . -name '*@@' -prune -o -mindepth 1 -type d -print | sed 's|^\./||' \
            | while IFS= read -r d; do printf 'directory>ACK >%s/%s\n' "$target" "$d"; done
        find . -name '*@@' -prune -o -type f "${empty[@]}" -print | sed 's|^\./||' \
            | while IFS= read -r f; do printf '     file>ACK >%s/%s\n' "$target" "$f"; done
    ) | LC_ALL=C sort
}

# same_copy KIND WHAT TARGET: TARGET is a byte-exact copy of WHAT at A (the
# view also lists each element's extended name, NAME@@; those are no files).
same_copy() {
    local kind=$1 what=$2 target=$3 f
    case $kind in
        file) cmp "$A/$what" "$target/${what##*/}" ;;
        hard) diff -r -x '*@@' "$A/$what" "$target" ;;
        soft)
            diff -r -x '*@@' -x empty.h "$A/$what" "$target" || return 1
            for f in "$target"/*; do [ -s "$f" ] || [ -d "$f" ] || { echo "empty file deployed: $f"; return 1; }; done
            ;;
    esac
}

# marks: the confirmation marks of the three streams, one a line.
marks() {
    local key what marker kind
    while IFS='|' read -r key what marker kind; do
        (NNN=$(printf '%03d' "$key") STREAM=epoc.$(printf '%03d' "$key").$LOC_B.$LOC_A && confirmation_mark)
    done <<< "$KEYS"
}

# deployed ROUND: B confirmed every key's deployment of ROUND (beyond the
# marks in $TEST_TMP/marks); each copy is byte-exact; each package's part of
# the deployment log holds one ACK line per directory and file and no NACK.
deployed() {
    local key what marker kind mark target package
    exec 3< "$TEST_TMP/marks"
    while IFS='|' read -r key what marker kind; do
        IFS= read -r mark <&3
        # A pass that failed while an earlier key was awaited ends the wait at once.
        grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && die "$1: the shipper logged errors"
        (
            NNN=$(printf '%03d' "$key")
            STREAM=epoc.$NNN.$LOC_B.$LOC_A
            wait_for_confirmation 60 "$mark"
        ) > "$TEST_TMP/wait.out" 2>&1 || die "$1 of key $key was not deployed: $(cat "$TEST_TMP/wait.out")"
        target=$(target_of "$key")
        same_copy "$kind" "$what" "$target" > "$TEST_TMP/diff.out" 2>&1 \
            || fail "$1, key $key ($kind): B's copy differs: $(head -n 20 "$TEST_TMP/diff.out")"
        # The lines of this round's package of this key.
        package=epoc.$(printf '%03d' "$key").$LOC_B.$LOC_A.crc
        awk -v p="($package)" -v round="$2" '
            index($0, "processing STARTED for package " p) { n++; on = (n == round); next }
            index($0, "processing ENDED") && index($0, p) { if (on) ended = 1; on = 0 }
            on { print }
            END { if (!ended) print "(no end of the deployment)" }' "$DLOG_B" > "$TEST_TMP/package.log"
        grep -v 'ACK ' "$TEST_TMP/package.log" && fail "$1, key $key: B logged more than ACK lines"
        LC_ALL=C sort "$TEST_TMP/package.log" > "$TEST_TMP/acks"
        expected_acks "$kind" "$what" "$target" > "$TEST_TMP/acks.expected"
        diff "$TEST_TMP/acks.expected" "$TEST_TMP/acks" > "$TEST_TMP/acks.diff" \
            || fail "$1, key $key ($kind): the ACK lines differ from the tree: $(cat "$TEST_TMP/acks.diff")"
        [ "$(grep -cF "DEPLOYMENT package SENT for package (mship.$(printf '%03d' "$key").$LOC_B.$LOC_A)" "$DLOG_A")" = "$2" ] \
            || fail "$1, key $key: A did not log the deployment as sent"
    done <<< "$KEYS"
    exec 3<&-
    # Nothing of the packets is left in B's receiving directory but the confirmations.
    leftover=$(ls -A "$INTAKE_B" | grep -v "^epoc\.00[567]\.$LOC_B\.$LOC_A\.epoc\$")
    [ -z "$leftover" ] || fail "after $1 B's receiving directory holds: $leftover"
    marks > "$TEST_TMP/marks"
}

marks > "$TEST_TMP/marks"
trap stop_daemons EXIT
start_daemons 2> "$TEST_TMP/start.err" || die "$(cat "$TEST_TMP/start.err")"
deployed "the first round" 1
has_file "$(target_of 5)/net/sock.c"
has_file "$(target_of 6)/Makefile"
no_file "$(target_of 7)/main.c"
if [ ! -f "$(target_of 5)/main.c" ] || [ -L "$(target_of 5)/main.c" ]; then fail "main.c is not a plain file at B"; fi

# Second round: a changed file, an empty file, a name with a blank and
# binary bytes in src; a changed logo.bin.
hold_shipping || die "the shipper did not stop"
(
    set -e
    cd "$A/src"
    _ct checkout -nc main.c .
    printf 'int util(void);\nint main(void) { return util() + 1; }\n' > main.c
    _ct mkelem -nc empty.h 'read me.txt' tool.bin
    printf 'spaces are fine\n' > 'read me.txt'
    printf '\000\001\r\n\377tool\000' > tool.bin
    _ct checkin -c 'second round' main.c empty.h 'read me.txt' tool.bin .
    cd "$A/doc"
    _ct checkout -nc logo.bin
    printf '\377\376new logo\000\n' > logo.bin
    _ct checkin -c 'new logo' logo.bin
) || die "changes at A"
resume_shipping || die "the shipper did not start again"
deployed "the second round" 2
content "$(printf 'int util(void);\nint main(void) { return util() + 1; }')" "$(target_of 5)/main.c"
has_file "$(target_of 5)/empty.h"
[ -s "$(target_of 5)/empty.h" ] && fail "the empty file arrived with content"
no_file "$(target_of 6)/empty.h"
content "spaces are fine" "$(target_of 6)/read me.txt"

# The deployments never reached B's VOB: it holds nothing but its root.
leftover=$(ls -A "/view/$VIEW_B$VOB_B" | grep -v '^lost+found\(@@\)\?$')
[ -z "$leftover" ] || fail "B's VOB received: $leftover"

stop_daemons || fail "the daemons did not stop: $(cat "$SITES_ROOT"/*_stop.out)"
trap - EXIT
grep -v '^$' "$DEPOT_B/m_bay/logs/receiver_errors.txt" && fail "the receiver logged errors"
grep -v '^$' "$DEPOT_A/m_bay/logs/shipper_errors.txt" && fail "the shipper logged errors"
finish

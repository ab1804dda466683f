#!/bin/bash
# Compares two VOBs, each as one view shows it, entirely through cleartool:
# elements and symbolic links, branches, versions and their bytes, labels,
# attributes, merge arrows, locks and types. Prints "identical", or one line
# per difference; exits 0 when identical, 1 when not, 2 when a VOB cannot be
# read or the command line is wrong.
#
# Each VOB is first described as a sorted list of facts "KEY<TAB>VALUE"
# (paths relative to the VOB root, so the two VOB tags may differ); the two
# lists are then joined on their keys. What is left out on purpose: times,
# users, owners and groups, comments, checkouts, and trigger types (a site's
# own, with its own commands) unless -triggers is given.
set -u
set -o pipefail

usage() {
    cat >&2 <<'EOF'
usage: compare_vobs.sh [-ignore ERE]... [-nodirversions] [-triggers] [-keep DIR]
                       VIEW_A VOB_A VIEW_B VOB_B
  Compares VOB_A as view VIEW_A shows it with VOB_B as VIEW_B shows it.
  Differences are printed as
    only in A: KEY [VALUE]      only in B: KEY [VALUE]
    differs: KEY: A VALUE | B VALUE
  -ignore ERE      leave out every fact (KEY<TAB>VALUE) that matches ERE
  -nodirversions   do not compare the versions of directory elements (their
                   entries are still compared through the names each view shows)
  -triggers        compare trigger types too
  -keep DIR        keep the two descriptions as DIR/A.facts and DIR/B.facts
  Exit status: 0 identical, 1 different, 2 error.
EOF
    exit 2
}

IGNORES=()
DIR_VERSIONS=1
TRIGGERS=0
KEEP=""
while [ $# -gt 0 ]; do
    case $1 in
        -ignore) [ $# -ge 2 ] || usage; IGNORES+=("$2"); shift 2 ;;
        -nodirversions) DIR_VERSIONS=0; shift ;;
        -triggers) TRIGGERS=1; shift ;;
        -keep) [ $# -ge 2 ] || usage; KEEP=$2; shift 2 ;;
        -h | -help | --help) usage ;;
        -*) echo "compare_vobs: unknown option $1" >&2; usage ;;
        *) break ;;
    esac
done
[ $# -eq 4 ] || usage

RS=$'\036' # ends one record of a batched -fmt query
US=$'\037' # separates the fields of such a record

# ESC: an awk function that shows newlines and tabs as \n and \t, so that
# every fact stays on one line.
ESC='function esc(t) { gsub(/\n/, "\\n", t); gsub(/\t/, "\\t", t); return t }'

# batch CMD...: CMD over the names on standard input (one a line), in as
# many runs as the length of a command line needs.
batch() { xargs -r -d '\n' "$@"; }

# records PREFIX [KEEP_EMPTY]: the facts of a batched "-fmt %X$US%Y$RS" query,
# as "PREFIX X<TAB>Y", leaving out those whose Y is empty unless KEEP_EMPTY is 1.
records() {
    awk -v RS="$RS" -v FS="$US" -v prefix="$1" -v keep="${2:-0}" "$ESC"'
        { sub(/^\n/, ""); v = $2; sub(/\n$/, "", v) }
        NF >= 2 && (v != "" || keep) { printf "%s%s\t%s\n", prefix, esc($1), esc(v) }'
}

# describe_types VOB: one fact per type with its properties, one per type lock.
describe_types() {
    local vob=$1 kind kinds=(brtype lbtype attype eltype hltype)
    [ "$TRIGGERS" = 1 ] && kinds+=(trtype)
    for kind in "${kinds[@]}"; do
        cleartool lstype -l -kind "$kind" -invob "$vob" 2> /dev/null | awk -v kind="$kind" '
            function flush() {
                if (name == "") return
                printf "%s %s\t%s\n", kind, name, props
                if (lock != "") printf "lock %s:%s\t%s\n", kind, name, lock
            }
            /^[a-z]+ type "/ {
                flush()
                name = $0; sub(/^[^"]*"/, "", name); sub(/"$/, "", name)
                props = ""; lock = ""; next
            }
            /^  created / || /^  owner: / || /^  "/ { next }
            /^  Locked/ { lock = substr($0, 3); next }
            /^  / { p = substr($0, 3); props = props == "" ? p : props "; " p }
            END { flush() }'
    done
}

# describe_elements VOB WORK: the facts of every element the view shows,
# run in the VOB root of the view; each query runs once over all elements.
describe_elements() {
    local vob=$1 w=$2 name
    : > "$w/elements"
    : > "$w/slinks"
    while IFS= read -r name; do
        name=${name#./}
        if [ -L "$name" ]; then
            printf '%s\n' "$name" >> "$w/slinks"
        else
            printf '%s@@\n' "$name" >> "$w/elements"
        fi
    done < <(cleartool find . -nxname -print)
    batch cleartool describe -fmt "%n$US%[slink_text]p$RS" < "$w/slinks" | records "slink " 1
    # Element type and permissions; the directory elements are remembered.
    batch cleartool describe -l < "$w/elements" | awk -v dirs="$w/dirs" '
        function flush() { if (name != "") printf "element %s\t%s %s\n", name, type, mode }
        /^[a-z ]*element "/ {
            flush()
            name = $0; sub(/^[^"]*"/, "", name); sub(/@@"$/, "", name); type = ""; mode = ""; next
        }
        /^  element type: / { type = substr($0, 17); if (type == "directory") print name "@@" > dirs }
        /^    Mode : / { mode = substr($0, 12) }
        END { flush(); printf "" >> dirs }'
    # Branches, versions and labels; labels are keyed by label and branch so
    # that a moved label reads as one difference.
    sed 's/@@$//' "$w/elements" | batch cleartool lsvtree -all | awk -v tree="$w/tree" '
        {
            line = $0; vid = line; labels = ""
            if (match(line, / \(.*\)$/)) { vid = substr(line, 1, RSTART - 1); labels = substr(line, RSTART + 2, RLENGTH - 3) }
            last = vid; sub(/.*\//, "", last)
            if (last !~ /^[0-9]+$/) { printf "branch %s\t\n", vid; print "B " vid > tree; next }
            print "V " vid > tree
            branch = vid; sub(/\/[^\/]*$/, "", branch); v = vid; sub(/^.*@@/, "", v)
            n = split(labels, l, /, /)
            for (i = 1; i <= n; i++) printf "label %s on %s\t%s\n", l[i], branch, v
        }
        END { printf "" >> tree }'
    # Versions of files by their bytes; of directories by their existence.
    awk -v dirs="$w/dirs" -v files="$w/files" -v dirv="$DIR_VERSIONS" '
        BEGIN { while ((getline d < dirs) > 0) isdir[d] = 1 }
        /^V / {
            vid = substr($0, 3); el = vid; sub(/@@.*/, "@@", el)
            if (el in isdir) { if (dirv) printf "version %s\tdirectory\n", vid }
            else print vid > files
        }
        END { printf "" >> files }' "$w/tree"
    batch sha256sum -- < "$w/files" | awk '{ sum = $1; sub(/^[^ ]* [ *]/, ""); printf "version %s\t%s\n", $0, sum }'
    # Attributes of elements, branches and versions; locks of elements and branches.
    sed 's/^[BV] //' "$w/tree" | cat "$w/elements" - > "$w/objects"
    # One fact per attribute: the order in which an object lists its
    # attributes is not part of what it holds.
    local attype fmt="%Xn"
    while IFS= read -r attype; do
        fmt+="$US$attype$US%[$attype]NSa"
    done < <(cleartool lstype -s -kind attype -invob "$vob" 2> /dev/null)
    if [ "$fmt" != "%Xn" ]; then
        batch cleartool describe -fmt "$fmt$RS" < "$w/objects" | awk -v RS="$RS" -v FS="$US" "$ESC"'
            { for (i = 2; i < NF; i += 2) if ($(i + 1) != "") printf "attribute %s on %s\t%s\n", $i, esc($1), esc($(i + 1)) }'
    fi
    sed -n 's/^B //p' "$w/tree" | cat "$w/elements" - | batch cleartool lslock -fmt "%n$US%c$RS" 2> /dev/null \
        | records "lock "
    # Merge arrows, each once, from the version it leaves.
    sed -n 's/^V //p' "$w/tree" | batch cleartool describe -ahlink Merge | awk -v tag="$vob/" '
        /^[a-z ]*version "/ { from = $0; sub(/^[^"]*"/, "", from); sub(/"$/, "", from); next }
        /^    Merge -> / {
            to = substr($0, 14)
            if (index(to, tag) == 1) to = substr(to, length(tag) + 1)
            printf "merge %s -> %s\t\n", from, to
        }'
}

# describe_vob VIEW VOB WORK: every fact of the VOB, unsorted.
describe_vob() {
    local view=$1 vob=$2 root lock
    root=/view/$view$vob
    cleartool lsvob -s "$vob" > /dev/null 2>&1 || { echo "compare_vobs: no VOB $vob" >&2; return 2; }
    [ -d "$root" ] || { echo "compare_vobs: view $view does not show $vob ($root)" >&2; return 2; }
    cd "$root" || return 2
    lock=$(cleartool lslock -fmt '%c' "vob:$vob" 2> /dev/null)
    [ -n "$lock" ] && printf 'lock vob\t%s\n' "$lock"
    describe_types "$vob"
    describe_elements "$vob" "$3"
}

# facts_of VIEW VOB OUT: the sorted facts, with the ignored ones left out.
facts_of() {
    mkdir -p "$3.d" || return 2
    (describe_vob "$1" "$2" "$3.d") > "$3.raw" || return 2
    local f=("cat")
    if [ ${#IGNORES[@]} -gt 0 ]; then
        local args=() e
        for e in "${IGNORES[@]}"; do args+=(-e "$e"); done
        f=(grep -Ev "${args[@]}")
    fi
    "${f[@]}" < "$3.raw" | LC_ALL=C sort -u > "$3"
    rm -rf "$3.raw" "$3.d"
}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/compare_vobs.XXXXXX") || exit 2
trap 'rm -rf "$WORK"' EXIT
facts_of "$1" "$2" "$WORK/A.facts" || exit 2
facts_of "$3" "$4" "$WORK/B.facts" || exit 2
if [ -n "$KEEP" ]; then
    mkdir -p "$KEEP" && cp "$WORK/A.facts" "$WORK/B.facts" "$KEEP/" || exit 2
fi

# Joins the two sorted lists on their keys (a key carries one value per VOB)
# and prints the differences in the order of their keys.
LC_ALL=C awk -F '\t' '
    function show(k, v) { return v == "" ? k : k " " v }
    FNR == NR { a[$1] = $2; order[++n] = $1; next }
    {
        if (!($1 in a)) { print $1 "\tonly in B: " show($1, $2); diffs++ }
        else if (a[$1] != $2) { print $1 "\tdiffers: " $1 ": A " a[$1] " | B " $2; diffs++ }
        seen[$1] = 1
    }
    END {
        for (i = 1; i <= n; i++)
            if (!(order[i] in seen)) { print order[i] "\tonly in A: " show(order[i], a[order[i]]); diffs++ }
        if (diffs == 0) print "\tidentical"
        exit diffs != 0
    }' "$WORK/A.facts" "$WORK/B.facts" | LC_ALL=C sort -s -t "$(printf '\t')" -k1,1 | cut -f2-

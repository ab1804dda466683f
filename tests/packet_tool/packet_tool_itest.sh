#!/bin/bash
# Drives every vandrel_packet subcommand from the shell: round trips through
# the codecs, refusals with one-line errors, extraction and inspection of a
# packet built here, and that inputs are never deleted.
set -u
TOOL="$BUILD_DIR/bin/vandrel_packet"
T="$TEST_TMP"
rm -rf "$T" && mkdir -p "$T" && cd "$T" || exit 1
FAILS=0
fail() { echo "FAIL: $*"; FAILS=$((FAILS + 1)); }
expect_ok() { "$@" > out.txt 2> err.txt || fail "expected success: $* ($(cat err.txt))"; }
# A failing command exits non-zero and says why in exactly one line.
expect_error() {
    if "$@" > out.txt 2> err.txt; then fail "expected failure: $*"; return; fi
    [ "$(wc -l < err.txt)" -eq 1 ] || fail "expected one error line from: $* (got: $(cat err.txt))"
}
M='+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+'

# --- help and usage -----------------------------------------------------
expect_ok "$TOOL" --help
grep -q 'inspect \[--key KEYFILE\] PACKET \[OUTDIR\]' out.txt || fail "help lacks inspect"
expect_ok "$TOOL" -h
"$TOOL" > /dev/null 2>&1 && fail "no arguments must fail"
expect_error "$TOOL" frobnicate
expect_error "$TOOL" crypt only_one_arg

# --- tables -------------------------------------------------------------
expect_ok "$TOOL" tables
[ "$(wc -l < out.txt)" -eq 3 ] || fail "tables prints three lines"
KEY_DIGITS=$(sed -n 1p out.txt)
[[ "$KEY_DIGITS" =~ ^[0-9]{768}$ ]] || fail "first table line is 768 digits"
[ "${KEY_DIGITS: -3}" = "000" ] || fail "built-in table ends in 000"
[ "$(sed -n 2p out.txt | tr -d '\n' | wc -c)" -eq 87 ] || fail "password alphabet has 87 characters"
[ "$(sed -n 3p out.txt | tr -d '\n' | wc -c)" -eq 91 ] || fail "passkey alphabet has 91 characters"
printf '%s' "$KEY_DIGITS" > standard_key.txt

# --- compression --------------------------------------------------------
printf 'AAAAAAAAAABBBBBCdata\n%.0s' {1..50} > head.in
expect_ok "$TOOL" compress-head head.in head.z /vobs/dst '\vobs\dst\sub' -
[ -f head.in ] || fail "compress-head deleted its input"
head -c 26 head.z | grep -qxF '/vobs/dst|\vobs\dst\sub|-|' || fail "head header as given"
expect_ok "$TOOL" uncompress-head head.z head.back
[ "$(cat out.txt)" = $'/vobs/dst\n/vobs/dst/sub\n-' ] || fail "uncompress-head fields: $(cat out.txt)"
cmp -s head.in head.back || fail "head round trip"
expect_error "$TOOL" compress-head head.in bad.z 'a|b' p -
expect_error "$TOOL" compress-head missing.in bad.z v p -

head -c 200000 /dev/urandom > random.bin
printf 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx' > runs.bin
for f in random.bin runs.bin; do
    expect_ok "$TOOL" compress-part "$f" "$f.z"
    [ -f "$f" ] || fail "compress-part deleted $f"
    expect_ok "$TOOL" uncompress-part "$f.z" "$f.back"
    cmp -s "$f" "$f.back" || fail "part round trip of $f"
done
[ "$(head -c 1 random.bin.z | od -An -tu1 | tr -d ' ')" = 0 ] || fail "random data is stored"
[ "$(stat -c %s runs.bin.z)" -eq 2 ] || fail "a run of 56 is one pair"
printf '\x02A\x07' > damaged.z
expect_error "$TOOL" uncompress-part damaged.z damaged.out
expect_error "$TOOL" uncompress-head runs.bin nohead.out

# --- encryption ---------------------------------------------------------
expect_ok "$TOOL" crypt random.bin random.crc
[ -f random.bin ] || fail "crypt deleted its input"
[ "$(stat -c %s random.crc)" -eq 200005 ] || fail "encrypted file is 5 bytes longer"
expect_ok "$TOOL" crypt --key standard_key.txt random.bin random2.crc
cmp -s random.crc random2.crc || fail "the printed table is the built-in key"
expect_ok "$TOOL" decrypt random.crc random.plain
cmp -s random.bin random.plain || fail "crypt round trip"
# Another key: swap the first two entries of the table.
printf '%s' "${KEY_DIGITS:3:3}${KEY_DIGITS:0:3}${KEY_DIGITS:6}" > other_key.txt
expect_error "$TOOL" decrypt --key other_key.txt random.crc refused.out
grep -q 'different encryption key' err.txt || fail "mismatch message: $(cat err.txt)"
[ -e refused.out ] && fail "nothing decoded under a mismatched key"
printf '%s' "${KEY_DIGITS:0:767}" > short_key.txt
expect_error "$TOOL" crypt --key short_key.txt random.bin x.crc
printf '%s' "${KEY_DIGITS:0:765}001" > bad_key.txt
expect_error "$TOOL" crypt --key bad_key.txt random.bin x.crc
expect_error "$TOOL" crypt --key
printf 'abc' > tiny.crc
expect_error "$TOOL" decrypt tiny.crc tiny.out

# --- scrambling ---------------------------------------------------------
expect_ok "$TOOL" scramble Build01 'DOM\Alice' '' 's3cr3t$'
S=$(cat out.txt)
expect_ok "$TOOL" unscramble build01 'dom/alice' '' "$S"
[ "$(cat out.txt)" = 's3cr3t$' ] || fail "unscramble: $(cat out.txt)"
expect_ok "$TOOL" scramble m u extra pw
S=$(cat out.txt)
expect_ok "$TOOL" unscramble m u extra "$S"
[ "$(cat out.txt)" = pw ] || fail "unscramble with extra"
expect_error "$TOOL" scramble m u '' 'has blank'
expect_ok "$TOOL" passkey Host1 user1 pw1 '/depot dir/in'
P=$(cat out.txt)
expect_ok "$TOOL" unpasskey "$P"
[ "$(cat out.txt)" = 'host1 user1 pw1 /depot dir/in' ] || fail "unpasskey: $(cat out.txt)"
expect_error "$TOOL" passkey 'two words' u p d
expect_error "$TOOL" unpasskey ''

# --- extraction and inspection of a packet built here --------------------
SECTIONS="ELEMENT_BEGIN
Name 5:a.txt
VERSION_BEGIN
VersionId 6:main/1
ExtractFile 8:zeb.0001
VERSION_END
VERSION_BEGIN
VersionId 6:main/2
ExtractFile 8:zeb.0002
VERSION_END
ELEMENT_END
${M}element * \\main\\LATEST
element /vobs/x/... -none
${M}l:west;D:vob;V:12.0;n:branch;${M}POST>m|REL1|a.txt@@/main/1|>${M}DESTROY>rmelem.f|old.txt>${M}a.txt|alice|staff|rw-r--r--;"
printf '%s' "$SECTIONS$M$M" > pkt.crxi
printf '%s' "${M}first version${M}second
version${M}" > pkt.crxi_1
mkdir -p x1
expect_ok "$TOOL" extract pkt.crxi x1
[ -f pkt.crxi ] && [ -f pkt.crxi_1 ] || fail "extract deleted its inputs"
for f in unorm receiver.cs pre post dhist nele zeb.0000 zeb.0001 zeb.0002; do
    [ -f "x1/$f" ] || fail "extract wrote no $f"
done
[ -s x1/zeb.0000 ] && fail "zeb.0000 is empty"
[ "$(cat x1/zeb.0001)" = "first version" ] || fail "zeb.0001"
[ "$(cat x1/zeb.0002)" = $'second\nversion' ] || fail "zeb.0002"
[ -e x1/zeb.0003 ] && fail "no data file after the final marker"
grep -q -- '-none' x1/receiver.cs && fail "-none line kept in the config spec"
grep -q '^element \* /main/LATEST$' x1/receiver.cs || fail "backslashes turned into slashes"
[ "$(cat x1/pre)" = 'l:west;D:vob;V:12.0;n:branch;' ] || fail "pre: $(cat x1/pre)"
expect_error "$TOOL" extract missing.xtar x2

# The packet as it travels: compressed and encrypted head and part.
expect_ok "$TOOL" compress-head pkt.crxi pkt.crz /vobs/dst /vobs/dst -
expect_ok "$TOOL" compress-part pkt.crxi_1 pkt.crz_1
expect_ok "$TOOL" crypt pkt.crz epoc.001.west.east.crc
expect_ok "$TOOL" crypt pkt.crz_1 epoc.001.west.east.crc_1
expect_ok "$TOOL" inspect epoc.001.west.east.crc
for want in 'destination VOB:     /vobs/dst' '  l:west' '  V:12.0' 'elements:            1' \
            'versions:            2' 'data files:          3 (27 bytes)' 'label/attribute records: 1' \
            'removal/lock records:    1' 'new elements:        1' '  a.txt@@/main/1' '  a.txt@@/main/2'; do
    grep -qxF -- "$want" out.txt || fail "inspect summary lacks '$want': $(cat out.txt)"
done
[ -f epoc.001.west.east.crc ] && [ -f epoc.001.west.east.crc_1 ] || fail "inspect deleted the packet"
expect_ok "$TOOL" inspect epoc.001.west.east.crc kept
[ -f kept/zeb.0002 ] && [ -f kept/unorm ] || fail "inspect with OUTDIR keeps the extraction"
# A reused directory: leftovers of an earlier look are not counted.
printf 'stale' > kept/zeb.0009
expect_ok "$TOOL" inspect epoc.001.west.east.crc kept
grep -qxF 'data files:          3 (27 bytes)' out.txt || fail "stale data file counted: $(cat out.txt)"
expect_error "$TOOL" inspect --key other_key.txt epoc.001.west.east.crc
expect_error "$TOOL" inspect no_such_packet.crc

# A deployment packet: no empty data file, files paired with "F:" lines.
printf '%s' "D:lib
F:lib/a.txt
F:b.txt
${M}element * /main/LATEST
${M}l:west;D:flat;B:/srv/deploy;V:12.0;n:main;${M}NONE>${M}NONE>${M}${M}" > dep.crxi
printf '%s' "${M}alpha${M}beta${M}" > dep.crxi_1
expect_ok "$TOOL" compress-head dep.crxi dep.crz /vobs/src - /srv/deploy
expect_ok "$TOOL" compress-part dep.crxi_1 dep.crz_1
expect_ok "$TOOL" crypt dep.crz dep.crc
expect_ok "$TOOL" crypt dep.crz_1 dep.crc_1
expect_ok "$TOOL" inspect dep.crc depx
for want in 'deployment location: /srv/deploy' '  B:/srv/deploy' 'data files:          2 (9 bytes)' \
            '  F:lib/a.txt' '  F:b.txt' '  D:lib' 'label/attribute records: 0'; do
    grep -qxF -- "$want" out.txt || fail "deployment summary lacks '$want': $(cat out.txt)"
done
[ "$(cat depx/zeb.0000)" = alpha ] && [ "$(cat depx/zeb.0001)" = beta ] || fail "deployment data files"

if [ "$FAILS" -ne 0 ]; then
    echo "$FAILS check(s) failed"
    exit 1
fi
echo "all packet tool checks passed"

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
# A failed decode leaves nothing that could pass for its result, not even
# over an earlier output of the same name.
head -c 67 head.z > truncated.z  # the header and a count without its byte
expect_error "$TOOL" uncompress-head truncated.z truncated.out
grep -q 'a count without its byte' err.txt || fail "truncation reason: $(cat err.txt)"
printf 'earlier result' > stale.out
expect_error "$TOOL" uncompress-head truncated.z stale.out
for f in damaged.out nohead.out truncated.out stale.out; do
    [ -e "$f" ] && fail "a failed decode left $f behind"
done

# Outputs and the private copy of an input are never written through a link
# planted at their names, nor is the link's target re-moded.
mkdir -p elsewhere
printf 'precious' > elsewhere/victim
chmod 644 elsewhere/victim
ln -s "$T/elsewhere/victim" planted.z.vandrel_packet_in
ln -s "$T/elsewhere/victim" planted.z
expect_ok "$TOOL" compress-head head.in planted.z /vobs/dst /vobs/dst -
ln -s "$T/elsewhere/victim" planted_part.z
expect_ok "$TOOL" compress-part runs.bin planted_part.z
[ "$(cat elsewhere/victim)" = precious ] || fail "a planted link was written through"
[ "$(stat -c %a elsewhere/victim)" = 644 ] || fail "a planted link's target was re-moded"
[ -L planted.z ] || [ -L planted_part.z ] && fail "the outputs did not replace the links"
expect_ok "$TOOL" uncompress-head planted.z planted.back
cmp -s head.in planted.back || fail "round trip through a replaced link"
expect_ok "$TOOL" uncompress-part planted_part.z planted_part.back
cmp -s runs.bin planted_part.back || fail "part round trip through a replaced link"
# No temporary file outlives a command.
[ -z "$(ls -A | grep '^\.')" ] || fail "temporary files left: $(ls -A | grep '^\.')"

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
# A failed extraction takes back what it wrote: no section file, no data file
# and no copy of the archive stays in the directory.
printf '%s' "${SECTIONS%%${M}l:west*}" > damaged.crxi
printf '%s' "${M}first version${M}" > damaged.crxi_1
expect_error "$TOOL" extract damaged.crxi x3
grep -q 'the head file ends in section 2 of 6' err.txt || fail "damaged head reason: $(cat err.txt)"
[ -z "$(ls -A x3)" ] || fail "a failed extraction left: $(ls -A x3)"

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
# A look that fails halfway leaves none of its stages in OUTDIR.
expect_error "$TOOL" inspect --key other_key.txt epoc.001.west.east.crc failed_look
[ -z "$(ls -A failed_look)" ] || fail "a failed look left: $(ls -A failed_look)"
expect_ok "$TOOL" compress-head damaged.crxi damaged.crz /vobs/dst /vobs/dst -
expect_ok "$TOOL" crypt damaged.crz damaged.crc
expect_error "$TOOL" inspect damaged.crc failed_look
[ -z "$(ls -A failed_look)" ] || fail "a failed extraction in a look left: $(ls -A failed_look)"

# A deployment packet as the shipper writes it: no empty data file, files
# paired with "F:" lines, and with parts the head ends right after section 6.
printf '%s' "D:lib
F:lib/a.txt
F:b.txt
${M}element * /main/LATEST
${M}l:west;D:flat;B:/srv/deploy;V:12.0;n:main;${M}NONE>${M}NONE>${M}" > dep.crxi
printf '%s' "${M}alpha${M}beta${M}" > dep.crxi_1
expect_ok "$TOOL" extract dep.crxi depx_plain
[ "$(cat depx_plain/zeb.0000)" = alpha ] && [ "$(cat depx_plain/zeb.0001)" = beta ] || fail "deployment extract"
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

# A deployment packet without parts, whose listing holds paths that leave the
# deployment directory and whose text carries terminal escape sequences: every
# entry is shown, those that leave are marked, control characters escaped.
ESC=$'\x1b'
printf '%s' "D:lib
F:lib/a.txt
F:../../etc/cron.d/evil
D:/tmp
F:b${ESC}[2Jc.txt
${M}element * /main/LATEST
${M}l:we${ESC}[8mst;D:flat;B:/srv/deploy;V:12.0;n:main;${M}NONE>${M}NONE>${M}${M}" > hostile.crxi
expect_ok "$TOOL" compress-head hostile.crxi hostile.crz "/vobs/src${ESC}[31m" - /srv/deploy
expect_ok "$TOOL" crypt hostile.crz hostile.crc
expect_ok "$TOOL" inspect hostile.crc
LEAVES='   <- leaves the deployment directory'
for want in 'destination VOB:     /vobs/src\x1b[31m' '  l:we\x1b[8mst' '  D:lib' '  F:lib/a.txt' \
            "  F:../../etc/cron.d/evil$LEAVES" "  D:/tmp$LEAVES" '  F:b\x1b[2Jc.txt'; do
    grep -qxF -- "$want" out.txt || fail "hostile summary lacks '$want': $(cat -v out.txt)"
done
grep -q "$ESC" out.txt && fail "an escape character reached the terminal: $(cat -v out.txt)"
[ "$(grep -c "$LEAVES" out.txt)" -eq 2 ] || fail "only the two leaving entries are marked"
expect_ok "$TOOL" uncompress-head hostile.crz hostile.back
[ "$(sed -n 1p out.txt)" = '/vobs/src\x1b[31m' ] || fail "uncompress-head field not escaped: $(cat -v out.txt)"
# Packet text quoted in an error line is escaped as well.
printf '%s' "e
${M}element * /main/LATEST
${M}l:west;x${ESC}]2;${M}NONE>${M}NONE>${M}${M}" > badrec.crxi
expect_ok "$TOOL" compress-head badrec.crxi badrec.crz /vobs/src - /srv/deploy
expect_ok "$TOOL" crypt badrec.crz badrec.crc
expect_error "$TOOL" inspect badrec.crc
grep -qF 'x\x1b]2' err.txt || fail "the malformed record is not shown escaped: $(cat -v err.txt)"
grep -q "$ESC" err.txt && fail "an escape character reached the terminal: $(cat -v err.txt)"

if [ "$FAILS" -ne 0 ]; then
    echo "$FAILS check(s) failed"
    exit 1
fi
echo "all packet tool checks passed"

# shellcheck shell=bash
# Shared helpers of the integration scripts that check with "ok   - " and
# "FAIL - " lines (tests/<group>/*_itest.sh, run with BUILD_DIR, SRC_DIR and
# TEST_TMP set). Sourcing it only defines functions; a script calls
# itest_begin first and itest_finish last:
#
#   source "$SRC_DIR/tests/support/itest_lib.sh"
#   itest_begin
#   check "what is checked" contains out.txt "expected text"
#   itest_finish
#
# The scripts that run inside ccsandbox keep tests/clearcase/lib.sh and its
# fail/eq/finish style; itest_sandbox sources it for the two-site scripts.
# Names that lib.sh defines (die, fail, ok, eq, finish, has_file, no_file)
# are not defined here, so both can be sourced into one script.

# itest_begin: a fresh, empty $TEST_TMP as the working directory, no failure yet; BIN, PACKET set.
itest_begin() {
  # shellcheck disable=SC2034 # for the calling script
  BIN="$BUILD_DIR/bin"
  # shellcheck disable=SC2034 # for the calling script
  PACKET="$BIN/vandrel_packet"
  rm -rf "$TEST_TMP"
  mkdir -p "$TEST_TMP"
  cd "$TEST_TMP" || exit 1
  failures=0
}

# itest_skip_unless_empty MISSING: when MISSING is not empty, prints "skipped: MISSING" and exits 77 (a CTest skip).
itest_skip_unless_empty() {
  [ -z "$1" ] && return 0
  echo "skipped: $1"
  exit 77
}

# itest_need_lftp: stops the script as failed (exit 1) where lftp is not installed: these scripts are not skipped for want of it.
itest_need_lftp() {
  command -v lftp > /dev/null && return 0
  echo "lftp is not installed (scripts/setup.sh)"
  exit 1
}

# check DESCRIPTION COMMAND...: runs COMMAND; prints "ok   - DESCRIPTION" or "FAIL - DESCRIPTION" and counts the failure.
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

# itest_finish: prints the number of failures and exits 0 when there is none, 1 otherwise.
itest_finish() {
  echo "$failures failure(s)"
  [ "$failures" -eq 0 ] && exit 0
  exit 1
}

# contains FILE TEXT: FILE holds TEXT (a fixed string).
contains() { grep -qF -- "$2" "$1"; }
# lacks FILE TEXT: FILE does not hold TEXT (a fixed string).
lacks() { ! grep -qF -- "$2" "$1"; }
# absent PATH: nothing of that name exists (a dangling link counts as absent, as with test -e).
absent() { [ ! -e "$1" ]; }
# empty_dir DIR: DIR holds no entry, hidden ones included.
empty_dir() { [ -z "$(ls -A "$1")" ]; }
# count_files DIR: prints how many files and directories are below DIR.
count_files() { find "$1" -mindepth 1 | wc -l; }
# framed_text FILE: the program's words stand between the "--- begin ... shipping errors" and "--- end shipping errors" lines.
framed_text() {
  awk '/^--- begin .*shipping errors/ {on = 1; next} /^--- end shipping errors/ {on = 0} on && NF {n++} END {exit n ? 0 : 1}' "$1"
}

# fake_program FILE: writes standard input to FILE (its directory created) and makes it executable.
fake_program() {
  mkdir -p "$(dirname "$1")" && cat > "$1" && chmod +x "$1"
}

# fake_cleartool: $TEST_TMP/fakebin/cleartool, first on PATH, answers the start-up calls (-ver, lsview, startview) and fails the rest.
fake_cleartool() {
  fake_program "$TEST_TMP/fakebin/cleartool" <<'EOS'
#!/bin/sh
case "$1" in -ver|lsview|startview) exit 0 ;; esac
exit 1
EOS
  export PATH="$TEST_TMP/fakebin:$PATH"
}

# shipper_depot DEPOT [BAY_DIR...]: sets D and B (DEPOT/m_bay) and creates the shipper's depot directories, plus each BAY_DIR under B.
shipper_depot() {
  local dir
  D=$1
  B=$D/m_bay
  mkdir -p "$D/daemon" "$B/_ship_out" "$B/_hold_out" "$B/epocs" "$B/logs" "$B/config/hostmaps" "$B/config/config_specs" || exit 1
  shift
  for dir in "$@"; do mkdir -p "$B/$dir" || exit 1; done
}

# write_shipper_conf FILE TRANSPORT_PROGRAM [LINE...]: a shipper configuration for location siteA (shipper_id the current user, view ship_view, UTC_offset +0), then the LINEs.
write_shipper_conf() {
  local file=$1 program=$2
  shift 2
  {
    printf '%s\n' "shipper_id=$(id -un)" view=ship_view location_name=siteA "transport_program=$program" UTC_offset=+0
    [ $# -eq 0 ] || printf '%s\n' "$@"
  } > "$file"
}

# write_hostmap FILE MACHINE USER PASSWORD DIRECTORY: FILE holds the bracketed passkey of that connection record.
write_hostmap() {
  echo "[$("$BUILD_DIR/bin/vandrel_packet" passkey "$2" "$3" "$4" "$5")]" > "$1"
}

# make_package DIR BASE EXTRA_PARTS [old]: random data parts (PART_BYTES, default 500, plus the part's number) and a trailer with the integrity line (with "old", without it).
make_package() {
  local dir=$1 base=$2 n=$3 i name line="sha256 $3"
  for ((i = 0; i <= n; i++)); do
    name="$dir/$base.crc"
    [ "$i" -gt 0 ] && name="${name}_$i"
    head -c $((${PART_BYTES:-500} + i)) /dev/urandom > "$name"
    line="$line $(sha256sum "$name" | cut -d' ' -f1)"
  done
  if [ "${4:-}" = old ]; then
    printf '10-Dec-2026.1:2:3 UTC +0\n<vob>\n[3]\n' > "$dir/$base.pack"
  else
    printf '10-Dec-2026.1:2:3 UTC +0\n<vob>\n[3]\n%s\n' "$line" > "$dir/$base.pack"
  fi
}

# same_package A_DIR B_DIR BASE EXTRA_PARTS: both directories hold the same data parts and trailer of package BASE.
same_package() {
  local i name
  for ((i = 0; i <= $4; i++)); do
    name="$3.crc"
    [ "$i" -gt 0 ] && name="${name}_$i"
    cmp -s "$1/$name" "$2/$name" || return 1
  done
  cmp -s "$1/$3.pack" "$2/$3.pack"
}

# relay_dirs_init: names the relay's remote ($R) and local ($L) directories and exports a private, empty TMPDIR for its work files.
relay_dirs_init() {
  export TMPDIR="$TEST_TMP/tmp"
  mkdir -p "$TMPDIR" || exit 1
  R="$TEST_TMP/remote"
  L="$TEST_TMP/local"
}

# fresh_relay_dirs: empty remote ($R), local ($L) and $TEST_TMP/keep directories for a relay case.
fresh_relay_dirs() {
  rm -rf "$R" "$L" "$TEST_TMP/keep"
  mkdir -p "$R" "$L" "$TEST_TMP/keep"
}

# loopback_begin: SERVERS (tests/support/loopback_servers.sh) and S, the directory of this script's servers, all stopped on exit; skips (77) where a client or server is missing.
loopback_begin() {
  SERVERS="$SRC_DIR/tests/support/loopback_servers.sh"
  itest_skip_unless_empty "$("$SERVERS" needs)"
  S="$TEST_TMP/servers"
  trap '"$SERVERS" stop "$S"' EXIT
}

# itest_sandbox [DEMO_LIB...]: a fresh $TEST_TMP, then tests/clearcase/lib.sh (which re-runs the script inside ccsandbox), then scripts/demo/DEMO_LIB.sh for each name.
itest_sandbox() {
  local libs=("$@") lib
  # lib.sh re-runs "$0" with the positional parameters it sees: here the
  # function's, so they are cleared; the calling scripts take no arguments.
  set --
  [ -n "${IN_CCSANDBOX:-}" ] || rm -rf "${TEST_TMP:?}"
  source "$SRC_DIR/tests/clearcase/lib.sh"
  for lib in "${libs[@]}"; do
    [ -r "$SRC_DIR/scripts/demo/$lib.sh" ] || die "cannot read scripts/demo/$lib.sh"
    # shellcheck source=/dev/null
    source "$SRC_DIR/scripts/demo/$lib.sh"
  done
}

# itest_make_sites: the demonstration's two sites under $TEST_TMP/sites (inside the sandbox, after itest_sandbox sites_lib).
itest_make_sites() {
  sites_init "$TEST_TMP/sites"
  make_sites > "$TEST_TMP/make.out" 2>&1 || die "make_sites: $(cat "$TEST_TMP/make.out")"
}

# itest_replicate WHAT: waits for B to confirm the packet that carries WHAT (B's confirmation differs from $mark), compares the two VOBs, checks that no shipping request of A is left, and keeps B's new confirmation in $mark (after itest_sandbox sites_lib chain_lib).
itest_replicate() {
  wait_for_confirmation 60 "$mark" > "$TEST_TMP/wait.out" 2>&1 \
    || die "$1 was not replicated: $(cat "$TEST_TMP/wait.out")"
  compare_sites > "$TEST_TMP/cmp.out" 2>&1 || fail "after $1 the VOBs differ: $(head -n 20 "$TEST_TMP/cmp.out")"
  [ -e "$DEPOT_A/m_bay/_ship_out/mship.$NNN.$LOC_B" ] && fail "after $1 a shipping request is left"
  mark=$(confirmation_mark)
}

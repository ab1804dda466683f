#!/bin/bash
# The shipping pass up to the export: requests that are refused (and which
# of them stay), the VOB and view checks, the pre-ship trigger, the export
# view's config spec, test runs, and two shipper classes racing for one
# request. Each failure is checked against the post-ship trigger it runs.
source "$SRC_DIR/tests/shipping_pass/pass_lib.sh"
KEY='1>/vobs/src>>.>/vobs/dst>.>siteB>hold'
P=mship.001.siteB.siteA

# No request: nothing happens.
make_depot
conf -- "$KEY"
once
no_text "Processing (" "$LOGS/shipper_all.txt"
eq "" "$(post_runs)" "post-ship runs without a request"

# Refused requests (text, message, whether the request stays; separated by
# "#", a character no scrambled text holds): no post-ship run.
now=$(date +%s)
while IFS='#' read -r text message stays; do
    make_depot
    conf -- "$KEY"
    request "$text"
    once
    has_text "$message" "$LOGS/shipper_errors.txt"
    has_text "Completed with error (mship.001.siteB)" "$LOGS/shipper_all.txt"
    if [ "$stays" = stays ]; then has_file "$REQ"; else no_file "$REQ"; fi
    eq "" "$(post_runs)" "post-ship runs for: $message"
    no_file "$E.bld"
    no_file "$D/daemon/reading.001.siteB.siteA.readlock"
done <<EOT
#-- package header empty or corrupt. Pass Aborted... ($P)#stays
$(scrambled "$DBID") VLso_12.1_l#-- package header empty or corrupt. Pass Aborted... ($P)#stays
a b c d#-- package header corrupt. #stays
$(scrambled "${DBID}x") VLso_12.1_l $(scrambled "${now}_l")#-- package not made with compatible Quorlin version. Pass Aborted... ($P)#gone
$(scrambled "$DBID") VLso_12.1_l $(scrambled 1113437876_l)#-- package is very stale or corrupt, appears to be created before the vandrel_shipper epoc.  Pass Aborted... ($P)#gone
$(scrambled "$DBID") VLso_12.1_l $(scrambled "$((now + 3600))_l")#-- package is too fresh or corrupt.  Sync clocks between location (siteA) and (siteB). Pass Aborted... ($P)#gone
EOT

# A VOB that does not carry the trigger types, and one that is not there.
make_depot
cleartool mkvob -tag /vobs/bare -nc /store/bare.vbs >/dev/null || die "mkvob"
conf -- '1>/vobs/bare>>.>/vobs/dst>.>siteB>hold'
printf '%s VLso_12.1_l %s' "$(scrambled "$(cleartool describe -fmt %On vob:/vobs/bare)")" \
    "$(scrambled "$(date +%s)_l")" > "$REQ"
once
has_text "-- Quorlin not applied to VOB (/vobs/bare) Pass Aborted..." "$LOGS/shipper_errors.txt"
eq "" "$(post_runs)" "post-ship runs after the trigger type check"
make_depot
conf -- '1>/vobs/gone>>.>/vobs/dst>.>siteB>hold'
request
once
has_text "-- Failed to get dbid for VOB (/vobs/gone). Pass Aborted... ($P)" "$LOGS/shipper_errors.txt"

# The pre-ship trigger refuses: the request is consumed, no post-ship run.
make_depot
printf '#!/bin/sh\nexit 1\n' > "$BAY/_triggers/pre.sh"
chmod +x "$BAY/_triggers/pre.sh"
conf pre_ship_trigger=pre.sh -- "$KEY"
request
once
has_text "Denied by pre_ship trigger... Packet building skipped... " "$LOGS/shipper_all.txt"
no_file "$REQ"
eq "" "$(post_runs)" "post-ship runs after the pre-ship refusal"

# Config specs: refused ones fail the pass with the post-ship trigger (NOK)
# and leave the view's config spec alone.
cleartool setcs -tag exp <(printf 'element * /main/0\n') || die "setcs"
while IFS='|' read -r spec message; do
    make_depot
    conf -- "$KEY"
    printf '%b' "$spec" > "$BAY/config/config_specs/001.cs"
    request
    once
    has_text "$message" "$LOGS/shipper_errors.txt"
    eq "NOK $P" "$(post_runs)" "post-ship run for: $message"
    eq "element * /main/0" "$(cleartool catcs -tag exp)" "config spec after: $message"
done <<EOT
element * CHECKEDOUT\\\\nelement * /main/LATEST\\\\n|failed ctar on step 4 ($BAY/config/config_specs/001.cs) - config spec. contains illegal CHECKEDOUT rule
include /x.cs\\\\n|failed ctar on step 4 ($BAY/config/config_specs/001.cs) - config spec. contains illegal include rule
element * /main/LATEST -time now\\\\n|failed ctar on step 4 ($BAY/config/config_specs/001.cs) - config spec. contains illegal -time selector
# x\\\\n|-- Required view (exp) could not set required config. spec.  Pass Aborted...
EOT
make_depot
conf -- "$KEY"
rm "$BAY/config/config_specs/001.cs"
request
once
has_text "-- Required view (exp) could not set required config. spec.  Pass Aborted..." "$LOGS/shipper_errors.txt"

# A good config spec is set without comments and with -nocheckout blanked.
make_depot
conf -- "$KEY"
printf '# element * CHECKEDOUT\nelement * /main/LATEST -nocheckout\n' > "$BAY/config/config_specs/001.cs"
request
once
eq "element * /main/LATEST" "$(cleartool catcs -tag exp | sed 's/ *$//')" "config spec set"
ls "$OUT" | grep -q '^__vl_' && fail "edited config spec left behind: $(ls "$OUT")"

# Failures after the config spec is set run the post-ship trigger (NOK):
# no host map, a replication directory that is not there, a top directory
# that is a symbolic link.
cd /view/dev/vobs/src
ct checkout -nc . >/dev/null
ct ln -s . top_link >/dev/null
ct checkin -nc . >/dev/null
cd /
while IFS='#' read -r key message; do
    make_depot
    conf -- "$key"
    request
    once
    has_text "$message" "$LOGS/shipper_errors.txt"
    eq "NOK $P" "$(post_runs)" "post-ship run for: $message"
    no_file "$E.bld"
done <<EOT
1>/vobs/src>>.>/vobs/dst>.>siteB#-- communication parmeters not read for ($P) siteB
1>/vobs/src>>nodir>/vobs/dst>.>siteB>hold#-- replication directory (/view/exp/vobs/src/nodir) does not exist for ($P) siteB
1>/vobs/src>>top_link>/vobs/dst>.>siteB>hold#-- top replication directory (/view/exp/vobs/src/top_link) is an illegal symbolic link ($P) siteB
EOT

# A test run checks the request and the VOB but builds nothing and keeps
# the request.
make_depot
conf -- "$KEY"
request
vandrel_shipper "$D" -test_once -wait > "$TEST_TMP/out" 2>&1
has_text "TEST ONLY: ====== Would process appropiate packet ====== ..." "$LOGS/shipper_all.txt"
has_text "Processing (mship.001.siteB from siteA)" "$LOGS/shipper_all.txt"
has_file "$REQ"
eq "" "$(post_runs)" "post-ship runs in a test run"

# Two shipper classes race for one request: exactly one takes it.
make_depot
for c in 1 2; do CONF_FILE=shipper_$c.conf conf -- "$KEY"; done
request
vandrel_shipper "$D" -once 1 -wait > "$TEST_TMP/out1" 2>&1 &
vandrel_shipper "$D" -once 2 -wait > "$TEST_TMP/out2" 2>&1 &
wait
eq 1 "$(cat "$LOGS"/shipper_all_[12].txt | grep -c 'Processing (mship.001.siteB from siteA)')" "passes that took the request"
eq 1 "$(cat "$LOGS"/shipper_all_[12].txt | grep -c 'Completed (mship.001.siteB)')" "packets built"
has_file "$H.pack"
no_file "$REQ"
no_file "$D/daemon/reading.001.siteB.siteA.readlock"

finish

# Label, attribute, type, lock and removal requests against real VOBs of the
# substitute, inside ccsandbox.
source "$SRC_DIR/tests/clearcase/lib.sh"
export TEST_TMP
"$BUILD_DIR/tests/receiver_metadata/receiver_metadata_vob_requests" || fail "request tests"
finish

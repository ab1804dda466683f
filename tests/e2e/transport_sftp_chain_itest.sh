#!/bin/bash
# The whole chain through sftp: site A's shipper runs the OpenSSH wrapper of
# contrib/transport (found by its name "sftp...", configured by the file
# beside it) against a throwaway sshd on 127.0.0.1 and a free port, logging
# in by key. The first history and the later changes reach site B, which
# confirms each; both VOBs agree, both daemons stop on request, no error is
# logged and nothing but the confirmation stays in B's receiving directory.
# Skipped (exit 77, "skipped:") where sshd, the sftp client or root is missing.
#
# By hand:
#   BUILD_DIR=build SRC_DIR=. TEST_TMP=/tmp/sftp-chain bash tests/e2e/transport_sftp_chain_itest.sh
set -u
source "$SRC_DIR/tests/support/itest_lib.sh"
source "$SRC_DIR/scripts/demo/sftp_lib.sh"
lacking=$(sftp_missing)
itest_skip_unless_empty "${lacking:+needs $lacking (scripts/setup.sh installs the packages)}"
itest_sandbox sites_lib chain_lib
source "$SRC_DIR/tests/e2e/transport_chain_lib.sh"

sftp_chain 127.0.0.1
finish

#!/bin/bash
# Builds the two replication sites of the demonstration below ROOT: site A
# (a VOB with history and triggers, the shipper's depot) and site B (the
# receiving VOB, the import view, the receiver's depot). It must run inside
# ccsandbox, whose VOBs and views vanish when the sandbox ends, e.g.
#
#   build/clearcase/bin/ccsandbox bash -c 'scripts/demo/make_sites.sh /tmp/sites && ...'
#
# BUILD_DIR (default: build) and SRC_DIR (default: this checkout) name the
# build and source trees.
set -u
here=$(cd "$(dirname "$0")" && pwd)
SRC_DIR=${SRC_DIR:-$(cd "$here/../.." && pwd)}
BUILD_DIR=${BUILD_DIR:-$SRC_DIR/build}
export SRC_DIR BUILD_DIR

if [ $# -ne 1 ]; then
    echo "usage: make_sites.sh ROOT   (inside ccsandbox)" >&2
    exit 2
fi
if [ -n "${VANDREL_CCSUB_HOME:-}" ] || ! mountpoint -q /view 2> /dev/null; then
    echo "make_sites: run me inside $BUILD_DIR/clearcase/bin/ccsandbox" >&2
    exit 2
fi
source "$SRC_DIR/scripts/demo/sites_lib.sh"
sites_init "$1"
make_sites || { echo "make_sites: the sites could not be built" >&2; exit 1; }
cat <<EOT
site $LOC_A: VOB $VOB_A (views $VIEW_A_WORK, $VIEW_A), depot $DEPOT_A
site $LOC_B: VOB $VOB_B (view $VIEW_B), depot $DEPOT_B, receiving directory $INTAKE_B
shipping requests: $(cd "$DEPOT_A/m_bay/_ship_out" && ls mship.* 2> /dev/null | tr '\n' ' ')
EOT

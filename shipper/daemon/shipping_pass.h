// The per-VOB shipping pass, entered once per VOB key line and receiving
// location on every pass of the service loop.
#pragma once

#include <string>

// Builds and sends (or holds) one packet when the shipping request
// mship.<NNN>.<location> exists. Returns 1 when the pass completed or there
// was nothing to do, 0 when it failed or another shipper process holds the
// request (then SHIPPER.LOST_RACE is set). Releases the request lock, and
// sleeps one second after a packet was built (SHIPPER.PACKET_BUILT), so that
// the next packet's time stamps differ; a pass without a request does not
// sleep.
int make_package_if_reqired(int vob_id, const std::string& vob_tag, const std::string& destination,
                            const std::string& orig_portion, const std::string& dest_portion,
                            const std::string& location, bool is_deployment);

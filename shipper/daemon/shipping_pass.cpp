#include "shipper/daemon/shipping_pass.h"

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/daemon/shipper_state.h"

std::string shipping_request_path(int vob_id, const std::string& location) {
    return fmt_msg("%s/mship.%03d.%s", SHIP_DIR.c_str(), vob_id, location.c_str());
}

namespace {

// The pass itself. Not built yet: a request found is reported and left in
// place for a shipper that builds packets.
int _make_package_if_reqired(int vob_id, const std::string& /*vob_tag*/, const std::string& /*destination*/,
                             const std::string& /*orig_portion*/, const std::string& /*dest_portion*/,
                             const std::string& location, bool /*is_deployment*/) {
    if (!this_file_exists(shipping_request_path(vob_id, location))) return 1;
    log_it('e', fmt_msg("-- packet building not available in this shipper: request (mship.%03d.%s) left in place",
                        vob_id, location.c_str()));
    return 0;
}

}  // namespace

int make_package_if_reqired(int vob_id, const std::string& vob_tag, const std::string& destination,
                            const std::string& orig_portion, const std::string& dest_portion,
                            const std::string& location, bool is_deployment) {
    SHIPPER.LOST_RACE = false;
    SHIPPER.PACKET_BUILT = false;
    SHIPPER.PACKET_END_STATUS = "NOK";
    int result =
        _make_package_if_reqired(vob_id, vob_tag, destination, orig_portion, dest_portion, location, is_deployment);
    release_and_remove_temp_lock();
    // Packet time stamps have a one-second grain: the next packet must not
    // share this one's second. A pass with nothing to do costs no sleep.
    if (result == 1 && SHIPPER.PACKET_BUILT) zeb_sleep(1);
    return result;
}

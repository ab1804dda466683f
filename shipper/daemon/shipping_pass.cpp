#include "shipper/daemon/shipping_pass.h"

#include "common/depot.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/daemon/shipper_state.h"

std::string shipping_request_path(int vob_id, const std::string& location) {
    return fmt_msg("%s/mship.%03d.%s", SHIP_DIR.c_str(), vob_id, location.c_str());
}

int make_package_if_reqired(int vob_id, const std::string& /*vob_tag*/, const std::string& /*destination*/,
                            const std::string& /*orig_portion*/, const std::string& /*dest_portion*/,
                            const std::string& location, bool /*is_deployment*/) {
    SHIPPER.LOST_RACE = false;
    SHIPPER.PACKET_END_STATUS = "NOK";
    if (!this_file_exists(shipping_request_path(vob_id, location))) return 1;
    // Packet building is not part of this shipper yet: the request is left
    // for a shipper that builds packets.
    log_it('e', fmt_msg("-- packet building not available in this shipper: request (mship.%03d.%s) left in place",
                        vob_id, location.c_str()));
    return 0;
}

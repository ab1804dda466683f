#include "shipper/daemon/start_banner.h"

#include "codecs/crypt.h"
#include "common/frame.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "shipper/daemon/shipper_state.h"

namespace {

const char* or_none(const std::string& value) {
    return value.empty() ? "(none)" : value.c_str();
}

}  // namespace

std::string start_banner(DaemonMode mode) {
    const shipper_config::ShipperSettings& s = SHIPPER.settings;
    std::string b = fmt_msg(START_PROCESS_HEADER, SHIPPER_SELF, VERSION, run_mode_words(mode));
    b += REQUIRED_SUBHEADER;
    b += fmt_msg(HEADER_STRING_VALUE, "view", s.EXPORT_VIEW.c_str());
    b += fmt_msg(HEADER_STRING_VALUE, "location_name", s.THIS_LOCATION.c_str());
    b += fmt_msg(HEADER_STRING_VALUE, "UTC_offset", s.UTC_OFFSET.c_str());
    b += fmt_msg(HEADER_STRING_VALUE, "shipper_id", s.IMPORT_ID.c_str());
    b += fmt_msg(HEADER_INT_VALUE, "duration", s.DURATION);
    b += OPTIONAL_SUBHEADER;
    b += fmt_msg(HEADER_STRING_VALUE, "transport_program", s.TRANSPORT_PROGRAM.c_str());
    b += fmt_msg(HEADER_INT_VALUE, "transport_time_limit", s.TRANSPORT_TIME_LIMIT);
    b += fmt_msg(HEADER_STRING_VALUE, "pre_ship_trigger", or_none(s.pre_ship.name));
    b += fmt_msg(HEADER_STRING_VALUE, "post_ship_trigger", or_none(s.post_ship.name));
    b += fmt_msg(HEADER_STRING_VALUE, "startup_trigger", or_none(s.startup.name));
    b += fmt_msg(HEADER_STRING_VALUE, "shutdown_trigger", or_none(s.shutdown.name));
    b += fmt_msg(HEADER_STRING_VALUE, "encryption", ENCRYPTION.USING_ENCRYPTION);
    b += fmt_msg(HEADER_STRING_VALUE, "duration_scale", s.DURATION_SCALE.c_str());
    b += fmt_msg(HEADER_INT_VALUE, "slink_scale", s.SLINK_SCALE);
    b += fmt_msg(HEADER_INT_VALUE, "postp_scale", s.POSTP_SCALE);
    b += fmt_msg(HEADER_STRING_VALUE, "shipper_class", or_none(SHIPPER.WHICH_SHIPPER_CONFIG));
    if (SHIPPER.is_main_shipper()) {
        for (int d = 0; d <= 9; ++d) {
            std::string name = fmt_msg("Shipper Class %d", d);
            bool on = s.DEFINED_ADDITIONAL_CLASSES.test(static_cast<std::size_t>(d));
            b += fmt_msg(HEADER_STRING_VALUE, name.c_str(), on ? "(enabled)" : "(disabled)");
        }
    }
    if (SHIPPER.VANDREL_SLINK_PROCESSING_OVERRIDE_ON) {
        b += UNDOCUMENTED_SUBHEADER;
        b += fmt_msg(HEADER_LONG_STRING_VALUE, "VANDREL_SLINK_PROCESSING_OVERRIDE", "(enabled)");
    }
    b += END_HEADER;
    return b;
}

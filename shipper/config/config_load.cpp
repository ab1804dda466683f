#include "shipper/config/config_load.h"

#include <cstdlib>

#include "codecs/key_file.h"
#include "common/cc_query.h"
#include "common/depot.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_messages.h"

namespace shipper_config {

LoadedConfig load_shipper_configuration(const char* program, const std::string& conf, const std::string& class_digit,
                                        const char* user, ShipperSettings& settings) {
    LoadedConfig loaded;
    FileText read = read_bounded_file(conf, SHIPPER_CONFIG_MAX);
    switch (read.status) {
        case ReadStatus::ok:
            break;
        case ReadStatus::missing:
            loaded.failure = fmt_msg(CONFIG_NOT_EXIST_MSG, START_FAILED, program, conf.c_str());
            return loaded;
        case ReadStatus::unreadable:
            loaded.failure = fmt_msg(CONFIG_CANNOT_READ_MSG, START_FAILED, program, conf.c_str());
            return loaded;
        case ReadStatus::empty:
            loaded.failure = fmt_msg(CONFIG_EMPTY_MSG, START_FAILED, program, conf.c_str());
            return loaded;
    }
    if (read.truncated) {
        loaded.warning =
            fmt_msg(CONFIG_TRUNCATED_MSG, "WARNING", program, conf.c_str(), static_cast<long>(SHIPPER_CONFIG_MAX));
        drop_partial_last_line(read.text);
    }
    loaded.kept = kept_lines(read.text);

    const char* spaces = std::getenv("ZEB_ONSITE_ALLOW_SPACES_IN_TRANSPORT_PROGRAM");
    SettingsContext context;
    context.program = program;
    context.config_path = conf;
    context.calculated_user = user;
    context.trigger_dir = TRIGGER_DIR;
    context.key_path = key_file_path(DEPOT, true, class_digit);
    context.class_file = !class_digit.empty();
    context.class_digit = class_digit.empty() ? 'x' : class_digit[0];
    context.allow_spaces_in_transport = spaces != nullptr && spaces[0] != '\0';
    context.check_view = [](const std::string& view) { return check_view(view); };
    loaded.failure = read_global_settings(loaded.kept, context, settings);
    return loaded;
}

}  // namespace shipper_config

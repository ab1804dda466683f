#include "shiptest/startup.h"

#include <cstdlib>

#include "codecs/key_file.h"
#include "common/cc_query.h"
#include "common/command.h"
#include "common/console_frame.h"
#include "common/depot.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "shipper/config/config_file.h"
#include "shipper/config/config_messages.h"
#include "shiptest/shiptest_messages.h"

ShiptestState SHIPTEST;

namespace {

constexpr int EXIT_DEPOT_TOO_LONG = 37;
constexpr int EXIT_NO_CLEARTOOL = 137;

bool env_set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

void read_configuration(const char* user) {
    using namespace shipper_config;
    const char* conf = SHIPTEST.CONF.c_str();
    FileText read = read_bounded_file(SHIPTEST.CONF, SHIPPER_CONFIG_MAX);
    switch (read.status) {
        case ReadStatus::ok:
            break;
        case ReadStatus::missing:
            print_and_bail(fmt_msg(CONFIG_NOT_EXIST_MSG, START_FAILED, SHIPTEST_SELF, conf).c_str());
        case ReadStatus::unreadable:
            print_and_bail(fmt_msg(CONFIG_CANNOT_READ_MSG, START_FAILED, SHIPTEST_SELF, conf).c_str());
        case ReadStatus::empty:
            print_and_bail(fmt_msg(CONFIG_EMPTY_MSG, START_FAILED, SHIPTEST_SELF, conf).c_str());
    }
    if (read.truncated) {
        print_it('w',
                 fmt_msg(CONFIG_TRUNCATED_MSG, "WARNING", SHIPTEST_SELF, conf, static_cast<long>(SHIPPER_CONFIG_MAX)));
        drop_partial_last_line(read.text);
    }
    SettingsContext context;
    context.program = SHIPTEST_SELF;
    context.config_path = SHIPTEST.CONF;
    context.calculated_user = user;
    context.trigger_dir = TRIGGER_DIR;
    context.key_path = key_file_path(DEPOT, true, SHIPTEST.line.class_digit);
    context.class_file = !SHIPTEST.is_main_shipper();
    context.class_digit = SHIPTEST.is_main_shipper() ? 'x' : SHIPTEST.line.class_digit[0];
    context.allow_spaces_in_transport = env_set("ZEB_ONSITE_ALLOW_SPACES_IN_TRANSPORT_PROGRAM");
    context.check_view = [](const std::string& view) { return check_view(view); };
    std::string failure = read_global_settings(kept_lines(read.text), context, SHIPTEST.settings);
    if (!failure.empty()) print_and_bail(failure.c_str());
}

}  // namespace

void check_depot_and_configuration(const char* user) {
    const ShiptestCommandLine& line = SHIPTEST.line;
    check_depot_length(line.depot, SHIPTEST_SELF, SHIPTEST_DAEMON_STEM, EXIT_DEPOT_TOO_LONG);
    if (Command(CLEARTOOL).arg("-ver").trash_all().run() != 0)
        print_and_exit(fmt_msg(SHIPTEST_NO_CLEARTOOL, START_FAILED, SHIPTEST_SELF), EXIT_NO_CLEARTOOL);
    set_depot(line.depot);
    walk_depot(shipper_depot_walk(SHIPTEST_SELF, false), SHIPTEST_SELF);
    walk_depot(shipper_depot_walk(SHIPTEST_SELF, true), SHIPTEST_SELF);
    SHIPTEST.CONF = CONF_DIR + (line.class_digit.empty() ? "/shipper.conf" : "/shipper_" + line.class_digit + ".conf");
    read_configuration(user);
    if (!verify_set_vl_tempdir())
        print_and_bail(fmt_msg(SHIPTEST_TMP_DENIED, START_FAILED, SHIPTEST_SELF, VL_TMP_DIR.c_str()).c_str());
}

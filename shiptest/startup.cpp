#include "shiptest/startup.h"

#include "common/cc_query.h"
#include "common/command.h"
#include "common/console_frame.h"
#include "common/depot.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "shipper/config/config_load.h"
#include "shiptest/shiptest_messages.h"

ShiptestState SHIPTEST;

namespace {

constexpr int EXIT_DEPOT_TOO_LONG = 37;
constexpr int EXIT_NO_CLEARTOOL = 137;

void read_configuration(const char* user) {
    shipper_config::LoadedConfig loaded = shipper_config::load_shipper_configuration(
        SHIPTEST_SELF, SHIPTEST.CONF, SHIPTEST.line.class_digit, user, SHIPTEST.settings);
    if (!loaded.warning.empty()) print_it('w', loaded.warning);
    if (!loaded.failure.empty()) print_and_bail(loaded.failure.c_str());
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

#include "shipper/daemon/startup.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "common/cc_query.h"
#include "common/command.h"
#include "common/daemon_control.h"
#include "common/depot.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/signals.h"
#include "common/text_format.h"
#include "shipper/config/config_load.h"
#include "shipper/daemon/command_line.h"
#include "shipper/daemon/service_loop.h"
#include "shipper/daemon/shipper_state.h"
#include "shipper/daemon/start_banner.h"

ShipperProcess SHIPPER;

namespace {

bool env_set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

void check_cleartool() {
    if (Command(CLEARTOOL).arg("-ver").trash_all().run() != 0)
        print_and_exit(fmt_msg("%s: cleartool not on %s proces path.  Check PATH variable for process.\n", START_FAILED,
                               SHIPPER_SELF),
                       137);
}

void create_log_files() {
    struct LogFile {
        const std::string* path;
        const char* name;
        int code;
    };
    const LogFileSet& f = LOG_FILES;
    const LogFile files[] = {{&f.LOG_FILE, "Shipping Logging File", 41},
                             {&f.ELOG_FILE, "Shipping Error Logging File", 42},
                             {&f.DLOG_FILE, "Shipping Deployment Logging File", 45},
                             {&f.WLOG_FILE, "Shipping Warning Logging File", 43},
                             {&f.TLOG_FILE, "Shipping TOC Logging File", 43},
                             {&f.SSLOG_FILE, "Shipping Start/Stop Logging File", 63}};
    for (const LogFile& file : files) {
        if (!create_log_file_if_missing(*file.path))
            print_and_exit(fmt_msg("%s: %s %s (%s) does not exist and could not be created\n", START_FAILED,
                                   SHIPPER_SELF, file.name, file.path->c_str()),
                           file.code);
    }
}

void read_configuration(const char* user) {
    shipper_config::LoadedConfig loaded = shipper_config::load_shipper_configuration(
        SHIPPER_SELF, SHIPPER.CONF, SHIPPER.WHICH_SHIPPER_CONFIG, user, SHIPPER.settings);
    if (!loaded.warning.empty()) log_it('w', loaded.warning);
    if (!loaded.failure.empty()) log_and_bail(loaded.failure);
    SHIPPER.CONFIG_BUFFER = std::move(loaded.kept);
    UTC_OFFSET = SHIPPER.settings.UTC_OFFSET;
}

}  // namespace

void run_shipper(int argc, char** argv) {
    SHIPPER.started_at = std::time(nullptr);
    std::srand(static_cast<unsigned>(getpid()));
    SHIPPER.VANDREL_SLINK_PROCESSING_OVERRIDE_ON = env_set("VANDREL_SLINK_PROCESSING_OVERRIDE");
    set_identity(SHIPPER_SELF, SHIPPER_DAEMON_STEM);

    const char* user = calculated_user();
    if (!user) print_and_exit(fmt_msg("%s unable to calculate userid.\n", SHIPPER_SELF), 33);

    handle_version_switch(argc, argv);
    ShipperCommandLine line;
    if (int code = parse_shipper_command_line(argc, argv, line); code != 0)
        print_and_exit(shipper_usage(argv[0]), code);
    SHIPPER.TEST_MODE = line.mode == DaemonMode::TestOnce;
    SHIPPER.WHICH_SHIPPER_CONFIG = line.class_digit;
    SHIPPER.MY_CLASS = line.class_digit.empty() ? 'x' : line.class_digit[0];

    check_depot_length(line.depot, SHIPPER_SELF, SHIPPER_DAEMON_STEM, 37);
    check_cleartool();
    set_depot(line.depot);
    walk_depot(shipper_depot_walk(SHIPPER_SELF, false), SHIPPER_SELF);
    std::string stem = line.class_digit.empty() ? SHIPPER_DAEMON_STEM : line.class_digit + "_" + SHIPPER_DAEMON_STEM;
    set_daemon_files(THE_DAEMON_DIR, stem);
    set_log_files(LOG_DIR, "shipper", line.class_digit, false);
    create_log_files();
    walk_depot(shipper_depot_walk(SHIPPER_SELF, true), SHIPPER_SELF);
    SHIPPER.CONF = CONF_DIR + (line.class_digit.empty() ? "/shipper.conf" : "/shipper_" + line.class_digit + ".conf");
    read_configuration(user);
    set_view_lock_file(THE_DAEMON_DIR + "/" + SHIPPER.settings.EXPORT_VIEW + ".view_lock");

    if (is_control_mode(line.mode)) run_control_mode(SHIPPER_DAEMON, line.mode);
    start_daemon(SHIPPER_DAEMON, argc, argv, SHIPPER.settings.EXPORT_VIEW.c_str(), line.sticky);
    install_terminal_signal_handlers();
    log_it_banner('s', start_banner(line.mode));
    enter_service();
    bool one_pass =
        line.mode == DaemonMode::Once || line.mode == DaemonMode::TestOnce || line.mode == DaemonMode::Reonce;
    body(one_pass);
}

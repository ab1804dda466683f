// Test daemon: the smallest program that lives the life of a daemon of this
// system. Usage: vandrel_testd <depot> <mode> [-wait]
//
// Its unit of work: when <bay>/config/work_seconds exists at the top of a
// cycle, it is read and removed, and the daemon stays busy for that many
// seconds without looking at stop requests (as a pass in progress would).
// Between cycles it waits, checking for a stop request every second.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/daemon_control.h"
#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/signals.h"
#include "common/text_format.h"

namespace {

constexpr char kSelf[] = "vandrel_testd";
constexpr char kDaemon[] = "vandrel_testd.daemon";
constexpr char kView[] = "testd_view";

[[noreturn]] void usage(int code) {
    std::printf("usage: %s <depot> -start|-once|-stop|-restart|-reonce|-queue_stop|-dequeue_stop [-wait]\n", kSelf);
    std::exit(code);
}

int take_work_unit() {
    std::string path = DEPOT_PATHS.CONF_DIR + "/work_seconds";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return 0;
    int seconds = 0;
    if (std::fscanf(f, "%d", &seconds) != 1) seconds = 0;
    std::fclose(f);
    unlink_remove(path);
    return seconds;
}

void write_pid_file() {
    std::string path = THE_DAEMON_DIR + "/" + kSelf + ".pid";
    touch_file(path, std::to_string(getpid()).c_str(), ATTR_PRIVATE);
    push_extracted_file(path);
}

[[noreturn]] void service_loop(DaemonMode mode) {
    for (;;) {
        stop_if_queued_to_stop();
        int busy = take_work_unit();
        if (busy > 0) {
            log_it('n', fmt_msg("working for %d seconds", busy));
            zeb_sleep(static_cast<unsigned>(busy));
            log_it('n', "work unit done");
        }
        if (mode == DaemonMode::Once) the_last_words(RUN_ONCE_FINISHED);
        for (int i = 0; i < 2; ++i) {
            stop_if_queued_to_stop();
            zeb_sleep(1);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    set_identity(kSelf, kDaemon);
    handle_version_switch(argc, argv);
    if (argc < 3 || argc > 4) usage(36);
    bool sticky = false;
    if (argc == 4) {
        if (std::strcmp(argv[3], "-wait") != 0) usage(35);
        sticky = true;
    }
    DaemonMode mode = parse_daemon_mode(argv[2]);
    if (mode == DaemonMode::Unknown || mode == DaemonMode::TestOnce) usage(35);

    std::string depot(argv[1]);
    check_depot_length(depot, kSelf, kDaemon, 37);
    set_depot(depot);
    walk_depot(shipper_depot_walk(kSelf, false), kSelf);
    set_daemon_files(THE_DAEMON_DIR, kDaemon);
    set_view_lock_file(THE_DAEMON_DIR + "/" + kView + ".view_lock");
    set_log_files(LOG_DIR, "testd", "", false);
    for (const std::string* f : {&LOG_FILES.LOG_FILE, &LOG_FILES.ELOG_FILE, &LOG_FILES.WLOG_FILE, &LOG_FILES.TLOG_FILE,
                                 &LOG_FILES.SSLOG_FILE}) {
        if (!create_log_file_if_missing(*f)) {
            std::printf("%s: %s Logging File (%s) does not exist and could not be created\n", START_FAILED, kSelf,
                        f->c_str());
            return 41;
        }
    }
    walk_depot(shipper_depot_walk(kSelf, true), kSelf);
    UTC_OFFSET = "+0";

    if (is_control_mode(mode)) run_control_mode(SHIPPER_DAEMON, mode);
    start_daemon(SHIPPER_DAEMON, argc, argv, kView, sticky);

    install_terminal_signal_handlers();
    std::string banner = fmt_msg(START_PROCESS_HEADER, kSelf, VERSION, run_mode_words(mode));
    banner += REQUIRED_SUBHEADER;
    banner += fmt_msg(HEADER_STRING_VALUE, "view", kView);
    banner += END_HEADER;
    log_it_banner('s', banner);
    enter_service();
    write_pid_file();
    service_loop(mode == DaemonMode::Reonce ? DaemonMode::Once : mode);
}

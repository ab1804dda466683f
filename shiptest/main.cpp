// vandrel_shiptest: checks and measures the transport from this location to
// one receiving location, with the shipper's configuration and host map.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "codecs/crypt.h"
#include "common/console_frame.h"
#include "common/depot.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/transport.h"
#include "shiptest/command_line.h"
#include "shiptest/communication.h"
#include "shiptest/report.h"
#include "shiptest/shiptest_messages.h"
#include "shiptest/startup.h"

namespace {

constexpr int EXIT_NO_USER = 33;
constexpr int EXIT_DONE = 999;

// The test takes no lock and owns no daemon file: a signal removes its own
// files and ends it, leaving a running shipper's files alone. SIGINT and
// SIGTERM only set a flag that the test acts on between its steps; the
// synchronous faults cannot return to the faulting code and end it at once.
void on_terminal_signal(int sig) {
    SHIPTEST_TERMINAL_SIGNAL = sig;
}

void on_fault_signal(int sig) {
    single_exit(sig);
}

}  // namespace

int main(int argc, char** argv) {
    set_identity(SHIPTEST_SELF, SHIPTEST_DAEMON_STEM);
    std::srand(static_cast<unsigned>(::getpid()));
    const char* user = calculated_user();
    if (!user) print_and_exit(fmt_msg(SHIPTEST_NO_USER, SHIPTEST_SELF), EXIT_NO_USER);
    handle_version_switch(argc, argv);

    std::string message;
    if (int code = parse_shiptest_command_line(argc, argv, SHIPTEST.line, message); code != 0)
        print_and_exit(message + shiptest_usage(argv[0]), code);
    check_depot_and_configuration(user);
    for (int sig : {SIGINT, SIGTERM}) std::signal(sig, on_terminal_signal);
    for (int sig : {SIGABRT, SIGFPE, SIGILL, SIGSEGV}) std::signal(sig, on_fault_signal);

    const shipper_config::ShipperSettings& s = SHIPTEST.settings;
    UTC_OFFSET = s.UTC_OFFSET;
    std::printf("\n\n");
    std::printf(SHIPTEST_STARTED, SHIPTEST_SELF, VERSION);
    std::printf(SHIPTEST_USING, SHIPTEST.CONF.c_str());
    print_it('n', configuration_text(s, ENCRYPTION.USING_ENCRYPTION, SHIPTEST.line.class_digit,
                                     SHIPTEST.line.test_location, SHIPTEST.line.meg));

    Transport transport;
    transport.settings.program = s.TRANSPORT_PROGRAM;
    transport.settings.kind = s.transport_kind;
    transport.settings.hostmaps_dir = HOSTMAPS_DIR;
    transport.settings.local_dir = THE_EPOCS_DIR;
    transport.settings.session_seconds = static_cast<unsigned>(s.TRANSPORT_TIME_LIMIT);
    const std::string error_log = log_file_path(LOG_DIR, "shipper_errors", SHIPTEST.line.class_digit);
    end_if_signalled();
    run_communication_test(transport, SHIPTEST.line.test_location, s.THIS_LOCATION, SHIPTEST.line.meg, error_log);
    end_if_signalled();
    single_exit(EXIT_DONE);
}

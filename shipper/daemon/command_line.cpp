#include "shipper/daemon/command_line.h"

#include <cstring>

#include "common/text_format.h"
#include "shipper/daemon/shipper_state.h"

namespace {

bool is_class_digit(const char* word) {
    return word[0] >= '0' && word[0] <= '9' && word[1] == '\0';
}

}  // namespace

std::string shipper_usage(const char* invoked) {
    return fmt_msg(
        "%s USAGE: %s -ver | -help | path_to_Quorlin_depot ( %s | %s | %s | %s | %s | %s | %s ) [0..9] "
        "[%s]) \n",
        SHIPPER_SELF, invoked, "-start", "-once", "-stop", "-restart", "-reonce", "-queue_stop", "-dequeue_stop",
        "-wait");
}

int parse_shipper_command_line(int argc, const char* const* argv, ShipperCommandLine& line) {
    int args = argc - 1;
    if (args == 1) return 34;
    if (args < 1 || args > 4) return 36;
    line.depot = argv[1];
    line.mode = parse_daemon_mode(argv[2]);
    if (line.mode == DaemonMode::Unknown) return 35;
    if (args == 3) {
        if (std::strcmp(argv[3], "-wait") == 0)
            line.sticky = true;
        else if (is_class_digit(argv[3]))
            line.class_digit = argv[3];
        else
            return 35;
    } else if (args == 4) {
        if (!is_class_digit(argv[3]) || std::strcmp(argv[4], "-wait") != 0) return 35;
        line.class_digit = argv[3];
        line.sticky = true;
    }
    return 0;
}

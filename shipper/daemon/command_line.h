// The shipper's command line: vandrel_shipper -ver | -help | <depot> <mode>
// [<class digit>] [-wait].
#pragma once

#include <string>

#include "common/daemon_control.h"

struct ShipperCommandLine {
    std::string depot;
    DaemonMode mode = DaemonMode::Unknown;
    std::string class_digit;  // empty for the main shipper
    bool sticky = false;      // -wait
};

// The usage text for the invoked path.
std::string shipper_usage(const char* invoked);

// 0 when the arguments are good; otherwise the exit status the usage text
// ends with: 34 one argument (-help included), 36 none or more than four,
// 35 an unknown mode or a wrong class or -wait argument.
int parse_shipper_command_line(int argc, const char* const* argv, ShipperCommandLine& line);

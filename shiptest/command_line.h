// The communication test's command line:
//   vandrel_shiptest -ver | -help | <depot> <test location> [class=D] [meg=N]
#pragma once

#include <string>

inline constexpr int SHIPTEST_DEFAULT_MEG = 10;
inline constexpr int SHIPTEST_MAX_MEG = 100;

struct ShiptestCommandLine {
    std::string depot;
    std::string test_location;
    std::string class_digit;  // empty: the main shipper's configuration
    int meg = SHIPTEST_DEFAULT_MEG;
};

std::string shiptest_usage(const char* invoked);

// 0 when the arguments are good; otherwise the exit status the usage text
// ends with (34 one argument, 36 none or more than four, 35 a wrong test
// location or option), and `message` holds what is printed before the usage
// (empty for most).
int parse_shiptest_command_line(int argc, const char* const* argv, ShiptestCommandLine& line, std::string& message);

#include "shiptest/command_line.h"

#include <string_view>

#include "common/text_format.h"
#include "shiptest/shiptest_messages.h"

std::string shiptest_usage(const char* invoked) {
    return fmt_msg(SHIPTEST_USAGE, SHIPTEST_SELF, invoked);
}

namespace {

constexpr int USAGE_ONE_ARGUMENT = 34;
constexpr int USAGE_BAD_ARGUMENT = 35;
constexpr int USAGE_ARGUMENT_COUNT = 36;

// "class=D": exactly seven characters, the last a digit.
bool parse_class(std::string_view arg, std::string& digit) {
    if (arg.size() != 7 || !arg.starts_with("class=") || arg[6] < '0' || arg[6] > '9') return false;
    digit = std::string(1, arg[6]);
    return true;
}

// "meg=N": at most seven characters, N a number 1..100 of digits only.
bool parse_meg(std::string_view arg, int& meg) {
    if (arg.size() > 7 || !arg.starts_with("meg=") || arg.size() == 4) return false;
    int n = 0;
    for (char c : arg.substr(4)) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > SHIPTEST_MAX_MEG) return false;
    meg = n;
    return true;
}

}  // namespace

int parse_shiptest_command_line(int argc, const char* const* argv, ShiptestCommandLine& line, std::string& message) {
    message.clear();
    const int count = argc - 1;
    if (count == 1) return USAGE_ONE_ARGUMENT;
    if (count < 1 || count > 4) return USAGE_ARGUMENT_COUNT;
    line.depot = argv[1];
    line.test_location = argv[2];
    if (line.test_location.starts_with("-")) {
        message = fmt_msg(SHIPTEST_LOCATION_SWITCH, argv[2]);
        return USAGE_BAD_ARGUMENT;
    }
    if (line.test_location.find_first_of(" \\/") != std::string::npos) {
        message = fmt_msg(SHIPTEST_LOCATION_CHAR, argv[2]);
        return USAGE_BAD_ARGUMENT;
    }
    bool have_class = false;
    bool have_meg = false;
    for (int i = 3; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (!have_class && parse_class(arg, line.class_digit))
            have_class = true;
        else if (!have_meg && parse_meg(arg, line.meg))
            have_meg = true;
        else
            return USAGE_BAD_ARGUMENT;
    }
    return 0;
}

// The test itself: a test packet of the chosen size and a probe sent to the
// receiving location with the shipper's transport, the probe fetched back,
// both deleted on each side, the time measured.
#pragma once

#include <csignal>
#include <string>

#include "shipper/transport/transport.h"

// One "Meg" of test data: 1,023 lines of 1,024 blanks and a newline.
inline constexpr int TEST_LINES_PER_MEG = 1023;
inline constexpr int TEST_LINE_BLANKS = 1024;
inline constexpr long long TEST_BYTES_PER_MEG = 1023LL * 1025LL;

// The test's files in the local directory (the shipper's epocs directory).
struct TestFiles {
    std::string data;    // vl_ping_test.data.<T>.<L>.<80 random><20 random>.<pid>
    std::string probe;   // vl_ping_test.conf.<T>.<L>.<pid>
    std::string output;  // vl_ping_test.out.<T>.<L>.<pid>
    std::string errors;  // vl_ping_test.err.<T>.<L>.<pid>
    std::string script;  // 1 to 30 random characters, then 80 more
};
TestFiles test_file_names(const std::string& dir, const std::string& test_location, const std::string& this_location,
                          long pid);

// Writes the test data, created exclusively. Returns 1, or 0 with nothing
// left behind.
int write_test_data(const std::string& path, int meg);

// The script: log in, enter both directories, upload the probe and the
// data, delete both locally, download the probe, delete both remotely, end.
// lftp stops at the first failing command.
std::string test_script_text(const Transport& transport, const TestFiles& files);

// Runs the whole test and prints its outcome. Returns 1 on success.
// SIGINT or SIGTERM received and not yet acted upon (0: none). The handler
// only sets it; the test acts on it between its steps, so that its own files
// are removed outside the handler.
extern volatile std::sig_atomic_t SHIPTEST_TERMINAL_SIGNAL;
// Ends the test with the signal's number, removing its own files, when a
// terminal signal arrived.
void end_if_signalled();

int run_communication_test(Transport& transport, const std::string& test_location, const std::string& this_location,
                           int meg, const std::string& shipper_error_log);

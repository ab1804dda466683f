// The trigger program's run: from the command line to the shipping requests.
#pragma once

#include <string>
#include <vector>

namespace shipout {

struct RunResult {
    int code = 0;         // 0 or 99
    std::string message;  // shown when not empty
    // Requests that could not be written but do not stop the run (shown
    // before the message).
    std::vector<std::string> warnings;
};

// Checks the key list, finds the depot through the site file and writes
// the shipping requests of every requested VOB key.
RunResult run_shipout(const std::string& site_file, const std::string& key_list);

// Shows a failure: with clearprompt in the background when the user prefers
// a dialog, otherwise on standard output.
void show_message(const std::string& message, bool prefer_dialog);

}  // namespace shipout

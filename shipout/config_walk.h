// Walking the shipper's configuration files for the requested VOB keys, with
// the configuration reader the shipper uses.
#pragma once

#include "shipout/key_list.h"

#include <bitset>
#include <functional>
#include <string>
#include <vector>

namespace shipout {

// Only this many bytes of a configuration file are read.
inline constexpr std::size_t MAX_CONFIG_BYTES = 399999;

// A VOB key line of a requested key, split into its ">" fields.
struct VobKey {
    int vob_id = 0;
    std::string vob_tag;                 // field 2, stripped
    std::vector<std::string> locations;  // field 7, blank-separated
    std::string key;                     // the whole line, stripped
    std::string file;                    // where the line came from
};

// What a walk step returns: empty message = go on.
struct StepResult {
    bool stop = false;    // every requested key is done: end with code 0
    std::string message;  // a failure: end with code 99 after showing it
};

// Called for each requested VOB key found; marks its shipping requests.
using KeyHandler = std::function<StepResult(const VobKey&)>;

// Walks the configuration text `text` of file `file` (the main one when
// `is_main`), with the VOB key lines of its include files added at the end.
// Main configuration: "add_class=<digit>" lines set `classes`.
StepResult walk_configuration(const std::string& conf_dir, const std::string& file, const std::string& text,
                              bool is_main, RequestedKeys& keys, std::bitset<10>& classes, const KeyHandler& handle);

// Reads at most MAX_CONFIG_BYTES of a configuration file; messages as the
// trigger program reports them.
bool read_configuration(const std::string& path, std::string& text, std::string& message);

}  // namespace shipout

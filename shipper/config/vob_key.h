// VOB key lines: one replicated VOB (or deployment) per line, its fields
// separated by ">". The grammar is read here once for every program that
// reads the shipper's configuration.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shipper_config {

inline constexpr int VOB_ID_MIN = 0;
inline constexpr int VOB_ID_MAX = 9999;
inline constexpr int DESIGNATORS_MAX = 12;
inline constexpr std::size_t DESIGNATOR_NAME_MAX = 255;

// One designator list: the letter A (all, no designator), E (exclude) or R
// (restrict, written "[O]") and up to 12 type names.
struct Designators {
    char letter = 'A';
    std::vector<std::string> names;
};

struct VobKey {
    std::string key;  // the whole line, stripped: what messages quote
    int vob_id = 0;
    std::string vob_tag;                 // field 2, the Unix VOB tag
    std::string windows_tag;             // field 3
    std::string orig_portion;            // field 4, "\" turned into "/"
    std::string destination;             // field 5 as written (a VOB tag or a deployment marker and location)
    std::string dest_portion;            // field 6
    std::vector<std::string> locations;  // field 7
    char personality = 'S';              // field 8: S ship, H hold
    Designators branches;                // field 9
    Designators labels;                  // field 10
    Designators attributes;              // field 11
    bool is_deployment = false;
    char deploy_platform = '/';    // '/' UNIX, '\' Windows
    bool hard_deployment = false;  // "[D]" hard, "[d]" soft
    std::string deployment_location;
};

// Where a line came from and who reads it, for the messages.
struct KeyContext {
    const char* program;
    std::string file;
};

// True for a configuration line that is a VOB key line: not a comment, at
// least two ">" and none of the global keys' texts.
bool is_vob_key_line(std::string_view line);

// Splits a line at ">" (fields may be empty).
std::vector<std::string> split_fields(std::string_view line);

// Parses field 1 alone: true with the id when it is a number 0..9999.
bool parse_vob_id(std::string_view field, int& id);

// A receiving location name is used as part of file names: it must be a
// plain name (no "/", not "." or "..", no control characters).
bool is_valid_location(std::string_view location);

// Validates fields 1-6, then 8-11, then the receiving locations, and fills
// key. Returns the message of the first wrong field ("REPLICATION DENIED: "
// or "DEPLOYMENT DENIED: " first), empty when the line is good.
std::string check_vob_key(std::string_view line, const KeyContext& context, VobKey& key);

}  // namespace shipper_config

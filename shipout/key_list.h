// Parsing of the trigger program's key list: which VOB keys to mark for shipping.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>

namespace shipout {

inline constexpr int MIN_KEY = 0;
inline constexpr int MAX_KEY = 9999;

// Which check refused a key list; each has its own message.
enum class KeyListError {
    None,
    CommaDash,     // ",-"
    DoubleComma,   // ",,"
    DoubleDash,    // "--"
    Blank,         // a blank anywhere
    LeadingComma,  // starts with ","
    BadCharacter,  // anything but digits, "-" and ","; also a bound outside 0..9999
    TwoDashes,     // an item such as "1-2-3"
    LoneDash,      // an item "-" alone
};

// The set of requested keys (LOOK_FOR_KEY) and how many are still wanted
// (NUMBER_OF_KEYS_TO_LOOK_FOR).
struct RequestedKeys {
    std::bitset<MAX_KEY + 1> look_for_key;
    std::size_t number_of_keys_to_look_for = 0;

    void add(int key);
    bool wanted(int key) const { return key >= MIN_KEY && key <= MAX_KEY && look_for_key.test(key); }
    // Marks a key as done; returns true when no key remains wanted.
    bool done(int key);
    bool empty() const { return number_of_keys_to_look_for == 0; }
};

// Checks and parses a key list such as "3-1,7,20-". On failure, `keys` is
// left partly filled and the error names the check that refused the list.
KeyListError parse_key_list(const std::string& list, RequestedKeys& keys);

// The message for a refused list, filled with the program name and the list.
std::string key_list_message(KeyListError error, const char* self, const std::string& list);

}  // namespace shipout

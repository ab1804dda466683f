#include "shipout/key_list.h"

#include "common/text_format.h"
#include "shipout/shipout_messages.h"

#include <vector>

namespace shipout {

void RequestedKeys::add(int key) {
    if (!look_for_key.test(key)) {
        look_for_key.set(key);
        ++number_of_keys_to_look_for;
    }
}

bool RequestedKeys::done(int key) {
    if (wanted(key)) {
        look_for_key.reset(key);
        --number_of_keys_to_look_for;
    }
    return empty();
}

namespace {

// A bound: digits only, 0..9999. Long digit strings are refused without
// overflowing.
bool parse_bound(const std::string& text, int& value) {
    if (text.empty() || text.size() > 5) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= MIN_KEY && value <= MAX_KEY;
}

std::vector<std::string> split_items(const std::string& list) {
    std::vector<std::string> items;
    std::string item;
    for (char c : list) {
        if (c == ',') {
            items.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    items.push_back(item);
    return items;
}

}  // namespace

KeyListError parse_key_list(const std::string& list, RequestedKeys& keys) {
    if (list.find(",-") != std::string::npos) return KeyListError::CommaDash;
    if (list.find(",,") != std::string::npos) return KeyListError::DoubleComma;
    if (list.find("--") != std::string::npos) return KeyListError::DoubleDash;
    if (list.find(' ') != std::string::npos) return KeyListError::Blank;
    if (!list.empty() && list[0] == ',') return KeyListError::LeadingComma;
    for (char c : list) {
        if (!(c >= '0' && c <= '9') && c != '-' && c != ',') return KeyListError::BadCharacter;
    }

    for (const std::string& item : split_items(list)) {
        if (item.empty()) continue;  // a trailing comma
        std::size_t dash = item.find('-');
        if (dash == std::string::npos) {
            int key = 0;
            if (!parse_bound(item, key)) return KeyListError::BadCharacter;
            keys.add(key);
            continue;
        }
        if (item.find('-', dash + 1) != std::string::npos) return KeyListError::TwoDashes;
        if (item.size() == 1) return KeyListError::LoneDash;
        std::string left = item.substr(0, dash);
        std::string right = item.substr(dash + 1);
        int low = MIN_KEY;
        int high = MAX_KEY;
        if (!left.empty() && !parse_bound(left, low)) return KeyListError::BadCharacter;
        if (!right.empty() && !parse_bound(right, high)) return KeyListError::BadCharacter;
        if (low > high) std::swap(low, high);
        for (int key = low; key <= high; ++key) keys.add(key);
    }
    return KeyListError::None;
}

std::string key_list_message(KeyListError error, const char* self, const std::string& list) {
    const char* l = list.c_str();
    switch (error) {
        case KeyListError::None:
            break;
        case KeyListError::CommaDash:
            return fmt_msg(INVALID_REPLICATION_KEY_PARSING, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::DoubleComma:
            return fmt_msg(INVALID_REPLICATION_KEY_PARSING2, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::DoubleDash:
            return fmt_msg(INVALID_REPLICATION_KEY_PARSING3, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::Blank:
            return fmt_msg(INVALID_REPLICATION_KEY_SPACE, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::LeadingComma:
            return fmt_msg(INVALID_REPLICATION_KEY_START, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::BadCharacter:
            return fmt_msg(INVALID_REPLICATION_KEY, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::TwoDashes:
            return fmt_msg(INVALID_REPLICATION_KEY_PARSING4, self, l, MIN_KEY, MAX_KEY);
        case KeyListError::LoneDash:
            return fmt_msg(INVALID_REPLICATION_KEY_PARSING5, self, l, MIN_KEY, MAX_KEY);
    }
    return std::string();
}

}  // namespace shipout

#include "shipout/key_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using shipout::KeyListError;
using shipout::parse_key_list;
using shipout::RequestedKeys;

namespace {

std::vector<int> requested(const RequestedKeys& keys) {
    std::vector<int> out;
    for (int k = shipout::MIN_KEY; k <= shipout::MAX_KEY; ++k)
        if (keys.wanted(k)) out.push_back(k);
    return out;
}

struct Accepted {
    const char* list;
    std::size_t count;
    int first;
    int last;
};

TEST(KeyList, AcceptedListsRequestTheirKeys) {
    const Accepted cases[] = {
        {"5", 1, 5, 5},      {"3-1", 3, 1, 3},                             // bounds exchanged
        {"1-3", 3, 1, 3},    {"5-", 9995, 5, 9999},                        // open upper bound
        {"-2", 3, 0, 2},                                                   // open lower bound
        {"0", 1, 0, 0},      {"9999", 1, 9999, 9999}, {"7,7,7", 1, 7, 7},  // duplicates count once
        {"1,3-4,", 3, 1, 4},                                               // trailing comma
        {"2-2", 1, 2, 2},    {"0009", 1, 9, 9},
    };
    for (const Accepted& c : cases) {
        RequestedKeys keys;
        ASSERT_EQ(parse_key_list(c.list, keys), KeyListError::None) << c.list;
        std::vector<int> got = requested(keys);
        EXPECT_EQ(keys.number_of_keys_to_look_for, c.count) << c.list;
        ASSERT_EQ(got.size(), c.count) << c.list;
        EXPECT_EQ(got.front(), c.first) << c.list;
        EXPECT_EQ(got.back(), c.last) << c.list;
    }
}

TEST(KeyList, RefusedListsNameTheirCheck) {
    const std::pair<const char*, KeyListError> cases[] = {
        {"1,-3", KeyListError::CommaDash},
        {"1,,3", KeyListError::DoubleComma},
        {"1--3", KeyListError::DoubleDash},
        {"1, 3", KeyListError::Blank},
        {" 1", KeyListError::Blank},
        {",1", KeyListError::LeadingComma},
        {"1;touch", KeyListError::BadCharacter},
        {"5`x`", KeyListError::BadCharacter},
        {"a", KeyListError::BadCharacter},
        {"10000", KeyListError::BadCharacter},
        {"1-10000", KeyListError::BadCharacter},
        {"99999999999999999999", KeyListError::BadCharacter},
        {"1-2-3", KeyListError::TwoDashes},
        {"-", KeyListError::LoneDash},
        {"4,-", KeyListError::CommaDash},  // ",-" is checked first
        {"-,4", KeyListError::LoneDash},
    };
    for (const auto& [list, error] : cases) {
        RequestedKeys keys;
        EXPECT_EQ(parse_key_list(list, keys), error) << list;
    }
}

TEST(KeyList, MessagesCarryTheListAndTheRange) {
    std::string text = shipout::key_list_message(KeyListError::BadCharacter, "vandrel_shipout", "x");
    EXPECT_EQ(text,
              "vandrel_shipout Invalid replication key_numbers parameter (x):  all replication "
              "key_numbers should be between [0..9999] inclusive.");
    std::string comma_dash = shipout::key_list_message(KeyListError::CommaDash, "p", "1,-2");
    EXPECT_NE(comma_dash.find("parsing \"-,\" in parameter (1,-2)"), std::string::npos);
}

TEST(KeyList, DoneRemovesKeysUntilEmpty) {
    RequestedKeys keys;
    ASSERT_EQ(parse_key_list("1-2", keys), KeyListError::None);
    EXPECT_FALSE(keys.done(1));
    EXPECT_FALSE(keys.done(1));  // twice changes nothing
    EXPECT_FALSE(keys.done(5));  // not requested
    EXPECT_TRUE(keys.done(2));
    EXPECT_TRUE(keys.empty());
}

}  // namespace

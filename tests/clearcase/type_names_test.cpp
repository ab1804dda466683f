// Type name rules and the refusal text.
#include "clearcase/store/type_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TypeNames, Table) {
    struct Case {
        std::string name;
        bool valid;
    };
    const Case cases[] = {
        {"QUORLIN_1", true},
        {"main", true},
        {"_private", true},
        {"rel-1.0_fix", true},
        {"a", true},
        {"latest", true},  // only the exact reserved words are refused
        {"LATEST_1", true},
        {std::string(255, 'n'), true},
        {std::string(256, 'n'), false},
        {"", false},
        {".", false},
        {"..", false},
        {".hidden", false},
        {"1st", false},
        {"-none", false},
        {"LATEST", false},
        {"CHECKEDOUT", false},
        {"a/b", false},
        {"../../tmp/x", false},
        {"two\nlines", false},
        {"a b", false},
        {"a:b", false},
        {"a@b", false},
        {"caf\xc3\xa9", false},
        {std::string("nul\0x", 5), false},
    };
    for (const auto& c : cases) EXPECT_EQ(ccsub::valid_type_name(c.name), c.valid) << "[" << c.name << "]";
}

TEST(TypeNames, MessageShowsControlCharactersEscaped) {
    EXPECT_EQ(ccsub::invalid_type_name_message("../x"), "Invalid type name: \"../x\".");
    EXPECT_EQ(ccsub::invalid_type_name_message("a\nb\tc\x01\\"), "Invalid type name: \"a\\nb\\tc\\x01\\\\\".");
}

TEST(TypeNames, PathComponents) {
    for (const char* ok : {"main", "LATEST", "7", "a b"}) EXPECT_TRUE(ccsub::safe_path_component(ok)) << ok;
    for (std::string bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"), std::string("/"),
                            std::string("x\0y", 3)})
        EXPECT_FALSE(ccsub::safe_path_component(bad)) << bad;
}

}  // namespace

// Lock texts, permission strings and kind words.
#include "clearcase/fmt/object_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ObjectText, LockTexts) {
    struct Case {
        const char* nusers;
        bool obsolete;
        const char* want;
    } cases[] = {
        {"", false, "Locked for all users.\n"},
        {"  ", false, "Locked for all users.\n"},
        {"recvuser", false, "Locked except for users: recvuser\n"},
        {"u1 u2", false, "Locked except for users: u1 u2\n"},
        {"u1,u2", false, "Locked except for users: u1 u2\n"},
        {" u1 ,, u2 ", false, "Locked except for users: u1 u2\n"},
        {"", true, "Locked for all users (obsolete).\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(ccsub::lock_text(c.nusers, c.obsolete), c.want) << c.nusers;
}

TEST(ObjectText, PermissionStrings) {
    struct Case {
        unsigned mode;
        const char* want;
    } cases[] = {
        {0755, "rwxr-xr-x"}, {0644, "rw-r--r--"},    {0750, "rwxr-x---"},  {0, "---------"},
        {0777, "rwxrwxrwx"}, {0100644, "rw-r--r--"}, {04711, "rwx--x--x"},
    };
    for (const auto& c : cases) EXPECT_EQ(ccsub::permission_string(c.mode), c.want) << c.mode;
}

TEST(ObjectText, KindWords) {
    EXPECT_EQ(ccsub::element_kind_words("file"), "file element");
    EXPECT_EQ(ccsub::element_kind_words("directory"), "directory element");
    EXPECT_EQ(ccsub::element_kind_words("slink"), "symbolic link");
    EXPECT_EQ(ccsub::version_kind_words("file"), "version");
    EXPECT_EQ(ccsub::version_kind_words("directory"), "directory version");
    EXPECT_EQ(ccsub::type_kind_words("lbtype"), "label type");
    EXPECT_EQ(ccsub::type_kind_words("trtype"), "trigger type");
}

}  // namespace

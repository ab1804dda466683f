// What the application steps are told about the receiver: the process
// settings at start-up and the receiver key line of each packet.
#include <gtest/gtest.h>

#include <string>

#include "receiver/apply/apply_state.h"
#include "receiver/config/key_lines.h"
#include "receiver/handover/apply_settings_fill.h"

namespace {

ReceiverKeyLine key_line(const char* text) {
    std::string warning;
    return parse_receiver_key_line(text, warning);
}

}  // namespace

TEST(HandoverSettings, EachYesNoSettingReachesItsOwnFlag) {
    struct Case {
        YesNoKey key;
        int ApplySettings::*flag;
    };
    const Case cases[] = {
        {IGNORE_RECEIVED_LABEL_DATA, &ApplySettings::read_ignore_received_label_data},
        {IGNORE_RECEIVED_BRANCH_DATA, &ApplySettings::read_ignore_received_branch_data},
        {IGNORE_RECEIVED_ATTRIBUTE_DATA, &ApplySettings::read_ignore_received_attribute_data},
        {SUPPRESS_LOCKED_LABEL_CHECKING, &ApplySettings::read_suppress_locked_label_checking},
        {SUPPRESS_LOCKED_BRANCH_CHECKING, &ApplySettings::read_suppress_locked_branch_checking},
        {SUPPRESS_LOCKED_ATTRIBUTE_CHECKING, &ApplySettings::read_suppress_locked_attribute_checking},
    };
    for (const Case& set : cases) {
        ReceiverSettings settings;
        settings.IMPORT_VIEW = "imp";
        settings.yes_no[set.key] = true;
        fill_apply_settings(settings, "rcv");
        for (const Case& other : cases)
            EXPECT_EQ(APPLY_SETTINGS.*(other.flag), other.key == set.key ? 1 : 0)
                << yes_no_name(set.key) << " set, looking at " << yes_no_name(other.key);
        EXPECT_EQ("imp", APPLY_SETTINGS.IMPORT_VIEW);
        EXPECT_EQ("rcv", APPLY_SETTINGS.RECEIVER_USER);
        EXPECT_EQ("rcv", receiving_user());
    }
}

TEST(HandoverSettings, EveryPacketTakesItsKeyLineProtectionAndStartsAfresh) {
    struct Case {
        const char* line;
        int protection;
        const char* user;
        const char* group;
    };
    // In this order, so that a line without an owner follows one with.
    const Case cases[] = {
        {"/in > exactly=ann:dev", PROTECTION_EXACTLY, "ann", "dev"},
        {"/in", PROTECTION_PROCESS, "", ""},
        {"/in > preserve > allow_rmver", PROTECTION_PRESERVE, "", ""},
        {"/in > exactly=ann", PROTECTION_PROCESS, "", ""},
    };
    long versions = 0;
    for (const Case& c : cases) {
        // What the previous packet left behind.
        add_versioned_file("/view/imp/vobs/dst/a.c@@/main/1");
        APPLY_PACKET.LOCKED_LBTYPES.insert("REL1");
        APPLY_PACKET.EMAIL_IS_POPULATED = 1;
        APPLY_PACKET.IS_DEPLOYMENT = 1;

        begin_packet_application(key_line(c.line), ++versions);
        EXPECT_EQ(c.protection, APPLY_SETTINGS.protection) << c.line;
        EXPECT_EQ(c.user, APPLY_SETTINGS.exact_user) << c.line;
        EXPECT_EQ(c.group, APPLY_SETTINGS.exact_group) << c.line;
        EXPECT_EQ(versions, APPLY_PACKET.VERSIONS_IN_PACKET);
        EXPECT_TRUE(APPLY_PACKET.VERSIONED_FILE_LIST.paths().empty());
        EXPECT_TRUE(APPLY_PACKET.LOCKED_LBTYPES.empty());
        EXPECT_EQ(0, APPLY_PACKET.EMAIL_IS_POPULATED);
        EXPECT_EQ(0, APPLY_PACKET.IS_DEPLOYMENT);
    }
}

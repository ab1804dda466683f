// What the application steps are told about the receiver: the process
// settings at start-up and the receiver key line of each packet.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "receiver/apply/apply_state.h"
#include "receiver/config/key_lines.h"
#include "receiver/handover/apply_received_packet.h"
#include "receiver/handover/apply_settings_fill.h"
#include "receiver/handover/vob_application.h"
#include "receiver/versions/versions_state.h"

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

TEST(HandoverSettings, EachKeyLinePermissionReachesItsOwnMetadataFlag) {
    using P = receiver_metadata::ReceiverKeyPermissions;
    const struct {
        const char* option;
        std::vector<int P::*> allowed;
    } cases[] = {
        {"allow_rmelem_dir", {&P::ALLOW_RMELEM_DIR_FROM_REMOTE}},
        {"allow_rmelem_file", {&P::ALLOW_RMELEM_FILE_FROM_REMOTE}},
        {"allow_rmelem_all", {&P::ALLOW_RMELEM_DIR_FROM_REMOTE, &P::ALLOW_RMELEM_FILE_FROM_REMOTE}},
        {"allow_rmbranch", {&P::ALLOW_RMBRANCH_FROM_REMOTE}},
        {"allow_rmver", {&P::ALLOW_RMVER_FROM_REMOTE}},
        {"allow_rmlbtype", {&P::ALLOW_RMLBTYPE_FROM_REMOTE}},
        {"allow_rmbrtype", {&P::ALLOW_RMBRTYPE_FROM_REMOTE}},
        {"allow_rmattype", {&P::ALLOW_RMATTYPE_FROM_REMOTE}},
        {"allow_rnlbtype", {&P::ALLOW_RNLBTYPE_FROM_REMOTE}},
        {"allow_rnbrtype", {&P::ALLOW_RNBRTYPE_FROM_REMOTE}},
        {"allow_rnattype", {&P::ALLOW_RNATTYPE_FROM_REMOTE}},
        {"allow_lbtype_locks", {&P::ALLOW_LBTYPE_LOCKS_FROM_REMOTE}},
        {"allow_brtype_locks", {&P::ALLOW_BRTYPE_LOCKS_FROM_REMOTE}},
        {"allow_attype_locks", {&P::ALLOW_ATTYPE_LOCKS_FROM_REMOTE}},
        {"allow_element_locks", {&P::ALLOW_ELEMENT_LOCKS_FROM_REMOTE}},
        {"allow_branch_locks", {&P::ALLOW_BRANCH_LOCKS_FROM_REMOTE}},
    };
    std::vector<int P::*> every;
    for (const auto& c : cases)
        for (int P::*flag : c.allowed) every.push_back(flag);

    ReceiverSettings settings;
    settings.IMPORT_VIEW = "imp";
    settings.yes_no[IGNORE_RECEIVED_ATTRIBUTE_DATA] = true;
    fill_apply_settings(settings, "rcv");
    for (const auto& c : cases) {
        ReceiverKeyLine key = key_line((std::string("/in > preserve > ") + c.option).c_str());
        ReceivedPacket packet;
        packet.key_line = &key;
        packet.vob_tag = "/vobs/dst";
        packet.vob_path = "/vobs/dst";
        receiver_metadata::MetadataSettings m = metadata_settings_for(packet);
        for (int P::*flag : every) {
            bool wanted = std::find(c.allowed.begin(), c.allowed.end(), flag) != c.allowed.end();
            EXPECT_EQ(wanted ? 1 : 0, m.allow.*flag) << c.option;
        }
        EXPECT_EQ(0, m.ignore.ignore_received_label_data);
        EXPECT_EQ(0, m.ignore.ignore_received_branch_data);
        EXPECT_EQ(1, m.ignore.ignore_received_attribute_data);
        EXPECT_EQ("/vobs/dst", m.vob_tag);
        EXPECT_EQ("imp", m.view);
        EXPECT_EQ("rcv", m.user);
    }
}

TEST(HandoverSettings, DirectoryPersonalityLinksAndLabellingReachTheImport) {
    ReceiverSettings settings;
    settings.new_dir_personality = 0;
    settings.yes_no[IGNORE_RECEIVED_SLINKS] = true;
    fill_apply_settings(settings, "rcv");
    EXPECT_EQ(0, VERSIONS_SETTINGS.new_dir_personality);
    EXPECT_EQ(1, VERSIONS_SETTINGS.IGNORE_RECEIVED_SLINKS_VALUE);
    begin_packet_application(key_line("/in > preserve > no_label_dir"), -1);
    EXPECT_EQ(0, VERSIONS_SETTINGS.label_directories);
    EXPECT_EQ(0, VERSIONS_PACKET.new_dir_personality);
    begin_packet_application(key_line("/in"), -1);
    EXPECT_EQ(1, VERSIONS_SETTINGS.label_directories);

    settings.new_dir_personality = 1;
    settings.yes_no[IGNORE_RECEIVED_SLINKS] = false;
    fill_apply_settings(settings, "rcv");
    EXPECT_EQ(1, VERSIONS_SETTINGS.new_dir_personality);
    EXPECT_EQ(0, VERSIONS_SETTINGS.IGNORE_RECEIVED_SLINKS_VALUE);
}

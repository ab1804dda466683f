// Start-up settings: required keys, yes/no keys, trigger names, the
// personality, the inactivity window and the encryption choice, each with
// the message that refuses a bad value.
#include "receiver/config/receiver_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/crypt.h"
#include "codecs/key_file.h"
#include "receiver/config/config_text.h"
#include "tests/support/scratch_dir.h"

namespace {

const std::string BASE = "receiver_id=Alice\nview=import_v\nUTC_offset=+1\nlocation_name=east\n/srv/in>preserve\n";

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        ::mkdir(scratch.path().c_str(), 0755);
        write_file(scratch / "pre.sh", "#!/bin/sh\n");
        context.program = "vandrel_receiver";
        context.config_path = "/d/receiver.conf";
        context.trigger_dir = scratch.path();
        context.calculated_user = "alice";
        context.view_check = [this](const std::string& view) {
            checked_views.push_back(view);
            return view == "gone" ? std::string("VIEW GONE") : std::string();
        };
    }
    std::string read(const std::string& text) { return read_receiver_settings(filter_configuration(text), context, s); }

    ScratchDir scratch;
    SettingsContext context;
    ReceiverSettings s;
    std::vector<std::string> checked_views;
};

TEST_F(SettingsTest, ValidConfigurationFillsEverySetting) {
    ASSERT_EQ("", read(BASE + "ignore_received_branch_data= yes \nnew_dir_personality=branch\n"
                              "pre_receive_trigger=pre.sh\nscheduled_inactivity=23:30-01:15\n"));
    EXPECT_EQ("alice", s.IMPORT_ID);
    EXPECT_EQ("import_v", s.IMPORT_VIEW);
    EXPECT_EQ("+1", s.UTC_OFFSET);
    EXPECT_EQ("east", s.THIS_LOCATION);
    EXPECT_EQ(std::vector<std::string>{"import_v"}, checked_views);
    EXPECT_TRUE(s.yes_no[IGNORE_RECEIVED_BRANCH_DATA]);
    EXPECT_FALSE(s.yes_no[IGNORE_RECEIVED_LABEL_DATA]);
    EXPECT_EQ(0, s.new_dir_personality);
    EXPECT_EQ("pre.sh", s.pre_receive.name);
    EXPECT_EQ(scratch / "pre.sh", s.pre_receive.path);
    EXPECT_FALSE(s.post_receive.configured());
    EXPECT_TRUE(s.inactivity.defined);
    EXPECT_EQ(23, s.inactivity.start_hour);
    EXPECT_EQ(15, s.inactivity.end_minute);
}

// Each row: extra or replacing configuration text and the failure expected
// ("" for acceptance).
struct Row {
    const char* what;
    std::string text;
    std::string failure;
};

TEST_F(SettingsTest, FaultsAreRefusedWithTheirMessages) {
    const std::string P = "START_FAILED: vandrel_receiver Config. File (/d/receiver.conf) ";
    const std::string ABSENT = "view=import_v\nUTC_offset=+1\nlocation_name=east\n";
    const std::vector<Row> rows = {
        {"no receiver id", ABSENT, P + "has Required receiver_id not defined."},
        {"empty receiver id", "receiver_id=   \n" + ABSENT, P + "has Required receiver_id not defined."},
        {"another user", "receiver_id=bob\n" + ABSENT,
         P + "has Required Receiver ID (bob) defined as proper runner not userid (alice)..."},
        {"commented id", "  # receiver_id=alice\n" + ABSENT, P + "has Required receiver_id not defined."},
        {"no view", "receiver_id=alice\nUTC_offset=+1\nlocation_name=east\n",
         P + "has Required replica view not defined."},
        {"view check refuses", "receiver_id=alice\nview=gone\nUTC_offset=+1\nlocation_name=east\n", "VIEW GONE"},
        {"longer key ending in view=", "receiver_id=alice\npreview=pv\nUTC_offset=+1\nlocation_name=east\n", ""},
        {"yes/no other word", BASE + "suppress_locked_branch_checking=Yes\n",
         P + "has Illegal Optional SUPPRESS_LOCKED_BRANCH_CHECKING (Yes).  Must be \"yes\" or \"no\"."},
        {"yes/no empty", BASE + "ignore_received_attribute_data=\n",
         P + "has Illegal Optional IGNORE_RECEIVED_ATTRIBUTE_DATA ().  Must be \"yes\" or \"no\"."},
        {"slinks", BASE + "ignore_received_slinks=maybe\n",
         P + "has Illegal Optional IGNORE_RECEIVED_SLINKS (maybe).  Must be \"yes\" or \"no\"."},
        {"personality", BASE + "new_dir_personality=trunk\n",
         P + "has Illegal Optional NEW_DIR_PERSONALITY (trunk).  Must be \"main\" or \"branch\"."},
        {"trigger with dir", BASE + "post_receive_trigger=../x.sh\n",
         P + "has Illegal Optional POST_RECEIVE_TRIGGER_SCRIPT (../x.sh).  No dir char '/' or '\\' allowed."},
        {"trigger with backslash", BASE + "startup_trigger=a\\b\n",
         P + "has Illegal Optional STARTUP_TRIGGER_SCRIPT (a\\b).  No dir char '/' or '\\' allowed."},
        {"missing trigger", BASE + "shutdown_trigger=gone.sh\n",
         P + "has Optional SHUTDOWN_TRIGGER_SCRIPT (gone.sh) defined but not accessable in trigger dir (" +
             scratch.path() + ")"},
        {"empty trigger is none", BASE + "shutdown_trigger=\n", ""},
        {"no UTC offset", "receiver_id=alice\nview=v\nlocation_name=east\n", P + "has Required UTC_offset not defined"},
        {"empty UTC offset", "receiver_id=alice\nview=v\nUTC_offset=\nlocation_name=east\n",
         P + "had Required UTC_offset not defined"},
        {"no location", "receiver_id=alice\nview=v\nUTC_offset=0\n", P + "has Required location name not defined"},
        {"empty location", "receiver_id=alice\nview=v\nUTC_offset=0\nlocation_name= \n",
         P + "had Required location name not defined"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.failure, read(row.text)) << row.what;
    }
}

TEST_F(SettingsTest, InactivityWindowForms) {
    const std::string bad =
        "START_FAILED: vandrel_receiver Config. File (/d/receiver.conf) has Illegal Optional "
        "SCHEDULED_INACTIVITY (%s).  Must be duration from 2 unique times of the form: "
        "\"hh:mm-hh:mm\".";
    const struct {
        const char* value;
        bool accepted;
    } rows[] = {
        {"23:30-01:15", true},
        {"00:00-23:59", true},
        {" 08:00-09:00 ", true},
        {"22:00-22:00", false},
        {"7:00-9:00", false},
        {"24:00-01:00", false},
        {"01:60-02:00", false},
        {"01:00-02:00x", false},
        {"01:00_02:00", false},
        {"01.00-02:00", false},
        {"", false},
    };
    for (const auto& row : rows) {
        std::string failure = read(BASE + "scheduled_inactivity=" + row.value + "\n");
        std::string word = first_word(row.value);
        if (row.accepted) {
            EXPECT_EQ("", failure) << row.value;
            EXPECT_TRUE(s.inactivity.defined) << row.value;
        } else {
            std::string expected = bad;
            expected.replace(expected.find("%s"), 2, word);
            EXPECT_EQ(expected, failure) << row.value;
        }
    }
}

TEST(InactivityWindow, InsideAndOutsideIncludingAcrossMidnight) {
    InactivityWindow night;
    ASSERT_TRUE(parse_inactivity_window("23:30-01:15", night));
    InactivityWindow day;
    ASSERT_TRUE(parse_inactivity_window("08:00-09:00", day));
    auto at = [](int hour, int minute) {
        std::time_t now = std::time(nullptr);
        struct tm local;
        localtime_r(&now, &local);
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_sec = 30;
        local.tm_isdst = -1;
        return std::mktime(&local);
    };
    EXPECT_EQ(1, in_inactive_time(night, at(23, 45)));
    EXPECT_EQ(1, in_inactive_time(night, at(0, 30)));
    EXPECT_EQ(0, in_inactive_time(night, at(12, 0)));
    EXPECT_EQ(1, in_inactive_time(day, at(8, 30)));
    EXPECT_EQ(0, in_inactive_time(day, at(9, 1)));
    EXPECT_EQ(0, in_inactive_time(InactivityWindow{}, at(8, 30)));
}

TEST(ConfigText, FilterDropsCommentsAndBlankLinesOnly) {
    EXPECT_EQ("a=1\n/x>y # not a comment\n",
              filter_configuration("a=1\n   # view=v\n\n \t\n/x>y # not a comment\n#\n"));
}

TEST(ConfigText, ReadKeepsTheLimitAndReportsACut) {
    ScratchDir dir;
    std::string text;
    bool cut = true;
    write_file(dir / "small.conf", "view=v");
    EXPECT_EQ(ConfigRead::ok, read_config_file(dir / "small.conf", text, &cut));
    EXPECT_EQ("view=v\n", text);
    EXPECT_FALSE(cut);
    write_file(dir / "big.conf", std::string(RECEIVER_CONFIG_BUFFER + 10, 'x'));
    EXPECT_EQ(ConfigRead::ok, read_config_file(dir / "big.conf", text, &cut));
    EXPECT_EQ(RECEIVER_CONFIG_BUFFER, text.size());
    EXPECT_TRUE(cut);
    write_file(dir / "empty.conf", "");
    EXPECT_EQ(ConfigRead::empty_or_failed, read_config_file(dir / "empty.conf", text));
    EXPECT_EQ(ConfigRead::cannot_open, read_config_file(dir / "none.conf", text));
}

// The encryption check runs after the window and before the required
// offset and location, and its refusal is passed on as it is.
TEST_F(SettingsTest, EncryptionChoiceAndKeyFiles) {
    const std::string conf = "/d/receiver.conf";
    const std::string key = scratch / "receiver_key.txt";
    std::string text;
    context.encryption_check = [&] { return choose_encryption("vandrel_receiver", conf, text, key); };
    auto attempt = [&](const std::string& extra) {
        text = filter_configuration(BASE + extra);
        return read_receiver_settings(text, context, s);
    };
    const std::string range =
        "START_FAILED: vandrel_receiver Config. File (/d/receiver.conf) has ENCRYPTION out of range [standard, "
        "peer_to_peer]";
    EXPECT_EQ("", attempt(""));
    EXPECT_STREQ("standard", ENCRYPTION.USING_ENCRYPTION);
    EXPECT_EQ("", attempt("encryption=  standard  \n"));
    EXPECT_EQ(range, attempt("encryption=standard extra\n"));
    EXPECT_EQ(range, attempt("encryption=Standard\n"));
    EXPECT_EQ(
        "START_FAILED: vandrel_receiver Config. File (/d/receiver.conf) has ENCRYPTION=peer_to_peer, but "
        "required key_file (" +
            key + ") not found",
        attempt("encryption=peer_to_peer\n"));
    write_file(key, key_file_digits(INTERNAL_HASH_KEY).substr(0, 700));
    EXPECT_EQ("START_FAILED: vandrel_receiver Encryption Key File (" + key + ") does cannot be read or is empty",
              attempt("encryption=peer_to_peer\n"));
    std::string digits = key_file_digits(INTERNAL_HASH_KEY);
    digits.replace(0, 3, digits.substr(3, 3));  // a value twice
    write_file(key, digits);
    EXPECT_EQ("START_FAILED: vandrel_receiver Encryption Key File (" + key + ") is incompleted or invalid",
              attempt("encryption=peer_to_peer\n"));
    HashKey other = INTERNAL_HASH_KEY;
    std::swap(other[0], other[1]);
    write_file(key, key_file_digits(other));
    EXPECT_EQ("", attempt("encryption=peer_to_peer\n"));
    EXPECT_STREQ("peer_to_peer", ENCRYPTION.USING_ENCRYPTION);
    EXPECT_EQ(other, HASH_KEY);
    // An encryption fault is reported before a missing location.
    text = filter_configuration("receiver_id=alice\nview=v\nUTC_offset=0\nencryption=none\n");
    EXPECT_EQ(range, read_receiver_settings(text, context, s));
    HASH_KEY = INTERNAL_HASH_KEY;
    ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_STANDARD;
}

}  // namespace

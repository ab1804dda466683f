// The global keys of the shipper's configuration: each file with one fault
// against the message that ends the start, and what a good file sets.
#include <gtest/gtest.h>

#include <string>

#include "codecs/crypt.h"
#include "codecs/key_file.h"
#include "shipper/config/config_file.h"
#include "shipper/config/shipper_settings.h"
#include "tests/support/scratch_dir.h"

using namespace shipper_config;

namespace {

const std::string kGood =
    "shipper_id=Alice\n"
    "view=good_view\n"
    "location_name=siteA\n"
    "transport_program=/usr/bin/sftp\n"
    "UTC_offset=+0100\n";

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir((dir / "triggers").c_str(), 0755);
        write_file(dir / "triggers/pre.sh", "#!/bin/sh\n");
        ::mkdir((dir / "scripts").c_str(), 0755);
        write_file(dir / "scripts/pre.sh", "#!/bin/sh\n");
        context.program = "vandrel_shipper";
        context.config_path = "/d/m_bay/config/shipper.conf";
        context.calculated_user = "alice";
        context.trigger_dir = dir / "triggers";
        context.key_path = dir / "shipper_key.txt";
        context.check_view = [](const std::string& view) { return view == "good_view" ? 1 : view == "stuck" ? -1 : 0; };
    }
    void TearDown() override {
        HASH_KEY = INTERNAL_HASH_KEY;
        ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_STANDARD;
    }
    std::string check(const std::string& text) { return read_global_settings(kept_lines(text), context, settings); }

    ScratchDir dir;
    SettingsContext context;
    ShipperSettings settings;
};

// Replaces the first line starting with `key` in the good file, or adds
// the line when the key is not there; an empty line removes the key.
std::string with(const std::string& key, const std::string& line) {
    std::string text = kGood;
    std::size_t at = text.find(key);
    if (at != std::string::npos) {
        std::size_t end = text.find('\n', at);
        text.replace(at, end - at + 1, line.empty() ? "" : line + "\n");
    } else {
        text += line + "\n";
    }
    return text;
}

TEST_F(Settings, EachFaultEndsTheStartWithItsMessage) {
    const std::string P = "START_FAILED: vandrel_shipper Config. File (/d/m_bay/config/shipper.conf)";
    const std::string LIMIT = P + " has TRANSPORT_TIME_LIMIT out of range [1..86400] seconds";
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {with("shipper_id=", ""), P + " has Required shipper_id not defined."},
        {with("shipper_id=", "shipper_id=bob"),
         P + " has Required Shipper ID (bob) defined as proper runner not userid (alice)..."},
        {with("view=", ""), P + " has Required replica view not defined"},
        {with("view=", "# view=good_view"), P + " has Required replica view not defined"},
        {with("view=", "view=nosuch"), P + ": defined replication view (nosuch) does not exist..."},
        {with("view=", "view=stuck"), P + ": defined replication view (stuck) would not start..."},
        {with("location_name=", ""), P + " has Required Location name not defined"},
        {with("transport_program=", ""), P + " has required Transport Program not defined"},
        {with("transport_program=", "transport_program=/usr/bin/"), P + " has required Transport Program not defined"},
        {with("transport_program=", "transport_program=scp"),
         P + " has TRANSPORT_PROGRAM not program from [ftp, sftp, psftpk, psftpp, ssftp, lftp]"},
        {with("transport_program=", "transport_program=/opt/sftp/bin/scp"),
         P + " has TRANSPORT_PROGRAM not program from [ftp, sftp, psftpk, psftpp, ssftp, lftp]"},
        // The time limit of one transport run: whole seconds from 1 to a day.
        {with("transport_time_limit=", "transport_time_limit=0"), LIMIT},
        {with("transport_time_limit=", "transport_time_limit=86401"), LIMIT},
        {with("transport_time_limit=", "transport_time_limit=-30"), LIMIT},
        {with("transport_time_limit=", "transport_time_limit=2h"), LIMIT},
        {with("transport_time_limit=", "transport_time_limit=99999999999"), LIMIT},
        {with("transport_time_limit=", "transport_time_limit="), LIMIT},
        {with("transport_time_limit=", "transport_time_limit=   "), LIMIT},
        {with("pre_ship_trigger=", "pre_ship_trigger=scripts/pre.sh"),
         P + " has Illegal Optional PRE_SHIP_TRIGGER_SCRIPT (scripts/pre.sh).  No dir char '/' or '\\' allowed."},
        {with("shutdown_trigger=", "shutdown_trigger=a\\b"),
         P + " has Illegal Optional SHUTDOWN_TRIGGER_SCRIPT (a\\b).  No dir char '/' or '\\' allowed."},
        {with("post_ship_trigger=", "post_ship_trigger=gone.sh"),
         P + " has Optional POST_SHIP_TRIGGER_SCRIPT (gone.sh) defined but not accessable in trigger dir (" +
             dir / "triggers" + ")"},
        {with("startup_trigger=", "startup_trigger=gone.sh"),
         P + " has Optional STARTUP_TRIGGER_SCRIPT (gone.sh) defined but not accessable in trigger dir (" +
             dir / "triggers" + ")"},
        {with("UTC_offset=", ""), P + " has Required UTC_offset not defined"},
        {with("duration_scale=", "duration_scale=week"), P + " has DURATION_SCALE out of range [second, minute, hour]"},
        {with("duration=", "duration=1441"), P + " has DURATION out of range [0..1440] minutes"},
        {with("duration=", "duration=-1"), P + " has DURATION out of range [0..1440] minutes"},
        {with("duration=", "duration=soon"), P + " has DURATION out of range [0..1440] minutes"},
        {with("duration=", "duration_scale=HOUR\nduration=25"), P + " has DURATION out of range [0..24] hours"},
        {with("duration=", "duration_scale=second\nduration=61"), P + " has DURATION out of range [0..60] seconds"},
        {with("slink_scale=", "slink_scale=4"), P + " has SLINK_SCALE out of range [0..3]"},
        {with("slink_scale=", "slink_scale=-1"), P + " has SLINK_SCALE out of range [0..3]"},
        {with("postp_scale=", "postp_scale=0"), P + " has POSTP_SCALE out of range [1..3]"},
        {with("postp_scale=", "postp_scale=4"), P + " has POSTP_SCALE out of range [1..3]"},
        {with("encryption=", "encryption=strong"), P + " has ENCRYPTION out of range [standard, peer_to_peer]"},
        {with("encryption=", "encryption=peer_to_peer"),
         P + " has ENCRYPTION=peer_to_peer, but required key_file (" + dir / "shipper_key.txt" + ") not found"},
        {with("add_class=", "add_class=3\nadd_class=5\nadd_class=3"), P + " has ADDITIONAL CLASS (3) defined twice"},
        {with("add_class=", "add_class=12"), P + " has ADDITIONAL CLASS out of range [0..9]"},
        {with("add_class=", "add_class=x"), P + " has ADDITIONAL CLASS out of range [0..9]"},
        // The keys are checked in order: the first fault is the one reported.
        {with("location_name=", "duration=5000"), P + " has Required Location name not defined"},
        {with("duration=", "slink_scale=9\nduration=5000"), P + " has SLINK_SCALE out of range [0..3]"},
        {with("transport_program=", "transport_program=scp\ntransport_time_limit=0"),
         P + " has TRANSPORT_PROGRAM not program from [ftp, sftp, psftpk, psftpp, ssftp, lftp]"},
        {with("UTC_offset=", "transport_time_limit=0"), LIMIT},
    };
    for (const Case& c : cases) EXPECT_EQ(check(c.text), c.message) << c.text;
}

TEST_F(Settings, AddClassInAClassFileIsRefused) {
    context.class_file = true;
    context.class_digit = '3';
    EXPECT_EQ(check(kGood + "add_class=4\n"),
              "START_FAILED: vandrel_shipper Config. File (/d/m_bay/config/shipper.conf) has illegal ADDITIONAL "
              "CLASS(ES) defined in shipping class file (3)");
    EXPECT_EQ(check(kGood), "");
}

TEST_F(Settings, GoodFileSetsEverySetting) {
    std::string text = kGood +
                       "# duration=99 is a comment\n"
                       "duration_scale=Second\nduration=0\nslink_scale=0\npostp_scale=3\n"
                       "pre_ship_trigger=  pre.sh  \nadd_class=2\nadd_class=7\nMVFS_DRIVE=M:\n"
                       "transport_time_limit= 600 \n";
    ASSERT_EQ(check(text), "");
    EXPECT_EQ(settings.IMPORT_ID, "alice");
    EXPECT_EQ(settings.EXPORT_VIEW, "good_view");
    EXPECT_EQ(settings.THIS_LOCATION, "siteA");
    EXPECT_EQ(settings.TRANSPORT_PROGRAM, "/usr/bin/sftp");
    EXPECT_EQ(settings.transport_kind, TransportKind::Sftp);
    EXPECT_EQ(settings.TRANSPORT_TIME_LIMIT, 600);
    EXPECT_EQ(settings.UTC_OFFSET, "+0100");
    EXPECT_EQ(settings.DURATION_SCALE, "second");
    EXPECT_EQ(settings.DURATION_SCALE_X, 1);
    EXPECT_EQ(settings.DURATION_MAX, 60);
    EXPECT_EQ(settings.DURATION, 0);
    EXPECT_EQ(settings.SLINK_SCALE, 0);
    EXPECT_EQ(settings.REAL_SLINK_MAX, 0);
    EXPECT_EQ(settings.POSTP_SCALE, 3);
    EXPECT_EQ(settings.pre_ship.name, "pre.sh");
    EXPECT_EQ(settings.pre_ship.path, dir / "triggers/pre.sh");
    EXPECT_FALSE(settings.post_ship.configured());
    EXPECT_EQ(settings.DEFINED_ADDITIONAL_CLASSES.to_ulong(), (1UL << 2) | (1UL << 7));
}

TEST_F(Settings, DefaultsAndAKeyInsideAnotherLine) {
    // A key's text is found anywhere in the kept lines, not only at a line's start.
    std::string text = with("view=", "old_view=good_view");
    ASSERT_EQ(check(text), "");
    EXPECT_EQ(settings.EXPORT_VIEW, "good_view");
    EXPECT_EQ(settings.DURATION_SCALE, "minute");
    EXPECT_EQ(settings.DURATION_SCALE_X, 60);
    EXPECT_EQ(settings.DURATION, 5);
    EXPECT_EQ(settings.SLINK_SCALE, 1);
    EXPECT_EQ(settings.REAL_SLINK_MAX, 10240);
    EXPECT_EQ(settings.POSTP_SCALE, 1);
    EXPECT_EQ(settings.TRANSPORT_TIME_LIMIT, 7200);
    EXPECT_EQ(std::string(ENCRYPTION.USING_ENCRYPTION), ENCRYPTION_STANDARD);
    EXPECT_EQ(check(with("duration_scale=", "duration_scale=hour\nduration=24")), "");
    EXPECT_EQ(settings.DURATION, 24);
    // The time limit's ends are allowed.
    for (int limit : {1, 86400}) {
        ASSERT_EQ(check(with("transport_time_limit=", "transport_time_limit=" + std::to_string(limit))), "") << limit;
        EXPECT_EQ(settings.TRANSPORT_TIME_LIMIT, limit);
    }
}

TEST_F(Settings, TransportKindsByBaseName) {
    struct Case {
        const char* program;
        TransportKind kind;
    };
    const Case cases[] = {{"ftp", TransportKind::Ftp},           {"/usr/bin/lftp", TransportKind::Lftp},
                          {"sftp", TransportKind::Sftp},         {"/usr/local/bin/psftpp", TransportKind::Psftpp},
                          {"psftpk.exe", TransportKind::Psftpk}, {"/opt/ssftp", TransportKind::Ssftp},
                          {"/opt/lftp/ftp", TransportKind::Ftp}};
    for (const Case& c : cases) {
        ASSERT_EQ(check(with("transport_program=", std::string("transport_program=") + c.program)), "") << c.program;
        EXPECT_EQ(settings.transport_kind, c.kind) << c.program;
    }
    // Blanks are kept only when the site allows them.
    EXPECT_NE(check(with("transport_program=", "transport_program=/opt/my tools/sftp")), "");
    EXPECT_EQ(settings.TRANSPORT_PROGRAM, "/opt/my");
    context.allow_spaces_in_transport = true;
    ASSERT_EQ(check(with("transport_program=", "transport_program=/opt/my tools/sftp")), "");
    EXPECT_EQ(settings.TRANSPORT_PROGRAM, "/opt/my tools/sftp");
}

TEST_F(Settings, PeerToPeerEncryptionReadsTheKeyFile) {
    HashKey key = INTERNAL_HASH_KEY;
    std::swap(key[3], key[4]);
    write_file(dir / "shipper_key.txt", key_file_digits(key));
    ASSERT_EQ(check(with("encryption=", "encryption=peer_to_peer")), "");
    EXPECT_EQ(std::string(ENCRYPTION.USING_ENCRYPTION), ENCRYPTION_PEER_TO_PEER);
    EXPECT_EQ(HASH_KEY, key);
    write_file(dir / "shipper_key.txt", "123");
    EXPECT_NE(check(with("encryption=", "encryption=peer_to_peer")).find("Encryption Key File"), std::string::npos);
}

}  // namespace

// The communication test's pieces: the command line, the test packet, the
// script in each transport kind's words, the printed configuration and box.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shipper/config/shipper_settings.h"
#include "shiptest/command_line.h"
#include "shiptest/communication.h"
#include "shiptest/printed_log.h"
#include "shiptest/report.h"
#include "tests/support/scratch_dir.h"

TEST(ShiptestCommandLine, ArgumentTable) {
    struct Case {
        std::vector<const char*> args;
        int status;
        std::string class_digit;
        int meg;
    };
    const std::vector<Case> cases = {
        {{"/d", "siteB"}, 0, "", 10},
        {{"/d", "siteB", "meg=1"}, 0, "", 1},
        {{"/d", "siteB", "meg=100"}, 0, "", 100},
        {{"/d", "siteB", "meg=010"}, 0, "", 10},
        {{"/d", "siteB", "class=3", "meg=5"}, 0, "3", 5},
        {{"/d", "siteB", "meg=5", "class=3"}, 0, "3", 5},
        {{"/d", "siteB", "class=0"}, 0, "0", 10},
        {{"/d", "siteB", "meg=0"}, 35, "", 10},
        {{"/d", "siteB", "meg=101"}, 35, "", 10},
        {{"/d", "siteB", "meg=0100"}, 35, "", 10},  // eight characters
        {{"/d", "siteB", "meg="}, 35, "", 10},
        {{"/d", "siteB", "meg=5x"}, 35, "", 10},
        {{"/d", "siteB", "meg=-5"}, 35, "", 10},
        {{"/d", "siteB", "class=10"}, 35, "", 10},
        {{"/d", "siteB", "class=x"}, 35, "", 10},
        {{"/d", "siteB", "class=3", "class=4"}, 35, "", 10},
        {{"/d", "siteB", "meg=5", "meg=6"}, 35, "", 10},
        {{"/d", "siteB", "-wait"}, 35, "", 10},
        {{"/d", "remote site"}, 35, "", 10},
        {{"/d", "a/b"}, 35, "", 10},
        {{"/d", "a\\b"}, 35, "", 10},
        {{"/d", "-siteB"}, 35, "", 10},
        {{"-help"}, 34, "", 10},
        {{"/d"}, 34, "", 10},
        {{}, 36, "", 10},
        {{"/d", "siteB", "class=3", "meg=5", "x"}, 36, "", 10},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"vandrel_shiptest"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ShiptestCommandLine line;
        std::string message;
        std::string shown;
        for (const char* a : c.args) shown += std::string(a) + " ";
        EXPECT_EQ(parse_shiptest_command_line(static_cast<int>(argv.size()), argv.data(), line, message), c.status)
            << shown;
        if (c.status == 0) {
            EXPECT_EQ(line.class_digit, c.class_digit) << shown;
            EXPECT_EQ(line.meg, c.meg) << shown;
        }
    }
    ShiptestCommandLine line;
    std::string message;
    const char* blank[] = {"x", "/d", "remote site"};
    parse_shiptest_command_line(3, blank, line, message);
    EXPECT_EQ(message, "Invalid character in test location name (remote site) :\n\n");
    const char* sw[] = {"x", "/d", "-x"};
    parse_shiptest_command_line(3, sw, line, message);
    EXPECT_EQ(message, "Invalid test location name (-x) - starts like switch:\n\n");
    EXPECT_EQ(shiptest_usage("./st"),
              "vandrel_shiptest USAGE: ./st -ver | -help | ( path_to_Quorlin_depot remote_location [class=0..9] "
              "[meg=1-100]) \n");
}

TEST(ShiptestPacket, TestDataIsSizeTimesMegOfBlankLines) {
    ScratchDir dir;
    const std::string path = dir / "data";
    ASSERT_EQ(write_test_data(path, 2), 1);
    const std::string data = read_file(path);
    ASSERT_EQ(data.size(), 2u * 1048575u);
    EXPECT_EQ(data.find_first_not_of(" \n"), std::string::npos);
    EXPECT_EQ(data.substr(0, 1025), std::string(1024, ' ') + "\n");
    EXPECT_EQ(mode_of(path), 0600u);
    // Created exclusively: an existing file (or a link planted there) is not written through.
    EXPECT_EQ(write_test_data(path, 1), 0);
    EXPECT_EQ(read_file(path).size(), 2u * 1048575u);
}

TEST(ShiptestPacket, NamesAndScriptOfEachKind) {
    TestFiles f = test_file_names("/e", "siteB", "siteA", 42);
    EXPECT_EQ(f.probe, "/e/vl_ping_test.conf.siteB.siteA.42");
    EXPECT_EQ(f.output, "/e/vl_ping_test.out.siteB.siteA.42");
    EXPECT_EQ(f.errors, "/e/vl_ping_test.err.siteB.siteA.42");
    const std::string data_prefix = "/e/vl_ping_test.data.siteB.siteA.";
    ASSERT_EQ(f.data.substr(0, data_prefix.size()), data_prefix);
    EXPECT_EQ(f.data.size(), data_prefix.size() + 100 + 3);
    const std::size_t script_name = f.script.size() - 3;
    EXPECT_GE(script_name, 81u);
    EXPECT_LE(script_name, 110u);

    Transport t;
    t.settings.local_dir = "/e";
    t.receiver = {"host", "user", "pw", "/in box"};
    f.data = "/e/D";
    f.probe = "/e/P";
    const std::string body = "put \"P\"\nput \"D\"\n!rm \"P\"\n!rm \"D\"\nget \"P\"\n%s \"D\"\n%s \"P\"\nquit\n";
    struct Case {
        TransportKind kind;
        std::string head;
        std::string remote_delete;
    };
    const std::vector<Case> cases = {
        {TransportKind::Ftp, "user user pw\nverbose\nascii\ncd \"/in box\"\nlcd \"/e\"\n", "del"},
        {TransportKind::Sftp, "cd \"/in box\"\nlcd \"/e\"\n", "del"},
        {TransportKind::Psftpp, "cd \"/in box\"\nlcd \"/e\"\n", "del"},
    };
    for (const Case& c : cases) {
        t.settings.kind = c.kind;
        std::string expected = c.head + body;
        expected.replace(expected.find("%s"), 2, c.remote_delete);
        expected.replace(expected.find("%s"), 2, c.remote_delete);
        EXPECT_EQ(test_script_text(t, f), expected) << transport_kind_name(c.kind);
    }
    t.settings.kind = TransportKind::Ssftp;
    std::string ssftp = test_script_text(t, f);
    EXPECT_NE(ssftp.find("lrm \"P\"\nlrm \"D\"\nget \"P\"\nrm \"D\"\nrm \"P\"\n"), std::string::npos) << ssftp;
    t.settings.kind = TransportKind::Lftp;
    std::string lftp = test_script_text(t, f);
    // lftp stops at the first failure, before it could send into the wrong directory.
    EXPECT_LT(lftp.find("set cmd:fail-exit yes"), lftp.find("cd \"/in box\""));
    EXPECT_NE(lftp.find("open -u user,pw host\n"), std::string::npos);
    EXPECT_NE(lftp.find("rm \"D\"\nrm \"P\"\nquit\n"), std::string::npos);
}

TEST(ShiptestReport, ConfigurationAndBox) {
    shipper_config::ShipperSettings s;
    s.DURATION = 5;
    s.EXPORT_VIEW = "v";
    s.THIS_LOCATION = "siteA";
    s.UTC_OFFSET = "+1";
    s.TRANSPORT_PROGRAM = "lftp";
    s.IMPORT_ID = "root";
    s.pre_ship = {"pre.sh", "/t/pre.sh"};
    s.DEFINED_ADDITIONAL_CLASSES.set(3);
    std::string main = configuration_text(s, "standard", "", "siteB", 7);
    EXPECT_EQ(main.substr(0, 60), "== with these VALID static variables: ==\n\t\tduration=5\n\t\tview");
    EXPECT_NE(main.find("\t\tpre_ship_trigger=pre.sh\n\t\tpost_ship_trigger=(none)\n"), std::string::npos);
    EXPECT_NE(main.find("\t\tshipper_class=(none)\n\t\t(optional) Shipper Class 0 disabled"), std::string::npos);
    EXPECT_NE(main.find("(optional) Shipper Class 3 enabled"), std::string::npos);
    EXPECT_EQ(main.find("slink_scale"), std::string::npos);
    EXPECT_EQ(main.find("transport_time_limit"), std::string::npos);
    EXPECT_NE(main.find("Class 9 disabled\n==>>> Evaluating communnication from \"siteA\" >>> \"siteB\" for 7 Meg\n"),
              std::string::npos);

    s.SLINK_SCALE = 0;
    s.POSTP_SCALE = 2;
    s.DURATION_SCALE = "hour";
    s.TRANSPORT_TIME_LIMIT = 30;
    std::string cls = configuration_text(s, "peer_to_peer", "3", "siteB", 7);
    EXPECT_NE(cls.find("\t\tencryption=peer_to_peer\n"), std::string::npos);
    EXPECT_NE(cls.find("\t\tshipper_class=3\n\t\t(optional) slink_scale=0\n\t\t(optional) postp_scale=2\n\t\t("
                       "optional) duration_scale=hour\n\t\t(optional) transport_time_limit=30\n==>>>"),
              std::string::npos)
        << cls;
    EXPECT_EQ(cls.find("Shipper Class"), std::string::npos);

    EXPECT_EQ(bandwidth_box(10, "siteB", 0),
              "\t-----------------------------------------------\n\t| 10 Meg sent to \"siteB\" in 1 second.\n\t| \n"
              "\t|     actual bandwidth = 10.000 Meg/second.\n\t-----------------------------------------------\n");
    EXPECT_NE(bandwidth_box(10, "siteB", 3).find("in 3 seconds.\n\t| \n\t|     actual bandwidth = 3.333 Meg"),
              std::string::npos);
}

TEST(ShiptestReport, LogStampsAreDroppedFromPrintedLines) {
    EXPECT_EQ(without_log_stamp("[Thu Dec 10 06:59:04 2026 UTC +0] --- end ---- ", "+0"), "--- end ---- ");
    EXPECT_EQ(without_log_stamp("cd: Access failed: x", "+0"), "cd: Access failed: x");
    EXPECT_EQ(without_log_stamp("[not a stamp] x", "+0"), "[not a stamp] x");
}

// The shipper daemon's pieces without a depot: the command line, the start
// banner, the pass over the configuration (calls, order, refusals, queued
// stops, runtime classes, idle cost) and the trigger scripts' environment.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "codecs/crypt.h"
#include "common/depot.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/locks.h"
#include "common/log.h"
#include "shipper/daemon/command_line.h"
#include "shipper/daemon/service_loop.h"
#include "shipper/daemon/shipper_state.h"
#include "shipper/daemon/shipping_pass.h"
#include "shipper/daemon/start_banner.h"
#include "shipper/daemon/trigger_scripts.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(ShipperCommandLine, ExitStatusOfEachShape) {
    struct Case {
        std::vector<const char*> args;
        int code;
        const char* class_digit;
        bool sticky;
    };
    const Case cases[] = {
        {{}, 36, "", false},
        {{"-help"}, 34, "", false},
        {{"/d"}, 34, "", false},
        {{"/d", "-begin"}, 35, "", false},
        {{"/d", "-start"}, 0, "", false},
        {{"/d", "-test_once", "3"}, 0, "3", false},
        {{"/d", "-once", "-wait"}, 0, "", true},
        {{"/d", "-stop", "7", "-wait"}, 0, "7", true},
        {{"/d", "-start", "10"}, 35, "", false},
        {{"/d", "-start", "x"}, 35, "", false},
        {{"/d", "-start", "3", "-nowait"}, 35, "", false},
        {{"/d", "-start", "-wait", "3"}, 35, "", false},
        {{"/d", "-start", "3", "-wait", "extra"}, 36, "", false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"vandrel_shipper"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ShipperCommandLine line;
        int code = parse_shipper_command_line(static_cast<int>(argv.size()), argv.data(), line);
        EXPECT_EQ(code, c.code) << c.args.size();
        if (code == 0) {
            EXPECT_EQ(line.class_digit, c.class_digit);
            EXPECT_EQ(line.sticky, c.sticky);
        }
    }
    EXPECT_EQ(shipper_usage("./vs"),
              "vandrel_shipper USAGE: ./vs -ver | -help | path_to_Quorlin_depot ( -start | -once | -stop | -restart | "
              "-reonce | -queue_stop | -dequeue_stop ) [0..9] [-wait]) \n");
}

// A depot-less shipper: logs in a scratch folder, the shipping requests'
// folder and the daemon files there too.
class Daemon : public ::testing::Test {
protected:
    void SetUp() override {
        set_identity(SHIPPER_SELF, SHIPPER_DAEMON_STEM);
        SHIPPER = ShipperProcess{};
        SHIPPER.CONF = dir / "shipper.conf";
        SHIPPER.settings.THIS_LOCATION = "siteA";
        DEPOT_PATHS.CONF_DIR = dir.path();
        DEPOT_PATHS.SHIP_DIR = dir.path();
        DEPOT_PATHS.LOG_DIR = dir.path();
        set_log_files(dir.path(), "shipper", "", false);
        set_daemon_files(dir.path(), SHIPPER_DAEMON_STEM);
        FRAME.EXECUTED_SHUTDOWN_ALREADY = 0;
    }
    void TearDown() override {
        set_log_files("", "shipper", "", false);
        LOG_FILES = LogFileSet{};
        LOCKS.files = DaemonFiles{};
    }
    std::string log(const char* name) { return read_file(dir / name); }
    ScratchDir dir;
};

struct Call {
    int vob_id;
    std::string location;
    bool operator==(const Call&) const = default;
};

TEST_F(Daemon, EveryLocationOfEveryGoodLineInOrderEvenAfterFailures) {
    write_file(dir / "more.conf", "9>/vobs/c>>.>/vobs/d>.>siteZ\n");
    std::string text =
        "view=dev\n"
        "10000>/vobs/a>>.>/vobs/b>.>siteB\n"
        "5>/vobs/a>>.>/vobs/b>.>siteB siteC  siteD>ship\n"
        "include_file=more.conf\n"
        "6>/vobs/a>>.>/vobs/b>/x>siteB\n"
        "7>/vobs/a>>src\\lib>/vobs/b>.>siteE\n";
    std::vector<Call> calls;
    std::vector<std::string> portions;
    run_config_pass(text, [&](int id, const std::string&, const std::string&, const std::string& orig,
                              const std::string&, const std::string& location, bool) {
        calls.push_back({id, location});
        portions.push_back(orig);
        SHIPPER.LOST_RACE = location == "siteD";
        return location == "siteB" || location == "siteD" ? 0 : 1;
    });
    std::vector<Call> expected = {{5, "siteB"}, {5, "siteC"}, {5, "siteD"}, {7, "siteE"}, {9, "siteZ"}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(portions[3], "src/lib");
    std::string all = log("shipper_all.txt");
    EXPECT_NE(all.find("] Completed with error (mship.005.siteB)\n"), std::string::npos);
    EXPECT_NE(all.find("] Package (mship.005.siteD) processed by another shipper...\n"), std::string::npos);
    EXPECT_EQ(all.find("mship.005.siteC"), std::string::npos);
    std::string errors = log("shipper_errors.txt");
    EXPECT_NE(errors.find("REPLICATION DENIED: vandrel_shipper Config. File (" + SHIPPER.CONF +
                          ") had VOB_ID out of range [0..9999] for VOB key (10000>/vobs/a>>.>/vobs/b>.>siteB)"),
              std::string::npos);
    EXPECT_NE(errors.find("had invalid absolute VOB_DEST_PORTION for VOB key (6>"), std::string::npos);
}

TEST_F(Daemon, AQueuedStopIsHonouredBeforeTheNextKeyLine) {
    std::string text =
        "5>/vobs/a>>.>/vobs/b>.>siteB siteC\n"
        "6>/vobs/a>>.>/vobs/b>.>siteB\n";
    std::string record = dir / "calls";
    EXPECT_EXIT(
        {
            run_config_pass(text, [&](int id, const std::string&, const std::string&, const std::string&,
                                      const std::string&, const std::string& location, bool) {
                append_file(record, (std::to_string(id) + " " + location + "\n").c_str(), 'p');
                touch_file(LOCKS.files.stop, "", 'p');  // a stop queued while this packet is built
                return 1;
            });
        },
        ::testing::ExitedWithCode(STOP_HONORED & 0xff), "");
    EXPECT_EQ(read_file(record), "5 siteB\n5 siteC\n");
    EXPECT_EQ(read_file(LOCKS.files.stopped), "Stopped to honor stop request...");
    EXPECT_FALSE(exists(LOCKS.files.stop));
}

TEST_F(Daemon, ShippingClassesAddedAndRemovedAtRuntime) {
    auto pass = [](int, const std::string&, const std::string&, const std::string&, const std::string&,
                   const std::string&, bool) { return 1; };
    SHIPPER.settings.DEFINED_ADDITIONAL_CLASSES.set(2);
    SHIPPER.LAST_DEFINED_ADDITIONAL_CLASSES = SHIPPER.settings.DEFINED_ADDITIONAL_CLASSES;
    const char* texts[] = {"add_class=2\n", "add_class=2\nadd_class=4\n", "add_class=4\n", "add_class=4\n", ""};
    std::vector<std::string> seen;
    std::size_t done = 0;
    for (const char* text : texts) {
        run_config_pass(text, pass);
        roll_class_declarations();
        std::string all = log("shipper_all.txt");
        seen.push_back(all.substr(done));
        done = all.size();
    }
    auto has = [](const std::string& s, const char* what) { return s.find(what) != std::string::npos; };
    EXPECT_EQ(seen[0], "");
    EXPECT_TRUE(has(seen[1], "] ## Runtime addition of Shipper Class 4 ##\n"));
    EXPECT_FALSE(has(seen[1], "Class 2"));
    EXPECT_TRUE(has(seen[2], "] ## Runtime removal of Shipper Class 2 ##\n"));
    EXPECT_EQ(seen[3], "");
    EXPECT_TRUE(has(seen[4], "] ## Runtime removal of Shipper Class 4 ##\n"));

    // A class shipper neither declares nor reports classes.
    SHIPPER.WHICH_SHIPPER_CONFIG = "3";
    run_config_pass("add_class=5\n", pass);
    roll_class_declarations();
    EXPECT_FALSE(has(log("shipper_all.txt").substr(done), "Class"));
}

TEST_F(Daemon, AnIdlePassOverAThousandKeyLinesIsQuick) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += std::to_string(i) + ">/vobs/v" + std::to_string(i) + ">>.>/vobs/d>.>siteB\n";
    auto start = std::chrono::steady_clock::now();
    run_config_pass(text, make_package_if_reqired);
    auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("idle pass over 1000 key lines: %.1f ms\n", std::chrono::duration<double, std::milli>(elapsed).count());
    EXPECT_LT(elapsed, std::chrono::seconds(1));
    EXPECT_EQ(log("shipper_all.txt"), "");
}

TEST_F(Daemon, TheConfigurationIsReReadWithinItsBound) {
    // A file longer than the reader takes: whole lines only, and a warning.
    std::string text = "5>/vobs/a>>.>/vobs/b>.>siteB\n";
    while (text.size() < 51199 - 10) text += "# padding padding padding padding padding padding\n";
    text += "6>/vobs/a>>.>/vobs/b>.>siteB\n";
    write_file(SHIPPER.CONF, text);
    reread_configuration();
    EXPECT_EQ(SHIPPER.CONFIG_BUFFER, text.substr(0, text.rfind('#')) + "\n");
    EXPECT_NE(log("shipper_warnings.txt")
                  .find("WARNING: vandrel_shipper Config. File (" + SHIPPER.CONF +
                        ") is longer than 51199 bytes: the text beyond was not read"),
              std::string::npos);

    ::unlink(SHIPPER.CONF.c_str());
    EXPECT_EXIT(reread_configuration(), ::testing::ExitedWithCode(CONFIG_VANISHED & 0xff), "");
    EXPECT_NE(log("shipper_errors.txt")
                  .find("READ_FAILED: vandrel_shipper Config. File (" + SHIPPER.CONF + ") cannot be read"),
              std::string::npos);
    EXPECT_EQ(read_file(LOCKS.files.stopped), "Stopped because Config. File vanished...");
    write_file(SHIPPER.CONF, "");
    EXPECT_EXIT(reread_configuration(), ::testing::ExitedWithCode(CONFIG_VANISHED & 0xff), "");
    EXPECT_NE(
        log("shipper_errors.txt")
            .find("READ_FAILED: vandrel_shipper Config. File (" + SHIPPER.CONF + ") does cannot be read or is empty"),
        std::string::npos);
}

TEST_F(Daemon, StartBannerColumns) {
    SHIPPER.settings.EXPORT_VIEW = "dev";
    SHIPPER.settings.DURATION = 7;
    SHIPPER.settings.pre_ship.name = "pre.sh";
    SHIPPER.settings.DEFINED_ADDITIONAL_CLASSES.set(4);
    std::string banner = start_banner(DaemonMode::TestOnce);
    EXPECT_EQ(banner.rfind("== service (vandrel_shipper 12.1) started (to test run once) with static variables: ==", 0),
              0u);
    for (const char* line :
         {"\n\t== (required variables) ===================\n\t\tview                               = dev\n",
          "\n\t\tduration                           = 7\n\t== (optional variables) ===================",
          "\n\t\ttransport_time_limit               = 7200\n", "\n\t\tpre_ship_trigger                   = pre.sh\n",
          "\n\t\tpost_ship_trigger                  = (none)\n", "\n\t\tduration_scale                     = minute\n",
          "\n\t\tshipper_class                      = (none)\n",
          "\n\t\tShipper Class 3                    = (disabled)\n\t\tShipper Class 4                    = "
          "(enabled)\n"})
        EXPECT_NE(banner.find(line), std::string::npos) << line;
    EXPECT_EQ(banner.find("undocumented"), std::string::npos);
    EXPECT_TRUE(
        banner.ends_with("\n\t\tShipper Class 9                    = (disabled)"
                         "\n\t=========================================================="));

    SHIPPER.WHICH_SHIPPER_CONFIG = "3";
    SHIPPER.VANDREL_SLINK_PROCESSING_OVERRIDE_ON = true;
    banner = start_banner(DaemonMode::Start);
    EXPECT_NE(banner.find("(to run always)"), std::string::npos);
    EXPECT_NE(banner.find("\n\t\tshipper_class                      = 3\n"), std::string::npos);
    EXPECT_EQ(banner.find("Shipper Class"), std::string::npos);
    EXPECT_NE(banner.find("\n\t== (undocumented env. variables) ==========\n\t  - VANDREL_SLINK_PROCESSING_OVERRIDE"
                          "      = (enabled)\n\t====="),
              std::string::npos);
}

class Triggers : public Daemon {
protected:
    // A script that leaves its VANDREL_ variables, sorted, in <name>.env
    // and exits with `status`.
    shipper_config::TriggerScript script(const std::string& name, int status) {
        std::string path = dir / name;
        write_file(path,
                   "#!/bin/sh\nenv | grep '^VANDREL_' | sort > \"$0.env\"\nexit " + std::to_string(status) + "\n");
        ::chmod(path.c_str(), 0755);
        return {name, path};
    }
    std::string env_of(const std::string& name) { return read_file(dir / (name + ".env")); }
};

TEST_F(Triggers, PreAndPostShipScriptsSeeThePacketsFacts) {
    SHIPPER.settings.pre_ship = script("pre.sh", 0);
    SHIPPER.settings.post_ship = script("post.sh", 0);
    SHIPPER.WHICH_SHIPPER_CONFIG = "3";
    SHIPPER.CURRENT_KEY.key = "12>/vobs/a>>.>/[D]/opt/$(touch pwned)>.>siteB";
    SHIPPER.CURRENT_KEY.is_deployment = true;
    ASSERT_EQ(execute_trigger_script('<', "siteA", "mship.012.siteB.siteA", 12, "siteB", "/vobs/a"), 0);
    EXPECT_EQ(env_of("pre.sh"),
              "VANDREL_KEY_ID=12\n"
              "VANDREL_LOGGING_DIR=" +
                  dir.path() +
                  "\n"
                  "VANDREL_PACKAGE_NAME=mship.012.siteB.siteA\n"
                  "VANDREL_PACKAGE_TYPE=vob_to_flat\n"
                  "VANDREL_PACKET_STATUS=Pending\n"
                  "VANDREL_RECEIVING_LOCATION=siteB\n"
                  "VANDREL_REPLICATION_KEY=12>/vobs/a>>.>/[D]/opt/$(touch pwned)>.>siteB\n"
                  "VANDREL_SHIPPER_VERSION=12.1\n"
                  "VANDREL_SHIPPING_CLASS=3\n"
                  "VANDREL_SHIPPING_LOCATION=siteA\n"
                  "VANDREL_SHIPPING_VOB=/vobs/a\n"
                  "VANDREL_THIS_LOCATION=siteA\n"
                  "VANDREL_TRIGGER_TYPE=pre_ship\n");
    EXPECT_FALSE(exists(dir / "pwned"));
    struct Case {
        const char* status;
        const char* seen;
    };
    SHIPPER.CURRENT_KEY.is_deployment = false;
    for (const Case& c :
         {Case{"OK", "OK"}, Case{"NOK", "NOK"}, Case{"OK with Warnings", "OK with Warnings"}, Case{"odd", "???"}}) {
        SHIPPER.PACKET_END_STATUS = c.status;
        ASSERT_EQ(execute_trigger_script('>', "siteA", "mship.012.siteB.siteA", 12, "siteB", "/vobs/a"), 0);
        std::string env = env_of("post.sh");
        EXPECT_NE(env.find(std::string("VANDREL_PACKET_STATUS=") + c.seen + "\n"), std::string::npos) << c.status;
        EXPECT_NE(env.find("VANDREL_TRIGGER_TYPE=post_ship\n"), std::string::npos);
        EXPECT_NE(env.find("VANDREL_PACKAGE_TYPE=vob_to_vob\n"), std::string::npos);
    }
    std::string all = log("shipper_all.txt");
    EXPECT_NE(all.find("] +++ executing PRE_SHIP_TRIGGER_SCRIPT (pre.sh)\n"), std::string::npos);
    EXPECT_NE(all.find("] +++ (post.sh) completed with SUCCESS...\n"), std::string::npos);
}

TEST_F(Triggers, StartupAndShutdownScriptsSeeTheProcessFacts) {
    SHIPPER.settings.startup = script("up.sh", 0);
    SHIPPER.settings.shutdown = script("down.sh", 0);
    SHIPPER.started_at = 1700000000;
    ASSERT_EQ(execute_startup_shutdown_trigger_script('-', "siteA"), 0);
    EXPECT_EQ(env_of("up.sh"), "VANDREL_LOGGING_DIR=" + dir.path() +
                                   "\n"
                                   "VANDREL_SHIPPER_ACTION=startup\n"
                                   "VANDREL_SHIPPER_STARTED_AT=1700000000\n"
                                   "VANDREL_SHIPPER_VERSION=12.1\n"
                                   "VANDREL_SHIPPING_CLASS=\n"
                                   "VANDREL_THIS_LOCATION=siteA\n");
    std::time_t before = std::time(nullptr);
    ASSERT_EQ(execute_startup_shutdown_trigger_script('+', "siteA"), 0);
    std::string env = env_of("down.sh");
    EXPECT_NE(env.find("VANDREL_SHIPPER_ACTION=shutdown\n"), std::string::npos);
    std::size_t at = env.find("VANDREL_SHIPPER_ENDED_AT=");
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(std::stol(env.substr(at + 25)), static_cast<long>(before));
    // At most once per process.
    ::unlink((dir / "down.sh.env").c_str());
    EXPECT_EQ(execute_startup_shutdown_trigger_script('+', "siteA"), 0);
    EXPECT_FALSE(exists(dir / "down.sh.env"));
}

TEST_F(Triggers, FailingAndVanishedScripts) {
    SHIPPER.settings.pre_ship = script("pre.sh", 3);
    SHIPPER.settings.post_ship = script("post.sh", 1);
    SHIPPER.settings.startup = script("up.sh", 0);
    SHIPPER.settings.shutdown = script("down.sh", 0);
    ::unlink((dir / "up.sh").c_str());
    ::unlink((dir / "down.sh").c_str());
    EXPECT_EQ(execute_trigger_script('<', "siteA", "p", 1, "siteB", "/vobs/a"), -1);
    EXPECT_EQ(execute_trigger_script('>', "siteA", "p", 1, "siteB", "/vobs/a"), -1);
    EXPECT_EQ(execute_startup_shutdown_trigger_script('-', "siteA"), -1);
    EXPECT_EQ(execute_startup_shutdown_trigger_script('+', "siteA"), -1);
    std::string errors = log("shipper_errors.txt");
    std::string warnings = log("shipper_warnings.txt");
    EXPECT_NE(errors.find("] +++ ERROR: PRE_SHIP_TRIGGER_SCRIPT (" + dir / "pre.sh" + ") has failed...\n"),
              std::string::npos);
    EXPECT_NE(errors.find("] +++ ERROR: STARTUP_TRIGGER_SCRIPT (" + dir / "up.sh" + ") has vanished...\n"),
              std::string::npos);
    EXPECT_NE(warnings.find("] +++ WARNING: POST_SHIP_TRIGGER_SCRIPT (" + dir / "post.sh" + ") has failed...\n"),
              std::string::npos);
    EXPECT_NE(warnings.find("] +++ WARNING: SHUTDOWN_TRIGGER_SCRIPT (" + dir / "down.sh" + ") has vanished...\n"),
              std::string::npos);
    // Nothing configured: nothing to run, nothing refused.
    SHIPPER.settings.pre_ship = {};
    EXPECT_EQ(execute_trigger_script('<', "siteA", "p", 1, "siteB", "/vobs/a"), 0);
}

}  // namespace

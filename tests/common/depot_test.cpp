// Depot layout: relocation tokens, the start-up walk, the temporary
// directory rule and the calculated user.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "common/depot.h"
#include "common/log.h"
#include "../support/scratch_dir.h"

namespace {

using ::testing::ExitedWithCode;

// Runs the relocation of a token file holding text; stdout goes to stderr
// so the death-test matcher sees the printed message.
std::string relocate(const ScratchDir& dir, const std::string& text) {
    std::string token = dir / "tok.txt";
    write_file(token, text);
    return read_redirection_dir("vandrel_x", token.c_str(), "START_FAILED", "epocs");
}

TEST(Relocation, AcceptedTokens) {
    ScratchDir dir;
    std::string target = dir / "elsewhere";
    std::filesystem::create_directories(target);
    struct Case {
        std::string text;
        std::string want;
    } cases[] = {
        {target + "\n", target},
        {target + "/\nsecond line ignored\n", target},
        {target, target},                 // no newline at all
        {"/\n", "/"},                     // the only "/" stays
        {target + "//\n", target + "/"},  // only one trailing "/" goes
    };
    for (const Case& c : cases) EXPECT_EQ(relocate(dir, c.text), c.want) << c.text;
}

TEST(Relocation, RefusedTokens) {
    ScratchDir dir;
    std::string token = dir / "tok.txt";
    struct Case {
        std::optional<std::string> text;  // nullopt: no token file
        int code;
        std::string message;
    } cases[] = {
        {std::nullopt, 53, "START_FAILED: vandrel_x Relocation File \\(" + token + "\\) cannot be read\n"},
        {"", 54, "START_FAILED: vandrel_x Relocation File \\(.*\\) cannot be read or is empty"},
        {"\n/tmp\n", 54, "cannot be read or is empty"},
        {"C:\\vandrel\\epocs\n", 51,
         "START_FAILED: Quorlin/Vandrel RELOCATED epocs directory \\(C:.vandrel.epocs\\) does not exist"},
        {"/no/such/place/\n", 51, "RELOCATED epocs directory \\(/no/such/place\\) does not exist or cannot be read"},
    };
    for (const Case& c : cases) {
        unlink(token.c_str());
        if (c.text) write_file(token, *c.text);
        EXPECT_EXIT(
            {
                dup2(2, 1);
                read_redirection_dir("vandrel_x", token.c_str(), "START_FAILED", "epocs");
            },
            ExitedWithCode(c.code), c.message)
            << (c.text ? *c.text : "(no file)");
    }
}

TEST(Relocation, OnlyTheFirst511BytesCount) {
    ScratchDir dir;
    // A path longer than what is read is cut and then does not exist.
    std::string longpath = dir.path() + "/" + std::string(600, 'd');
    EXPECT_EXIT(
        {
            dup2(2, 1);
            relocate(dir, longpath + "\n");
        },
        ExitedWithCode(51), "RELOCATED epocs directory");
}

TEST(Relocation, DirectoryWithoutTokenStays) {
    ScratchDir dir;
    std::string d = dir.path();
    relocate_if_token(d, "vandrel_x", "START_FAILED", "logs");
    EXPECT_EQ(d, dir.path());
    std::string target = dir / "moved";
    std::filesystem::create_directories(target);
    write_file(dir / RELOCATED_TOKEN, target + "\n");
    relocate_if_token(d, "vandrel_x", "START_FAILED", "logs");
    EXPECT_EQ(d, target);
}

class DepotWalk : public ::testing::Test {
protected:
    void SetUp() override {
        depot = dir / "depot";
        for (const char* sub : {"daemon", "m_bay/_ship_out", "m_bay/_hold_out", "m_bay/epocs", "m_bay/logs",
                                "m_bay/config/hostmaps", "m_bay/config/config_specs"})
            std::filesystem::create_directories(depot + "/" + sub);
        set_depot(depot);
    }
    void TearDown() override { LOG_FILES = LogFileSet{}; }
    ScratchDir dir;
    std::string depot;
};

TEST_F(DepotWalk, CompleteTreeWithRelocatedLogs) {
    std::string logs = dir / "other_logs";
    std::filesystem::create_directories(logs);
    write_file(depot + "/m_bay/logs/" + RELOCATED_TOKEN, logs + "/\n");
    walk_depot(shipper_depot_walk("vandrel_shipper", false), "vandrel_shipper");
    walk_depot(shipper_depot_walk("vandrel_shipper", true), "vandrel_shipper");
    EXPECT_EQ(LOG_DIR, logs);
    EXPECT_EQ(SHIP_DIR, depot + "/m_bay/_ship_out");
    EXPECT_EQ(THE_DAEMON_DIR, depot + "/daemon");
    EXPECT_EQ(CSPECS_DIR, depot + "/m_bay/config/config_specs");
    EXPECT_EQ(TRIGGER_DIR, depot + "/m_bay/_triggers");
}

TEST_F(DepotWalk, MissingDirectoriesEndWithTheirCodes) {
    struct Case {
        const char* remove;
        bool config_part;
        int code;
        const char* message;
    } cases[] = {
        {"m_bay", false, 52, "START_FAILED: Vandrel m_bay \\(.*/m_bay\\) does not exist or cannot be read"},
        {"daemon", false, 55, "START_FAILED: Quorlin/Vandrel daemon \\(.*/daemon\\) does not exist"},
        {"m_bay/_ship_out", false, 60, "START_FAILED: vandrel_shipper _ship_out Directory \\(.*\\) does not exist"},
        {"m_bay/_hold_out", false, 61, "_hold_out Directory"},
        {"m_bay/epocs", false, 64, "epocs Directory"},
        {"m_bay/logs", false, 40, "START_FAILED: vandrel_shipper Shipping Logging Directory"},
        {"m_bay/config", true, 1, "START_FAILED: vandrel_shipper Config. Directory"},
        {"m_bay/config/hostmaps", true, 1, "hostmaps. Directory"},
        {"m_bay/config/config_specs", true, 1, "config. specs. Directory"},
    };
    for (const Case& c : cases) {
        std::string victim = depot + "/" + c.remove;
        std::string saved = victim + ".saved";
        std::filesystem::rename(victim, saved);
        set_depot(depot);
        EXPECT_EXIT(
            {
                dup2(2, 1);
                walk_depot(shipper_depot_walk("vandrel_shipper", c.config_part), "vandrel_shipper");
            },
            ExitedWithCode(c.code), c.message)
            << c.remove;
        std::filesystem::rename(saved, victim);
    }
    set_depot(dir / "absent");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            walk_depot(shipper_depot_walk("vandrel_shipper", false), "vandrel_shipper");
        },
        ExitedWithCode(39), "START_FAILED: Quorlin DEPOT \\(.*absent\\) does not exist or cannot be read");
}

TEST(DepotLength, LimitLeavesRoomForTheStoppedName) {
    EXPECT_EQ(depot_length_limit("vandrel_shipper", "vandrel_shipper.daemon"), 512 - 15 - 22 - 8);
}

class TempDirRule : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"TMP", "TEMP"}) {
            const char* old = std::getenv(v);
            saved_[v] = old ? std::optional<std::string>(old) : std::nullopt;
        }
    }
    void TearDown() override {
        for (auto& [k, v] : saved_) {
            if (v)
                setenv(k.c_str(), v->c_str(), 1);
            else
                unsetenv(k.c_str());
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(TempDirRule, TmpThenTempThenSlashTmp) {
    ScratchDir dir;
    std::string d = dir / "d", f = dir / "f";
    std::filesystem::create_directories(d);
    write_file(f, "");
    struct Case {
        std::optional<std::string> tmp, temp;
        std::string chosen;
        int ok;
    } cases[] = {
        {d, std::nullopt, d, 1},
        {f, d, f, 0},  // TEMP is only consulted when TMP is unset
        {std::nullopt, d, d, 1},
        {std::nullopt, f, f, 0},
        {std::nullopt, std::nullopt, "/tmp", 1},
        {dir / "missing", std::nullopt, dir / "missing", 0},
    };
    for (const Case& c : cases) {
        if (c.tmp)
            setenv("TMP", c.tmp->c_str(), 1);
        else
            unsetenv("TMP");
        if (c.temp)
            setenv("TEMP", c.temp->c_str(), 1);
        else
            unsetenv("TEMP");
        EXPECT_EQ(verify_set_vl_tempdir(), c.ok) << c.chosen;
        EXPECT_EQ(VL_TMP_DIR, c.chosen);
    }
}

TEST(CalculatedUser, LowerCasedLoginName) {
    struct passwd* pw = getpwuid(geteuid());
    ASSERT_NE(pw, nullptr);
    std::string want(pw->pw_name);
    for (char& ch : want) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const char* got = calculated_user();
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::string(got), want);
}

}  // namespace

namespace {
TEST(DepotLength, TooLongDepotIsRefused) {
    std::string ok(depot_length_limit("vandrel_shipper", "vandrel_shipper.daemon"), 'd');
    check_depot_length(ok, "vandrel_shipper", "vandrel_shipper.daemon", 37);  // returns
    EXPECT_EXIT(
        {
            dup2(2, 1);
            check_depot_length(ok + "d", "vandrel_shipper", "vandrel_shipper.daemon", 37);
        },
        ::testing::ExitedWithCode(37),
        "START_FAILED: Path to Quorlin Depot to excessive cannot be greater than 467.\n");
}
}  // namespace

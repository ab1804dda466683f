// The relay's pieces without a transfer program: the proxy file, the value
// checks that keep outside text out of scripts, the reading of a remote
// listing, the trailer count and staged-package decisions, and the scripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/packet_integrity.h"
#include "codecs/scramble.h"
#include "proxy/delivery.h"
#include "proxy/proxy_file.h"
#include "proxy/relay_script.h"
#include "proxy/relay_session.h"
#include "proxy/remote_listing.h"
#include "tests/support/scratch_dir.h"

namespace {

std::string passkey(const char* machine, const char* user, const char* password, const char* dir) {
    std::string out;
    EXPECT_EQ(return_crypted_pkey(machine, user, password, dir, out), 1);
    return out;
}

}  // namespace

TEST(ProxyFile, LinesAndErrorNumbers) {
    const std::string key = "[" + passkey("host.example", "relay", "secret", "/srv/out box") + "]";
    struct Case {
        std::string text;
        int expected;
    };
    const std::vector<Case> cases = {
        {"ftp\n/data/in\n" + key + "\n", -1},
        {"\n\nftp\n\n/data/in\r\n\n  " + key + "  \ncomment\nmore\n", -1},  // empty lines skipped
        {"ftp\n/data/in\nkey: " + key + " trailing words\n", -1},
        {"f\n/data/in\n" + key, 0},       // program too short
        {"my ftp\n/data/in\n" + key, 0},  // blank in the program
        {"", 0},
        {"ftp\n/\n" + key, 1},         // local directory too short
        {"ftp\n/data/in\n", 2},        // no third line
        {"ftp\n/data/in\n[abc\n", 2},  // no "]"
        {"ftp\n/data/in\nabc]\n", 3},  // no "["
        {"ftp\n/data/in\n[]\n", 4},    // empty passkey
        {"ftp\n/data/in\n[" + passkey("m", "u", "p", "d").substr(0, 4) + "]\n", 4},
    };
    for (const Case& c : cases) {
        ProxyMap map;
        EXPECT_EQ(parse_proxy_text(c.text, map), c.expected) << c.text;
    }
    ProxyMap map;
    ASSERT_EQ(parse_proxy_text("\n/usr/bin/lftp\n\n/data/in\n" + key + "\n", map), -1);
    EXPECT_EQ(map.TRANSPORT_PROGRAM, "/usr/bin/lftp");
    EXPECT_EQ(map.request_lcd, "/data/in");
    EXPECT_EQ(map.remote.machine, "host.example");
    EXPECT_EQ(map.remote.user, "relay");
    EXPECT_EQ(map.remote.password, "secret");
    EXPECT_EQ(map.remote.directory, "/srv/out box");
}

TEST(ProxyFile, KindFromProgramName) {
    RelayKind kind{};
    EXPECT_TRUE(relay_kind_of("/usr/bin/lftp", kind));
    EXPECT_EQ(kind, RelayKind::Lftp);
    EXPECT_TRUE(relay_kind_of("ftp", kind));
    EXPECT_EQ(kind, RelayKind::Ftp);
    EXPECT_TRUE(relay_kind_of("/opt/x/ftp-ssl", kind));
    EXPECT_EQ(kind, RelayKind::Ftp);
    for (const char* other : {"sftp", "/usr/bin/psftp", "/opt/ftp/bin/ncftp", ""})
        EXPECT_FALSE(relay_kind_of(other, kind)) << other;
}

TEST(ProxyFile, ValuesThatCouldChangeAScriptAreRefused) {
    ScratchDir dir;
    ProxyMap good;
    good.TRANSPORT_PROGRAM = "lftp";
    good.kind = RelayKind::Lftp;
    good.request_lcd = dir.path();
    good.remote = {"host", "user", "pass", "/srv/out box"};
    std::string reason;
    ASSERT_EQ(check_proxy_values(good, reason), 1) << reason;

    struct Case {
        const char* what;
        void (*change)(ProxyMap&);
    };
    const std::vector<Case> cases = {
        {"quote in remote dir", [](ProxyMap& m) { m.remote.directory = "/srv/\"; !touch x"; }},
        {"backslash in remote dir", [](ProxyMap& m) { m.remote.directory = "/srv/a\\"; }},
        {"newline in remote dir", [](ProxyMap& m) { m.remote.directory = "/srv\n!touch x"; }},
        {"quote in local dir", [](ProxyMap& m) { m.request_lcd += "\"x"; }},
        {"local dir missing", [](ProxyMap& m) { m.request_lcd += "/nope"; }},
        {"lftp separator in password", [](ProxyMap& m) { m.remote.password = "a;!touch"; }},
        {"lftp comma in user", [](ProxyMap& m) { m.remote.user = "a,b"; }},
        {"option as machine", [](ProxyMap& m) { m.remote.machine = "-e"; }},
        {"control character in program", [](ProxyMap& m) { m.TRANSPORT_PROGRAM = "lftp\x01"; }},
    };
    for (const Case& c : cases) {
        ProxyMap changed = good;
        c.change(changed);
        EXPECT_EQ(check_proxy_values(changed, reason), 0) << c.what;
        EXPECT_EQ(reason.find(changed.remote.password), std::string::npos) << "never quoted: " << reason;
    }
}

TEST(RemoteListing, PackagesAndEveryListedPart) {
    // A long listing and a name list read alike; parts beyond 19 count.
    std::string listing =
        "-rw-r--r-- 1 u g 12 Dec 10 06:51 epoc.001.siteB.siteA.pack\n"
        "-rw-r--r-- 1 u g 99 Dec 10 06:51 epoc.001.siteB.siteA.crc\n";
    for (int n : {1, 2, 10, 19, 20, 21, 127}) listing += "epoc.001.siteB.siteA.crc_" + std::to_string(n) + "\r\n";
    listing +=
        "epoc.002.siteB.siteA.crc\n"     // no trailer: still being sent
        "epoc.003.siteB.siteA.pack\n"    // trailer without data
        "epoc.001.siteB.siteA.epoc\n"    // a confirmation
        "epoc.001.siteB.siteA.crc_07\n"  // not a part number
        "epoc.001.siteB.siteA.crc_x\n"
        "dir/epoc.004.b.a.pack\n"  // path prefix dropped
        "epoc.004.b.a.crc\n"
        "epoc.005.b;rm.a.pack\n"  // not a relay name
        "epoc.x.pack\n"           // too few fields
        "vandrel_proxy_1_abc.holla\n";
    std::vector<RemotePackage> packages = select_packages(listing);
    ASSERT_EQ(packages.size(), 3u);
    EXPECT_EQ(packages[0].base, "epoc.001.siteB.siteA");
    EXPECT_TRUE(packages[0].data_listed);
    EXPECT_EQ(packages[0].parts, (std::vector<int>{1, 2, 10, 19, 20, 21, 127}));
    EXPECT_EQ(packages[0].part(20), "epoc.001.siteB.siteA.crc_20");
    EXPECT_EQ(packages[1].base, "epoc.003.siteB.siteA");
    EXPECT_FALSE(packages[1].data_listed);
    EXPECT_EQ(packages[2].base, "epoc.004.b.a");
    EXPECT_TRUE(packages[2].data_listed);

    EXPECT_TRUE(listing_says_none("ls: No such file or directory\n"));
    EXPECT_TRUE(listing_says_none("None found"));
    EXPECT_FALSE(listing_says_none(listing));
    EXPECT_TRUE(select_packages("").empty());
}

TEST(Delivery, StagedPackageDecisions) {
    ScratchDir staging;
    ScratchDir local;
    RemotePackage p{"epoc.001.b.a", true, {1, 2, 3}};
    auto stage = [&](int parts_written) {
        write_file(staging / p.data(), "data0");
        for (int n = 1; n <= parts_written; ++n) write_file(staging / p.part(n), "part" + std::to_string(n));
    };
    auto trailer_with_line = [&](int named) {
        std::string line, error;
        ASSERT_TRUE(make_packet_integrity_line(staging / p.data(), named, line, error)) << error;
        write_file(staging / p.trailer(), "10-Dec-2026.1:2:3 UTC +0\n<vob>\n[2]\n" + line + "\n");
    };
    int parts = -1;
    std::string reason;

    // Whole by its digests; a listed part beyond the named count is dropped.
    stage(3);
    trailer_with_line(2);
    EXPECT_EQ(integrity_part_count(read_file(staging / p.trailer())), 2);
    EXPECT_TRUE(staged_package_whole(staging.path(), p, false, parts, reason)) << reason;
    EXPECT_EQ(parts, 2);
    EXPECT_FALSE(exists(staging / p.part(3)));

    // A changed part.
    write_file(staging / p.part(2), "cut");
    EXPECT_FALSE(staged_package_whole(staging.path(), p, true, parts, reason));
    EXPECT_NE(reason.find("crc_2"), std::string::npos) << reason;

    // A missing part.
    stage(2);
    trailer_with_line(2);
    std::remove((staging / p.part(1)).c_str());
    EXPECT_FALSE(staged_package_whole(staging.path(), p, true, parts, reason));

    // No integrity line: only after a clean session with every part present.
    RemotePackage old{"epoc.001.b.a", true, {1, 2}};
    stage(2);
    write_file(staging / p.trailer(), "10-Dec-2026.1:2:3 UTC +0\n<vob>\n[2]\n");
    EXPECT_EQ(integrity_part_count(read_file(staging / p.trailer())), -1);
    EXPECT_FALSE(staged_package_whole(staging.path(), old, false, parts, reason));
    EXPECT_TRUE(staged_package_whole(staging.path(), old, true, parts, reason)) << reason;
    EXPECT_EQ(parts, 2);
    RemotePackage gap{"epoc.001.b.a", true, {1, 3}};
    EXPECT_FALSE(staged_package_whole(staging.path(), gap, true, parts, reason));
    std::remove((staging / p.trailer()).c_str());
    EXPECT_FALSE(staged_package_whole(staging.path(), old, true, parts, reason));
    EXPECT_EQ(reason, "its trailer did not arrive");

    // Delivery moves data and parts, the trailer last, and drops local
    // leftovers beyond the last part.
    write_file(staging / p.trailer(), "t");
    write_file(local / p.part(2), "old");
    write_file(local / p.part(9), "leftover");
    write_file(local / "epoc.001.b.a.crc_9x", "not a part");
    ASSERT_TRUE(deliver_package(staging.path(), local.path(), old, 2, reason)) << reason;
    EXPECT_EQ(read_file(local / p.part(2)), "part2");
    EXPECT_TRUE(exists(local / p.trailer()));
    EXPECT_FALSE(exists(local / p.part(9)));
    EXPECT_TRUE(exists(local / "epoc.001.b.a.crc_9x"));
    EXPECT_FALSE(exists(staging / p.data()));

    EXPECT_TRUE(package_waiting_locally(local.path(), p));
    std::remove((local / p.trailer()).c_str());
    EXPECT_FALSE(package_waiting_locally(local.path(), p));
    write_file(local / "epoc.001.b.a.pack_pending", "busy");
    EXPECT_TRUE(package_waiting_locally(local.path(), p));
}

TEST(RelayScript, WordsOfEachKind) {
    ProxyMap map;
    map.TRANSPORT_PROGRAM = "ftp";
    map.kind = RelayKind::Ftp;
    map.remote = {"host", "user", "pw", "/srv/out box"};
    RelayScript ftp(map);
    ftp.login();
    ftp.ascii();
    ftp.cd(map.remote.directory);
    ftp.list("epoc.*");
    ftp.probe("p.holla");
    ftp.quit();
    EXPECT_EQ(ftp.text(),
              "user user pw\nverbose\nascii\ncd \"/srv/out box\"\nls \"epoc.*\"\nput \"p.holla\"\n!rm \"p.holla\"\n"
              "get \"p.holla\"\ndel \"p.holla\"\nquit\n");

    map.kind = RelayKind::Lftp;
    RelayScript lftp(map);
    lftp.login();
    lftp.binary();
    lftp.list("epoc.*");
    lftp.remote_delete("a");
    EXPECT_NE(lftp.text().find("open -u user,pw host\n"), std::string::npos);
    EXPECT_EQ(lftp.text().find("binary"), std::string::npos);
    EXPECT_NE(lftp.text().find("cls -1 \"epoc.*\"\nrm \"a\"\n"), std::string::npos);
}

TEST(RelaySession, CommandLineQuotesEveryValueAndBoundsTheRun) {
    ProxyMap map;
    map.TRANSPORT_PROGRAM = "/opt/my ftp/ftp";
    map.kind = RelayKind::Ftp;
    map.remote.machine = "host;rm";
    Command c = relay_command(map, "/tmp/s", "/tmp/o", "/tmp/e", 30);
    EXPECT_EQ(c.line(), "'/opt/my ftp/ftp' -in 'host;rm' < /tmp/s >> /tmp/o 2>> /tmp/e");
    EXPECT_EQ(c.limit_seconds(), 30u);
    map.kind = RelayKind::Lftp;
    map.TRANSPORT_PROGRAM = "lftp";
    Command lftp = relay_command(map, "/tmp/s", "/tmp/o", "/tmp/e", 0);
    EXPECT_EQ(lftp.line(), "lftp -f /tmp/s >> /tmp/o 2>> /tmp/e");
    EXPECT_EQ(lftp.limit_seconds(), 0u);
}

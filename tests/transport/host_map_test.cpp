// Transport kinds, host maps and the refusal of connection values that could
// reach a script or a command line as anything but themselves.
#include "shipper/transport/host_map.h"

#include <gtest/gtest.h>

#include "transport_support.h"

namespace {

TEST(TransportKind, ChosenFromTheProgramsBaseNameByPrefix) {
    struct Case {
        const char* program;
        int found;
        TransportKind kind;
    };
    const Case cases[] = {
        {"ftp", 1, TransportKind::Ftp},
        {"/usr/bin/sftp", 1, TransportKind::Sftp},
        {"/opt/x/psftpk", 1, TransportKind::Psftpk},
        {"/usr/local/bin/psftpp", 1, TransportKind::Psftpp},
        {"ssftp_openssh", 1, TransportKind::Ssftp},
        {"lftp", 1, TransportKind::Lftp},
        {"/opt/ftp/lftp", 1, TransportKind::Lftp},
        {"/usr/lib/sftp-server/ftp", 1, TransportKind::Ftp},
        {"/usr/bin/", 0, TransportKind::Ftp},
        {"scp", 0, TransportKind::Ftp},
        {"", 0, TransportKind::Ftp},
    };
    for (const Case& c : cases) {
        TransportKind kind = TransportKind::Ftp;
        EXPECT_EQ(transport_kind_of_program(c.program, kind), c.found) << c.program;
        if (c.found) {
            EXPECT_EQ(kind, c.kind) << c.program;
        }
    }
    EXPECT_STREQ(transport_kind_name(TransportKind::Psftpp), "psftpp");
    EXPECT_EQ(transport_kind_number(TransportKind::Lftp), 5);
}

using HostMap = TransportFixture;

TEST_F(HostMap, TheFirstLinesPasskeyGivesTheFourValues) {
    write_file(scratch / "hostmaps/east.hostmap",
               "passkey of east: " + hostmap_line("recv.example.org", "Shipper", "pw-1", "/bays/east m_bay") +
                   "later lines do not count\n");
    ASSERT_EQ(get_receiver_data(transport, "east"), 1) << all_log();
    EXPECT_EQ(transport.receiver.machine, "recv.example.org");
    EXPECT_EQ(transport.receiver.user, "shipper");  // the scrambler lower-cases it
    EXPECT_EQ(transport.receiver.password, "pw-1");
    EXPECT_EQ(transport.receiver.directory, "/bays/east m_bay");
}

TEST_F(HostMap, MissingEmptyAndMalformedMapsAreReported) {
    const std::string good = hostmap_line("m", "u", "p", "/d");
    std::string passkey_of_three;
    ASSERT_EQ(return_crypted_pkey("m", "u", "p", "x", passkey_of_three), 1);
    struct Case {
        const char* name;
        std::string content;  // "<none>" for no file
        const char* message;
    };
    const Case cases[] = {
        {"missing", "<none>", "does not exist"},
        {"empty", "", "cannot be read or is empty"},
        {"no closing bracket on the first line", "[abc\n" + good, "is incomplete/invalid"},
        {"no opening bracket", "abc]\n", "is incomplete/invalid"},
        {"brackets reversed", "]abc[\n", "is incomplete/invalid"},
        {"not a passkey", "[\x01\x02]\n", "is incomplete/invalid"},
        {"three values", "[" + passkey_of_three.substr(0, passkey_of_three.size() - 2) + "]\n",
         "is incomplete/invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string map = scratch / "hostmaps/r.hostmap";
        std::filesystem::remove(map);
        if (c.content != "<none>") write_file(map, c.content);
        transport.receiver = ConnectionRecord{"old", "old", "old", "old"};
        EXPECT_EQ(get_receiver_data(transport, "r"), 0);
        EXPECT_NE(error_log().find("ERROR: required mapfile (" + map + ") " + c.message), std::string::npos)
            << error_log();
        EXPECT_TRUE(transport.receiver.machine.empty());
    }
}

TEST_F(HostMap, ValuesThatWouldBeInterpretedAreRefusedWithoutShowingThePassword) {
    struct Case {
        const char* machine;
        const char* user;
        const char* password;
        const char* directory;
        const char* reason;
    };
    const Case cases[] = {
        {"host", "u", "a;!touch$IFS/tmp/x", "/d", "the password holds the character ';'"},
        {"host", "u", "a&&!rm", "/d", "the password holds the character '&'"},
        {"host", "u", "p>out", "/d", "the password holds the character '>'"},
        {"host", "-oProxyCommand=x", "p", "/d", "the user begins with '-'"},
        {"-oProxyCommand=x", "u", "p", "/d", "the machine begins with '-'"},
        {"host;x", "u", "p", "/d", "the machine holds the character ';'"},
        {"host", "u,x", "p", "/d", "the user holds the character ','"},
        {"host", "u", "p", "/d\" ; !touch x; \"", "the receiver directory holds the character '\"'"},
        {"host", "u", "p", "/d\\x", "the receiver directory holds the character '\\'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        write_file(scratch / "hostmaps/r.hostmap", hostmap_line(c.machine, c.user, c.password, c.directory));
        EXPECT_EQ(get_receiver_data(transport, "r"), 0);
        EXPECT_NE(error_log().find("refused: " + std::string(c.reason)), std::string::npos) << error_log();
        if (std::string(c.password) != "p") {
            EXPECT_EQ(all_log().find(c.password), std::string::npos);
        }
    }
}

TEST(ConnectionValues, ControlCharactersAndEmptyValuesAreRefused) {
    struct Case {
        ConnectionRecord record;
        const char* reason;
    };
    const Case cases[] = {
        {{"host", "u", "p", "/d\nput evil"}, "the receiver directory holds a newline"},
        {{"host", "u", "p\rx", "/d"}, "the password holds a carriage return"},
        {{"ho\tst", "u", "p", "/d"}, "the machine holds a tab"},
        {{"host", "u\x7f", "p", "/d"}, "the user holds a control character (code 127)"},
        {{"host", "", "p", "/d"}, "the user is empty"},
        {{"host", "u", "p", std::string(1024, 'd')}, "the receiver directory is longer than 1023 characters"},
        {{"[fe80::1%eth0]", "first.last@example.org", "Pa:ss-w0rd.,+", "/bays/east bay"}, ""},
        {{"file:///", "u", "p", "/tmp/x"}, ""},
    };
    for (const Case& c : cases) {
        std::string reason;
        EXPECT_EQ(check_connection_record(c.record, reason), c.reason[0] == '\0' ? 1 : 0) << reason;
        EXPECT_EQ(reason, c.reason);
    }
}

TEST_F(HostMap, ALocationNameThatLeavesTheHostmapsFolderIsRefused) {
    for (const char* location : {"../east", "a/b", "", ".hidden"}) {
        EXPECT_EQ(get_receiver_data(transport, location), 0) << location;
        EXPECT_NE(error_log().find("location name (" + std::string(location) + ") refused"), std::string::npos);
    }
}

}  // namespace

// The confirmation and sending scripts of every transport kind.
#include "shipper/transport/instructions.h"

#include <gtest/gtest.h>

#include "transport_support.h"

namespace {

class Instructions : public TransportFixture {
protected:
    void SetUp() override {
        TransportFixture::SetUp();
        transport.receiver = ConnectionRecord{"recv.example.org", "ship", "s3cret", "/bays/east bay"};
        transport.settings.lftp_max_retries = 2;
        transport.settings.lftp_timeout_seconds = 30;
        transport.settings.lftp_reconnect_interval_base = 5;
    }
    std::string login(TransportKind kind) const {
        if (kind == TransportKind::Ftp) return "user ship s3cret\nverbose\nascii\n";
        if (kind == TransportKind::Lftp)
            return "set net:max-retries 2\nset net:timeout 30\nset net:reconnect-interval-base 5\n"
                   "set xfer:clobber on\nset xfer:make-backup off\nopen -u ship,s3cret recv.example.org\n";
        return "";
    }
    std::string directories() const { return "cd \"/bays/east bay\"\nlcd \"" + scratch.path() + "/epocs\"\n"; }
};

struct KindWords {
    TransportKind kind;
    const char* remote_delete;
    const char* local_delete;
};
const KindWords KINDS[] = {
    {TransportKind::Ftp, "del", "!rm"},  {TransportKind::Sftp, "del", "!rm"},   {TransportKind::Psftpk, "del", "!rm"},
    {TransportKind::Ssftp, "rm", "lrm"}, {TransportKind::Psftpp, "del", "!rm"}, {TransportKind::Lftp, "rm", "!rm"},
};

TEST_F(Instructions, TheConfirmationScriptOfEveryKind) {
    const std::string e = "epoc.007.east.west";
    for (const KindWords& k : KINDS) {
        SCOPED_TRACE(transport_kind_name(k.kind));
        transport.settings.kind = k.kind;
        const std::string script = local(e + ".script");
        ASSERT_EQ(make_verify_up_to_date_instructions(transport, script, e + ".epoc", local(e + ".holla"),
                                                      local(e + ".pack_pending")),
                  1);
        const std::string rd = k.remote_delete, ld = k.local_delete;
        EXPECT_EQ(read_file(script), login(k.kind) + directories() + "put \"" + e + ".holla\"\n" + ld + " \"" + e +
                                         ".holla\"\nget \"" + e + ".epoc\"\nget \"" + e + ".pack_pending\"\nget \"" +
                                         e + ".holla\"\n" + rd + " \"" + e + ".holla\"\nquit\n");
        EXPECT_EQ(mode_of(script), 0600u);
    }
}

TEST_F(Instructions, TheSendingScriptOfEveryKind) {
    const std::string e = "epoc.007.east.west";
    for (const KindWords& k : KINDS) {
        SCOPED_TRACE(transport_kind_name(k.kind));
        transport.settings.kind = k.kind;
        const std::string script = local(e + ".send" + transport_kind_name(k.kind));
        ASSERT_EQ(make_instructions(transport, script, local(e + ".crc"), 2, local(e + ".pack"), local(e + ".holla")),
                  1);
        const std::string rd = k.remote_delete, ld = k.local_delete;
        const bool ftp = k.kind == TransportKind::Ftp;
        const bool lftp = k.kind == TransportKind::Lftp;
        EXPECT_EQ(read_file(script), login(k.kind) + directories() + "put \"" + e + ".holla\"\n" + rd + " \"" + e +
                                         ".pack\"\n" + rd + " \"" + e + ".crc\"\n" + rd + " \"" + e + ".crc_3\"\n" +
                                         ld + " \"" + e + ".holla\"\n" + (ftp ? "bin\n" : "") +
                                         (lftp ? "set cmd:fail-exit yes\n" : "") + "put \"" + e + ".crc\"\nput \"" + e +
                                         ".crc_1\"\nput \"" + e + ".crc_2\"\n" + (ftp ? "ascii\n" : "") + "put \"" + e +
                                         ".pack\"\nget \"" + e + ".holla\"\n" + rd + " \"" + e + ".holla\"\nquit\n");
    }
}

TEST_F(Instructions, ASendingScriptThatExistsIsNotOverwrittenAndAConfirmationScriptIsReplaced) {
    transport.settings.kind = TransportKind::Lftp;
    const std::string script = local("s");
    write_file(script, "earlier\n");
    EXPECT_EQ(make_instructions(transport, script, local("p.crc"), 0, local("p.pack"), local("p.holla")), 0);
    EXPECT_EQ(read_file(script), "earlier\n");
    EXPECT_NE(all_log().find("---- instruction creation failed...."), std::string::npos);
    EXPECT_EQ(make_verify_up_to_date_instructions(transport, script, "p.epoc", local("p.holla"), local("p.pp")), 1);
    EXPECT_NE(read_file(script).find("get \"p.epoc\""), std::string::npos);
}

TEST_F(Instructions, AScriptIsNeverWrittenThroughASymbolicLink) {
    transport.settings.kind = TransportKind::Ftp;
    const std::string target = scratch / "elsewhere";
    write_file(target, "keep");
    std::filesystem::create_symlink(target, local("s"));
    EXPECT_EQ(make_instructions(transport, local("s"), local("p.crc"), 0, local("p.pack"), local("p.holla")), 0);
    EXPECT_EQ(read_file(target), "keep");
}

TEST_F(Instructions, HostileValuesWriteNoScript) {
    struct Case {
        const char* name;
        ConnectionRecord record;
        std::string local_dir;
        std::string packet;
        const char* reason;
    };
    const Case cases[] = {
        {"newline in the directory", {"m", "u", "p", "/d\nput x"}, "", "p.crc", "receiver directory holds a newline"},
        {"quote in the local directory",
         {"m", "u", "p", "/d"},
         "/x\"y",
         "p.crc",
         "local directory holds the character"},
        {"shell text in a name", {"m", "u", "p", "/d"}, "", "p$(x).crc", "file name holds the character '$'"},
        {"quote in a name", {"m", "u", "p", "/d"}, "", "p\".crc", "file name holds the character '\"'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        transport.receiver = c.record;
        if (!c.local_dir.empty()) transport.settings.local_dir = c.local_dir;
        const std::string script = local("hostile");
        EXPECT_EQ(make_instructions(transport, script, local(c.packet), 0, local("p.pack"), local("p.holla")), 0);
        EXPECT_EQ(make_verify_up_to_date_instructions(transport, script, c.packet, local("p.holla"), local("p.pp")), 0);
        EXPECT_FALSE(exists(script));
        EXPECT_NE(error_log().find(c.reason), std::string::npos) << error_log();
        transport.settings.local_dir = scratch / "epocs";
    }
}

TEST_F(Instructions, ScriptsAreRemovedWithTheShipFiles) {
    transport.settings.kind = TransportKind::Sftp;
    ASSERT_EQ(make_verify_up_to_date_instructions(transport, local("v"), "p.epoc", local("p.holla"), local("p.pp")), 1);
    ASSERT_EQ(make_instructions(transport, local("s"), local("p.crc"), 0, local("p.pack"), local("p.holla")), 1);
    remove_ship_files();
    EXPECT_FALSE(exists(local("v")));
    EXPECT_FALSE(exists(local("s")));
}

}  // namespace

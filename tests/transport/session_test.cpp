// Running a script with the transport program and judging the session,
// against a fake program that records its arguments and script and plays
// back a chosen outcome.
#include "shipper/transport/session.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "shipper/transport/confirmation.h"
#include "shipper/transport/instructions.h"
#include "transport_support.h"

namespace {

// Records its arguments and its script (from the file after -B, -b or -f,
// else from standard input), carries out the script's local delete of the
// probe, then answers as the FAKE_* variables say. Run as psftp (with -be)
// it shows its uploads as psftp does, unless FAKE_UPLOADS_FAIL is set.
// clang-format off
constexpr char FAKE_PROGRAM[] = R"SH(#!/bin/sh
d="$FAKE_DIR"
: > "$d/args"
for a in "$@"; do printf '%s\n' "$a" >> "$d/args"; done
script=; prev=
for a in "$@"; do case "$prev" in -B|-b|-f) script="$a";; esac; prev="$a"; done
if [ -n "$script" ]; then cp "$script" "$d/script"; else cat > "$d/script"; fi
ldir=$(sed -n 's/^lcd "\(.*\)"$/\1/p' "$d/script")
probe=$(sed -n 's/^put "\(.*\)"$/\1/p' "$d/script" | head -n 1)
rm -f "$ldir/$probe"
if [ -n "$FAKE_HANG" ]; then sleep 60; fi
case " $* " in *" -be "*) [ -n "$FAKE_UPLOADS_FAIL" ] ||
  sed -n 's/^put "\(.*\)"$/local:\1 => remote:\1/p' "$d/script";; esac
printf '%b' "$FAKE_STDOUT"
printf '%b' "$FAKE_STDERR" >&2
if [ "$FAKE_PROBE" = 1 ]; then printf 'holla probe' > "$ldir/$probe"; fi
exit "${FAKE_EXIT:-0}"
)SH";
// clang-format on

class Session : public TransportFixture {
protected:
    void SetUp() override {
        TransportFixture::SetUp();
        std::filesystem::create_directory(scratch / "fake");
        write_file(scratch / "fake/transfer", FAKE_PROGRAM);
        std::filesystem::permissions(scratch / "fake/transfer", std::filesystem::perms::owner_all);
        ::setenv("FAKE_DIR", (scratch / "fake").c_str(), 1);
        for (const char* name :
             {"FAKE_STDOUT", "FAKE_STDERR", "FAKE_EXIT", "FAKE_PROBE", "FAKE_HANG", "FAKE_UPLOADS_FAIL"})
            ::unsetenv(name);
        transport.settings.program = scratch / "fake/transfer";
        transport.receiver = ConnectionRecord{"recv.example.org", "ship", "s3cret", "/bays/east bay"};
        write_file(scratch / "hostmaps/east.pk", "key");
    }
    void TearDown() override {
        for (const char* name :
             {"FAKE_DIR", "FAKE_STDOUT", "FAKE_STDERR", "FAKE_EXIT", "FAKE_PROBE", "FAKE_HANG", "FAKE_UPLOADS_FAIL"})
            ::unsetenv(name);
        TransportFixture::TearDown();
    }

    // Writes the confirmation script and runs it; returns the verdict.
    int confirm(bool check_mode = true) {
        const std::string e = local("epoc.007.east.west");
        EXPECT_EQ(make_verify_up_to_date_instructions(transport, e + ".script", "epoc.007.east.west.epoc", e + ".holla",
                                                      e + ".pack_pending"),
                  1);
        script_text = read_file(e + ".script");
        return follow_instructions(transport, e + ".script", e + ".out", e + ".err", e + ".holla", "east", check_mode);
    }
    std::vector<std::string> recorded_args() const {
        std::vector<std::string> args;
        std::istringstream in(read_file(scratch / "fake/args"));
        for (std::string line; std::getline(in, line);) args.push_back(line);
        return args;
    }
    std::string script_text;
};

TEST_F(Session, EachKindRunsItsCommandLineWithTheScript) {
    const std::string e = local("epoc.007.east.west");
    const std::string pk = scratch / "hostmaps/east.pk";
    struct Case {
        TransportKind kind;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {TransportKind::Ftp, {"-in", "recv.example.org"}},
        {TransportKind::Sftp, {"-B", e + ".script", "ship@recv.example.org"}},
        {TransportKind::Psftpk, {"-b", e + ".script", "-i", pk, "-be", "-batch", "ship@recv.example.org"}},
        {TransportKind::Ssftp, {"-B", e + ".script", "ship@recv.example.org"}},
        {TransportKind::Psftpp, {"-b", e + ".script", "-pw", "s3cret", "-be", "-batch", "ship@recv.example.org"}},
        {TransportKind::Lftp, {"-f", e + ".script"}},
    };
    ::setenv("FAKE_PROBE", "1", 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(transport_kind_name(c.kind));
        transport.settings.kind = c.kind;
        EXPECT_EQ(confirm(), 1) << all_log();
        EXPECT_EQ(recorded_args(), c.args);
        EXPECT_EQ(read_file(scratch / "fake/script"), script_text);
        // Script, output, errors and probe are all gone.
        for (const char* suffix : {".script", ".out", ".err", ".holla"}) EXPECT_FALSE(exists(e + suffix)) << suffix;
    }
}

TEST_F(Session, TheOutcomeIsJudgedFromProbeOutputAndErrors) {
    struct Case {
        const char* name;
        TransportKind kind;
        bool check_mode;
        const char* stderr_text;
        const char* stdout_text;
        const char* exit_code;
        bool probe_back;
        int result;
        const char* logged;      // in the errors log, "" for nothing in particular
        const char* not_logged;  // never in the errors log
    };
    const Case cases[] = {
        {"clean session", TransportKind::Ftp, true, "", "", "0", true, 1, "", ""},
        {"probe not back", TransportKind::Sftp, true, "", "", "0", false, 0, "--- communication not established", ""},
        {"psftp greeting only", TransportKind::Psftpp, true, "Using username \"ship\".\r\n", "", "0", true, 1, "", ""},
        {"ssftp greeting only", TransportKind::Ssftp, true, "Using username \"ship\".\n", "", "0", true, 1, "", ""},
        {"psftp greeting and a refusal", TransportKind::Psftpk, true, "Using username \"ship\".\nAccess denied\n", "",
         "0", true, 0, "--- begin unexpected shipping errors ---- \nAccess denied\n", "Using username"},
        {"another user's greeting", TransportKind::Psftpp, true, "Using username \"other\".\n", "", "0", true, 0,
         "Using username \"other\"", ""},
        {"lftp missing epoch and busy flag", TransportKind::Lftp, true,
         "get: Access failed: 550 epoc.007.east.west.epoc\nrm: Access failed: 550 x\n", "", "0", true, 1, "", ""},
        {"lftp failed upload", TransportKind::Lftp, true,
         "get: Access failed: 550 x\nput: Access failed: 553 epoc.crc_1\n", "", "1", false, 0,
         "--- begin unexpected shipping errors ---- \nput: Access failed: 553 epoc.crc_1\n", "get: Access failed"},
        {"lftp without check mode", TransportKind::Lftp, false, "get: Access failed: 550 x\n", "", "0", true, 0,
         "--- begin shipping errors ---- ", ""},
        {"ftp error stream", TransportKind::Ftp, true, "ftp: connect: Connection refused\n", "", "0", true, 0,
         "ftp: connect: Connection refused", ""},
        {"non-zero exit, empty output, probe back", TransportKind::Sftp, true, "", "", "1", true, 1, "", ""},
        {"non-zero exit with output", TransportKind::Sftp, true, "", "sftp> put x\n", "1", true, 0, "sftp> put x", ""},
        {"ftp refused upload", TransportKind::Ftp, true, "", "553 Could not create file.\n", "0", true, 0,
         "553 Could not create file.", ""},
        {"ftp missing confirmation files", TransportKind::Ftp, true, "",
         "550 Failed to open file.\n550 Failed to open file.\n", "0", true, 1, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(scratch / "errors.txt");
        transport.settings.kind = c.kind;
        ::setenv("FAKE_STDERR", c.stderr_text, 1);
        ::setenv("FAKE_STDOUT", c.stdout_text, 1);
        ::setenv("FAKE_EXIT", c.exit_code, 1);
        ::setenv("FAKE_PROBE", c.probe_back ? "1" : "0", 1);
        EXPECT_EQ(confirm(c.check_mode), c.result) << error_log();
        const int why = errno;
        // A failure leaves errno saying why, for the caller's message.
        if (c.result == 0) {
            EXPECT_EQ(why, std::string(c.name) == "probe not back" ? ENOTCONN : ECOMM);
        }
        if (c.result == 1) {
            EXPECT_EQ(error_log(), "");
        }
        EXPECT_NE(error_log().find(c.logged), std::string::npos) << error_log();
        if (c.not_logged[0] != '\0') {
            EXPECT_EQ(error_log().find(c.not_logged), std::string::npos) << error_log();
        }
    }
}

// psftp goes on after a failed upload and says so only on its standard
// output: an upload without its "local:... => remote:..." line fails the
// session even though the probe came back.
TEST_F(Session, APsftpUploadWithoutItsConfirmationFailsTheSession) {
    ::setenv("FAKE_UPLOADS_FAIL", "1", 1);
    ::setenv("FAKE_STDOUT", "local: unable to open epoc.007.east.west.holla\n", 1);
    ::setenv("FAKE_STDERR", "Using username \"ship\".\n", 1);
    ::setenv("FAKE_PROBE", "1", 1);
    for (TransportKind kind : {TransportKind::Psftpk, TransportKind::Psftpp}) {
        SCOPED_TRACE(transport_kind_name(kind));
        std::filesystem::remove(scratch / "errors.txt");
        transport.settings.kind = kind;
        EXPECT_EQ(confirm(), 0);
        EXPECT_NE(error_log().find("--- begin shipping errors ---- "), std::string::npos) << error_log();
        EXPECT_NE(error_log().find("local: unable to open epoc.007.east.west.holla"), std::string::npos);
    }
}

TEST_F(Session, AHangingProgramIsEndedAtTheTimeLimit) {
    transport.settings.kind = TransportKind::Lftp;
    transport.settings.session_seconds = 1;
    ::setenv("FAKE_HANG", "1", 1);
    ::setenv("FAKE_PROBE", "1", 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(confirm(), 0);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
    EXPECT_NE(error_log().find("--- transfer session of (" + transport.settings.program +
                               ") ended after its time limit of 1 seconds ---- "),
              std::string::npos)
        << error_log();
    EXPECT_FALSE(exists(local("epoc.007.east.west.script")));
}

TEST_F(Session, MissingKeyFileScriptOrProgramFailsTheSession) {
    ::setenv("FAKE_PROBE", "1", 1);
    transport.settings.kind = TransportKind::Psftpk;
    std::filesystem::remove(scratch / "hostmaps/east.pk");
    EXPECT_EQ(confirm(), 0);
    EXPECT_NE(error_log().find("ERROR: required pkfile (" + (scratch / "hostmaps/east.pk") + ") does not exist"),
              std::string::npos);

    transport.settings.kind = TransportKind::Sftp;
    EXPECT_EQ(follow_instructions(transport, local("none"), local("o"), local("e"), local("p"), "east", true), 0);
    EXPECT_NE(error_log().find("--- transfer script (" + local("none") + ") does not exist"), std::string::npos);

    transport.settings.program = scratch / "fake/not-there";
    EXPECT_EQ(confirm(), 0);
}

TEST_F(Session, AConfirmationFetchIsClassifiedAndABusyFlagOfAnEarlierPassDoesNotCount) {
    // The fake fetches nothing, so a busy flag can only come from earlier.
    struct Case {
        const char* name;
        const char* probe_back;
        std::string directory;
        ConfirmationResult result;
    };
    const Case cases[] = {
        {"session worked", "1", "/bays/east", ConfirmationResult::Confirmed},
        {"session failed", "0", "/bays/east", ConfirmationResult::NoConfirmation},
        {"value refused", "1", "/bays/east\nput x", ConfirmationResult::ScriptNotWritten},
    };
    transport.settings.kind = TransportKind::Sftp;
    const std::string e = local("epoc.007.east.west");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(e + ".pack_pending", "busy since the last pass");
        ::setenv("FAKE_PROBE", c.probe_back, 1);
        transport.receiver.directory = c.directory;
        EXPECT_EQ(fetch_confirmation(transport, e, e + ".v", e + ".o", e + ".r", "east"), c.result);
        for (const char* suffix : {".pack_pending", ".v", ".o", ".r", ".holla"}) EXPECT_FALSE(exists(e + suffix));
    }
}

TEST(ErrorText, JudgedByKindAndCheckMode) {
    struct Case {
        TransportKind kind;
        bool check_mode;
        std::string text;
        ErrorVerdict verdict;
        const char* shown;
    };
    const std::string greeting = "Using username \"ship\".";
    const Case cases[] = {
        {TransportKind::Ftp, true, "", ErrorVerdict::Clean, ""},
        {TransportKind::Sftp, true, "x", ErrorVerdict::Errors, ""},
        {TransportKind::Psftpp, true, greeting + "abc", ErrorVerdict::Clean, ""},
        {TransportKind::Psftpp, true, greeting + "abcd", ErrorVerdict::Unexpected, ""},
        {TransportKind::Psftpk, true, greeting + "\nFATAL ERROR: x\n", ErrorVerdict::Unexpected, "FATAL ERROR: x\n"},
        {TransportKind::Ssftp, true, "Host key verification failed.\n", ErrorVerdict::Unexpected,
         "Host key verification failed.\n"},
        {TransportKind::Lftp, true, "get: Access failed: a\n\nrm: Access failed: b", ErrorVerdict::Clean, ""},
        {TransportKind::Lftp, true, "get: Access failed: a\ncd: Fatal error: max-retries exceeded\n",
         ErrorVerdict::Unexpected, "cd: Fatal error: max-retries exceeded\n"},
        {TransportKind::Lftp, true, "get: /x: file already exists and xfer:clobber is unset\n",
         ErrorVerdict::Unexpected, "get: /x: file already exists and xfer:clobber is unset\n"},
        {TransportKind::Lftp, false, "get: Access failed: a\n", ErrorVerdict::Errors, ""},
        // Only the examined head of the text counts.
        {TransportKind::Lftp, true, std::string(ERROR_TEXT_EXAMINED, '\n') + "put: x\n", ErrorVerdict::Clean, ""},
    };
    for (const Case& c : cases) {
        ErrorJudgement j = judge_error_text(c.kind, "ship", c.check_mode, c.text);
        EXPECT_EQ(j.verdict, c.verdict) << c.text;
        EXPECT_EQ(j.shown, c.shown) << c.text;
    }
}

TEST(FtpReplies, RefusalsBeyondTheMissingFilesAreUnexplained) {
    struct Case {
        const char* output;
        int tolerated;
        int unexplained;
    };
    const Case cases[] = {
        {"", 3, 0},
        {"550 No such file.\n550 No such file.\n", 3, 0},
        {"550 No such file.\n550 No such file.\n", 1, 1},
        {"553 Could not create file.\n", 3, 1},
        {"452 Insufficient storage.\n", 3, 1},
        {"530-Login\n530 incorrect.\n", 3, 1},
        {"local: x remote: x\n226 Transfer complete.\n", 0, 0},
        {"5xx not a reply\n", 0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(unexplained_ftp_refusals(c.output, c.tolerated), c.unexplained) << c.output;
}

TEST(PsftpOutput, UploadsWithoutTheirConfirmationLineAreUnconfirmed) {
    const std::string script =
        "cd \"/r\"\nlcd \"/l\"\nput \"p.holla\"\ndel \"p.pack\"\nput \"p.crc\"\nput \"p.crc_1\"\r\n"
        "get \"p.holla\"\nquit\n";
    struct Case {
        const char* output;
        std::vector<std::string> unconfirmed;
    };
    const Case cases[] = {
        {"local:p.holla => remote:/r/p.holla\nrm /r/p.pack: no such file or directory\n"
         "local:p.crc => remote:/r/p.crc\nlocal:p.crc_1 => remote:/r/p.crc_1\n",
         {}},
        // A local file that is not there, a server that refuses to store.
        {"local:p.holla => remote:/r/p.holla\nlocal: unable to open p.crc\n"
         "/r/p.crc_1: open for write: failure\n",
         {"p.crc", "p.crc_1"}},
        // The name must be the whole name, not a prefix of another.
        {"local:p.holla => remote:/r/p.holla\nlocal:p.crc_1 => remote:/r/p.crc_1\n", {"p.crc"}},
        {"", {"p.holla", "p.crc", "p.crc_1"}},
    };
    for (const Case& c : cases) EXPECT_EQ(unconfirmed_psftp_uploads(script, c.output), c.unconfirmed) << c.output;
}

TEST(FtpOutput, UploadsWithoutTheirTransferReportAreUnconfirmed) {
    const std::string script =
        "user u p\nverbose\nput \"p.holla\"\ndel \"p.pack\"\nput \"p.crc\"\nput \"p.crc_1\"\nget \"p.holla\"\nquit\n";
    const std::string probe_up = "local: p.holla remote: p.holla\n226 Transfer complete.\n11 bytes sent in 00:00\n";
    const std::string both_parts =
        "local: p.crc remote: p.crc\n226 Transfer complete.\n1 byte sent in 0.00 secs (1 kB/s)\n"
        "local: p.crc_1 remote: p.crc_1\n226 Transfer complete.\r\n2000 bytes sent in 0.001 seconds\r\n";
    struct Case {
        const char* name;
        std::string output;
        std::vector<std::string> unconfirmed;
    };
    const Case cases[] = {
        {"all reported",
         probe_up + "550 No such file or directory.\n" + both_parts +
             "local: p.holla remote: p.holla\n3 bytes received in 00:00\n",
         {}},
        {"refused by the server",
         probe_up + "local: p.crc remote: p.crc\n550 Is a directory.\n" +
             "local: p.crc_1 remote: p.crc_1\n226 Transfer complete.\n5 bytes sent in 00:00\n",
         {"p.crc"}},
        // A local file that cannot be opened is announced, then nothing.
        {"not readable",
         probe_up + "local: p.crc remote: p.crc\nlocal: p.crc_1 remote: p.crc_1\n",
         {"p.crc", "p.crc_1"}},
        // A download's report does not confirm an upload of the same name.
        {"received, not sent", "local: p.holla remote: p.holla\n3 bytes received in 00:00\n" + both_parts, {"p.holla"}},
        // A client that announces no transfer is judged by the other rules.
        {"terse client", "No such file or directory.\n", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(unconfirmed_ftp_uploads(script, c.output), c.unconfirmed) << c.name;
}

}  // namespace

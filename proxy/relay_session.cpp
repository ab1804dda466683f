#include "proxy/relay_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/console_frame.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/frame.h"
#include "common/text_format.h"
#include "proxy/proxy_messages.h"
#include "proxy/remote_listing.h"
#include "shipper/config/config_file.h"
#include "shipper/transport/session.h"
#include "shipper/transport/transport.h"
#include "shipper/transport/transport_messages.h"

// The shell's statuses for a program it could not find or not execute.
constexpr int CANNOT_EXECUTE = 126;
constexpr int NOT_FOUND = 127;

unsigned relay_session_seconds() {
    const char* value = std::getenv(RELAY_SESSION_SECONDS_ENV);
    if (!value || !*value) return RELAY_SESSION_SECONDS;
    char* end = nullptr;
    errno = 0;
    unsigned long n = std::strtoul(value, &end, 10);
    if (errno != 0 || *end != '\0' || value[0] == '-' || n > 604800) return RELAY_SESSION_SECONDS;
    return static_cast<unsigned>(n);
}

int RelayWork::prepare() {
    if (!work.make(temp_parent_dir(), stem + "_")) {
        int err = errno;
        blog_it('e', fmt_msg(PROXY_WORK_DIR_FAILED, temp_parent_dir().c_str(), std::strerror(err)));
        return 0;
    }
    if (!staging.make(map.request_lcd, "." + stem + "_")) {
        int err = errno;
        blog_it('e', fmt_msg(PROXY_WORK_DIR_FAILED, map.request_lcd.c_str(), std::strerror(err)));
        return 0;
    }
    probe_name = stem + "_" + random_string(12) + ".holla";
    return 1;
}

Command relay_command(const ProxyMap& map, const std::string& script, const std::string& output,
                      const std::string& errors, unsigned seconds) {
    Command command(map.TRANSPORT_PROGRAM);
    if (map.kind == RelayKind::Ftp)
        command.args("-in", map.remote.machine).in_from(script);
    else
        command.args("-f", script);
    command.append_out(output).append_err(errors).time_limit(seconds);
    return command;
}

namespace {

// Creates `path` afresh, privately and exclusively, with `text`.
bool write_private(const std::string& path, std::string_view text) {
    ::unlink(path.c_str());
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = write_whole(fd, text);
    if (::close(fd) != 0) ok = false;
    if (!ok) ::unlink(path.c_str());
    return ok;
}

// Removes the session's files whatever way it ends.
struct SessionFiles {
    const RelayWork& work;
    ~SessionFiles() {
        unlink_remove(work.script());
        unlink_remove(work.output());
        unlink_remove(work.errors());
        unlink_remove(work.probe());
    }
};

}  // namespace

SessionOutcome follow_instructions_(RelayWork& work, const std::string& script_text, const std::string& summary,
                                    std::string* output, bool* output_read, int tolerated_not_found) {
    SessionFiles files{work};
    if (output) output->clear();
    if (output_read) *output_read = false;
    if (!write_private(work.script(), script_text) || !write_private(work.output(), "") ||
        !write_private(work.errors(), "") || !write_private(work.probe(), RELAY_PROBE_TEXT)) {
        int err = errno;
        blog_it('e',
                fmt_msg("-- transfer script (%s) could not be written: %s", work.script().c_str(), std::strerror(err)));
        return SessionOutcome::NotWritten;
    }

    Command command = relay_command(work.map, work.script(), work.output(), work.errors(), work.seconds);
    int status = command.run();
    unlink_remove(work.script());

    shipper_config::FileText text = shipper_config::read_bounded_file(work.output(), LISTING_READ_MAX);
    bool read = text.status == shipper_config::ReadStatus::ok || text.status == shipper_config::ReadStatus::empty;
    if (output && read) {
        *output = text.text;
        if (output_read) *output_read = true;
    }

    if (status == COMMAND_TIMED_OUT) {
        blog_it('e', fmt_msg(TRANSPORT_MSG_TIMED_OUT, work.map.TRANSPORT_PROGRAM.c_str(), work.seconds));
        return SessionOutcome::Failed;
    }
    if (status == COMMAND_NOT_STARTED || status == NOT_FOUND || status == CANNOT_EXECUTE) {
        blog_it('e', fmt_msg(MSG_06, work.map.TRANSPORT_PROGRAM.c_str()));
        return SessionOutcome::Failed;
    }
    if (file_size_or_zero(work.probe()) == 0) {
        blog_it('e', MSG_11);
        return SessionOutcome::Failed;
    }
    // Shows the file that tells what went wrong and fails the session.
    auto failed_with = [](const std::string& file) {
        blog_it('e', PROXY_BEGIN_ERRORS);
        blat_file(file.c_str());
        blog_it('e', PROXY_END_ERRORS);
        return SessionOutcome::Failed;
    };
    if (file_size_or_zero(work.errors()) > 0) return failed_with(work.errors());
    // An ftp client goes on after a refused command and shows the server's
    // refusal on its standard output.
    if (work.map.kind == RelayKind::Ftp && unexplained_ftp_refusals(text.text, tolerated_not_found) > 0)
        return failed_with(work.output());
    // ... and, in its verbose mode, reports every upload it finished.
    if (work.map.kind == RelayKind::Ftp && !unconfirmed_ftp_uploads(script_text, text.text).empty())
        return failed_with(work.output());
    if (!summary.empty()) blog_it('n', summary);
    return SessionOutcome::Ok;
}

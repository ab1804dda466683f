#include "shipper/transport/session.h"

#include <cctype>
#include <cerrno>
#include <unordered_set>

#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/host_map.h"
#include "shipper/transport/instructions.h"
#include "shipper/transport/transport_messages.h"

namespace {

// How much of a script or of the program's output is examined.
constexpr std::size_t SESSION_TEXT_EXAMINED = 1 << 20;

// The first `max` bytes of a file; empty when it cannot be read.
std::string read_head(const std::string& path, std::size_t max) {
    std::string text;
    get_file_results(path, text, max + 1);
    return text;
}

// Calls `each` with every line of `text` (without its newline).
template <typename Each>
void for_each_line(std::string_view text, Each each) {
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        each(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

bool is_blank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// The script lines whose failure is normal (downloads and remote deletes
// of files that may not be there).
int commands_that_may_miss(std::string_view script) {
    int count = 0;
    for_each_line(script, [&](std::string_view line) {
        if (line.starts_with("get ") || line.starts_with("del ") || line.starts_with("rm ")) ++count;
    });
    return count;
}

void remove_session_files(const std::string& output, const std::string& errors, const std::string& probe) {
    unlink_remove(output);
    unlink_remove(errors);
    unlink_remove(probe);
}

// The error log gets the text between the begin and end lines.
void log_error_text(const char* begin, const std::string& text) {
    log_it('e', begin);
    if (!LOG_FILES.ELOG_FILE.empty()) append_file(LOG_FILES.ELOG_FILE, text.c_str(), ATTR_PRIVATE);
    log_it('e', TRANSPORT_MSG_END_ERRORS);
}

void log_error_file(const std::string& path) {
    log_it('e', TRANSPORT_MSG_BEGIN_ERRORS);
    concat_log('e', path.c_str());
    log_it('e', TRANSPORT_MSG_END_ERRORS);
}

}  // namespace

Command transport_command(const Transport& transport, const std::string& script, const std::string& output,
                          const std::string& errors, const std::string& location) {
    const TransportSettings& s = transport.settings;
    const ConnectionRecord& r = transport.receiver;
    const std::string login = r.user + "@" + r.machine;
    Command command(s.program);
    switch (s.kind) {
        case TransportKind::Ftp:
            command.args("-in", r.machine).in_from(script);
            break;
        case TransportKind::Sftp:
        case TransportKind::Ssftp:
            command.args("-B", script, login);
            break;
        case TransportKind::Psftpk:
            command.args("-b", script, "-i", pkfile_path(s, location), "-be", "-batch", login);
            break;
        case TransportKind::Psftpp:
            command.args("-b", script, "-pw", r.password, "-be", "-batch", login);
            break;
        case TransportKind::Lftp:
            command.args("-f", script);
            break;
    }
    command.append_out(output).append_err(errors).time_limit(s.session_seconds);
    return command;
}

ErrorJudgement judge_error_text(TransportKind kind, const std::string& user, bool check_mode, std::string_view text) {
    ErrorJudgement judgement;
    text = text.substr(0, ERROR_TEXT_EXAMINED);
    if (text.empty()) return judgement;
    switch (kind) {
        case TransportKind::Ssftp:
        case TransportKind::Psftpk:
        case TransportKind::Psftpp: {
            const std::string greeting = "Using username \"" + user + "\".";
            if (text.starts_with(greeting) && text.size() <= greeting.size() + 3) return judgement;
            judgement.verdict = ErrorVerdict::Unexpected;
            if (text.starts_with(greeting)) {
                std::size_t end = text.find('\n');
                text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
            }
            judgement.shown = text;
            return judgement;
        }
        case TransportKind::Lftp:
            if (check_mode) {
                for_each_line(text, [&](std::string_view line) {
                    if (line.starts_with("get: Access failed:") || line.starts_with("rm: Access failed:") ||
                        is_blank(line))
                        return;
                    judgement.shown.append(line);
                    judgement.shown += '\n';
                });
                if (!judgement.shown.empty()) judgement.verdict = ErrorVerdict::Unexpected;
                return judgement;
            }
            break;
        case TransportKind::Ftp:
        case TransportKind::Sftp:
            break;
    }
    judgement.verdict = ErrorVerdict::Errors;
    return judgement;
}

int unexplained_ftp_refusals(std::string_view output, int tolerated_not_found) {
    int unexplained = 0;
    for_each_line(output, [&](std::string_view line) {
        bool reply = line.size() >= 4 && (line[0] == '4' || line[0] == '5') && std::isdigit((unsigned char)line[1]) &&
                     std::isdigit((unsigned char)line[2]) && (line[3] == ' ' || line[3] == '-');
        if (!reply || line[3] == '-') return;  // continuation lines of a reply are not counted again
        if (line.starts_with("550") && tolerated_not_found > 0) {
            --tolerated_not_found;
            return;
        }
        ++unexplained;
    });
    return unexplained;
}

namespace {

// The names of the `put "<name>"` lines of a script.
std::vector<std::string> script_uploads(std::string_view script) {
    std::vector<std::string> uploads;
    for_each_line(script, [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with("put \"") && line.size() > 6 && line.back() == '"')
            uploads.emplace_back(line.substr(5, line.size() - 6));
    });
    return uploads;
}

std::vector<std::string> not_in(const std::vector<std::string>& names, const std::unordered_set<std::string>& made) {
    std::vector<std::string> missing;
    for (const std::string& name : names)
        if (!made.contains(name)) missing.push_back(name);
    return missing;
}

}  // namespace

std::vector<std::string> unconfirmed_ftp_uploads(std::string_view script, std::string_view output) {
    constexpr std::string_view announce = "local: ", remote = " remote: ";
    std::unordered_set<std::string> made;
    bool announced = false;
    std::string current;  // the transfer announced last and not yet reported
    for_each_line(output, [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t at = line.find(remote);
        if (line.starts_with(announce) && at != std::string_view::npos) {
            announced = true;
            current = line.substr(announce.size(), at - announce.size());
        } else if (!current.empty() && line.find(" sent in ") != std::string_view::npos &&
                   line.find(" byte") != std::string_view::npos) {
            made.insert(current);
            current.clear();
        }
    });
    if (!announced) return {};
    return not_in(script_uploads(script), made);
}

std::vector<std::string> unconfirmed_psftp_uploads(std::string_view script, std::string_view output) {
    std::unordered_set<std::string> made;
    constexpr std::string_view local = "local:", arrow = " => remote:";
    for_each_line(output, [&](std::string_view line) {
        std::size_t at = line.find(arrow);
        if (line.starts_with(local) && at != std::string_view::npos)
            made.emplace(line.substr(local.size(), at - local.size()));
    });
    return not_in(script_uploads(script), made);
}

namespace {

// Whether the output of ftp or psftp shows a command that failed: an ftp
// refusal the script does not explain (check mode), or an upload without
// its confirmation.
bool output_shows_failure(TransportKind kind, bool check_mode, std::string_view script_text,
                          std::string_view output_text) {
    if (kind != TransportKind::Ftp) return !unconfirmed_psftp_uploads(script_text, output_text).empty();
    if (check_mode && unexplained_ftp_refusals(output_text, commands_that_may_miss(script_text)) > 0) return true;
    return !unconfirmed_ftp_uploads(script_text, output_text).empty();
}

}  // namespace

int follow_instructions(const Transport& transport, const std::string& script, const std::string& output,
                        const std::string& errors, const std::string& probe, const std::string& location,
                        bool check_mode) {
    const TransportSettings& s = transport.settings;
    if (!this_file_exists(script)) {
        log_it('e', fmt_msg(TRANSPORT_MSG_NO_SCRIPT, script.c_str()));
        return 0;
    }
    unlink_remove(output);
    unlink_remove(errors);
    if (this_file_exists(output) || this_file_exists(errors)) {
        log_it('e', fmt_msg(TRANSPORT_MSG_STALE_FILES, this_file_exists(output) ? output.c_str() : errors.c_str()));
        return 0;
    }
    if (!touch_file(errors, "", ATTR_PRIVATE) || !touch_file(output, "", ATTR_PRIVATE) ||
        !touch_file(probe, PROBE_TEXT, ATTR_PRIVATE)) {
        remove_session_files(output, errors, probe);
        return 0;
    }
    push_ship_file(errors);
    push_ship_file(output);
    push_ship_file(probe);

    if (s.kind == TransportKind::Psftpk) {
        const std::string pk = pkfile_path(s, location);
        if (!this_file_exists(pk)) {
            log_it('e', fmt_msg(TRANSPORT_MSG_PKFILE_MISSING, pk.c_str()));
            remove_session_files(output, errors, probe);
            return 0;
        }
    }

    // ftp and psftp go on after a failed command: their output is judged
    // against the script, which is gone once the program has returned.
    const bool output_judged =
        s.kind == TransportKind::Ftp || s.kind == TransportKind::Psftpk || s.kind == TransportKind::Psftpp;
    const std::string script_text = output_judged ? read_head(script, SESSION_TEXT_EXAMINED) : std::string();
    const Command command = transport_command(transport, script, output, errors, location);
    const int status = command.run();
    unlink_remove(script);

    // The callers report a failure with errno and its text: it names why the
    // session failed, not whatever the clean-up below last ran into.
    int result = 0, why = ECOMM;
    if (status == COMMAND_TIMED_OUT) {
        log_it('e', fmt_msg(TRANSPORT_MSG_TIMED_OUT, s.program.c_str(), s.session_seconds));
        if (!file_is_empty(errors)) log_error_file(errors);
        why = ETIMEDOUT;
    } else if (status == COMMAND_NOT_STARTED) {
        log_it('e', fmt_msg(TRANSPORT_MSG_NOT_STARTED, s.program.c_str()));
        why = ENOENT;
    } else if (ErrorJudgement j = judge_error_text(s.kind, transport.receiver.user, check_mode,
                                                   read_head(errors, ERROR_TEXT_EXAMINED));
               j.verdict != ErrorVerdict::Clean) {
        if (j.verdict == ErrorVerdict::Unexpected)
            log_error_text(TRANSPORT_MSG_BEGIN_UNEXPECTED, j.shown);
        else
            log_error_file(errors);
    } else if (status != 0 && !file_is_empty(output)) {
        log_error_file(output);
    } else if (output_judged &&
               output_shows_failure(s.kind, check_mode, script_text, read_head(output, SESSION_TEXT_EXAMINED))) {
        log_error_file(output);
    } else if (this_file_exists(probe) && !file_is_empty(probe)) {
        result = 1;
    } else {
        log_it('e', TRANSPORT_MSG_NOT_ESTABLISHED);
        why = ENOTCONN;
    }
    remove_session_files(output, errors, probe);
    if (!result) errno = why;
    return result;
}

#include "shipper/transport/transfer_script.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/transport_messages.h"

TransferScript::TransferScript(const Transport& transport) : transport_(transport), kind_(transport.settings.kind) {}

void TransferScript::open_session() {
    const ConnectionRecord& r = transport_.receiver;
    if (kind_ == TransportKind::Ftp) {
        text_ += "user " + r.user + " " + r.password + "\n";
        // Replies with their codes and a report of every transfer, by which
        // the session is judged (the client is terse with a script on its
        // standard input).
        command("verbose");
        ascii();
    } else if (kind_ == TransportKind::Lftp) {
        const TransportSettings& s = transport_.settings;
        // net:max-retries 0 would mean "retry for ever".
        text_ += fmt_msg("set net:max-retries %u\n", s.lftp_max_retries == 0 ? 1 : s.lftp_max_retries);
        text_ += fmt_msg("set net:timeout %u\n", s.lftp_timeout_seconds);
        text_ += fmt_msg("set net:reconnect-interval-base %u\n", s.lftp_reconnect_interval_base);
        // Downloads replace the local copies of the last pass; uploads
        // replace the receiver's copies of an unconfirmed packet without
        // leaving them beside it under a backup name.
        text_ += "set xfer:clobber on\nset xfer:make-backup off\n";
        text_ += "open -u " + r.user + "," + r.password + " " + r.machine + "\n";
    }
    command("cd", r.directory);
    command("lcd", transport_.settings.local_dir);
}

void TransferScript::ascii() {
    if (kind_ == TransportKind::Ftp) command("ascii");
}
void TransferScript::binary() {
    if (kind_ == TransportKind::Ftp) command("bin");
}
void TransferScript::stop_at_failures() {
    if (kind_ == TransportKind::Lftp) text_ += "set cmd:fail-exit yes\n";
}
void TransferScript::put(std::string_view name) {
    command("put", name);
}
void TransferScript::get(std::string_view name) {
    command("get", name);
}
void TransferScript::remote_delete(std::string_view name) {
    command(kind_ == TransportKind::Ssftp || kind_ == TransportKind::Lftp ? "rm" : "del", name);
}
void TransferScript::local_delete(std::string_view name) {
    command(kind_ == TransportKind::Ssftp ? "lrm" : "!rm", name);
}
void TransferScript::quit() {
    command("quit");
}

void TransferScript::command(std::string_view word, std::string_view argument) {
    text_ += word;
    if (!argument.empty()) {
        text_ += " \"";
        text_ += argument;
        text_ += '"';
    }
    text_ += '\n';
}

int check_transfer_script_values(const Transport& transport, const std::string& script,
                                 const std::vector<std::string>& names) {
    std::string reason;
    bool ok = check_connection_record(transport.receiver, reason) &&
              check_script_directory(transport.settings.local_dir, "local directory", reason);
    for (const std::string& name : names)
        if (ok) ok = check_script_name(name, reason);
    if (!ok) log_it('e', fmt_msg(TRANSPORT_MSG_SCRIPT_REFUSED, script.c_str(), reason.c_str()));
    return ok ? 1 : 0;
}

ScriptWrite write_transfer_script(const std::string& script, const std::string& text, bool replace) {
    if (replace) unlink_remove(script);
    int fd = ::open(script.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return ScriptWrite::NotCreated;
    push_ship_file(script);
    bool ok = write_whole(fd, text);
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        unlink_remove(script);
        return ScriptWrite::NotWritten;
    }
    return ScriptWrite::Written;
}

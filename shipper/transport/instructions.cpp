#include "shipper/transport/instructions.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/transport_messages.h"

namespace {

// The command words of one transport kind.
class ScriptText {
public:
    explicit ScriptText(const Transport& transport) : transport_(transport), kind_(transport.settings.kind) {}

    // The login line (and the lftp session settings), then both directories.
    void open_session() {
        const ConnectionRecord& r = transport_.receiver;
        if (kind_ == TransportKind::Ftp) {
            text_ += "user " + r.user + " " + r.password + "\n";
            word("ascii");
        } else if (kind_ == TransportKind::Lftp) {
            const TransportSettings& s = transport_.settings;
            // net:max-retries 0 would mean "retry for ever".
            text_ += fmt_msg("set net:max-retries %u\n", s.lftp_max_retries == 0 ? 1 : s.lftp_max_retries);
            text_ += fmt_msg("set net:timeout %u\n", s.lftp_timeout_seconds);
            text_ += fmt_msg("set net:reconnect-interval-base %u\n", s.lftp_reconnect_interval_base);
            // The confirmation files are fetched over the copies of the last pass.
            text_ += "set xfer:clobber on\n";
            text_ += "open -u " + r.user + "," + r.password + " " + r.machine + "\n";
        }
        named("cd", r.directory);
        named("lcd", transport_.settings.local_dir);
    }

    void ascii() {
        if (kind_ == TransportKind::Ftp) word("ascii");
    }
    void binary() {
        if (kind_ == TransportKind::Ftp) word("bin");
    }
    // lftp ends the session at the first command that fails from here on.
    void stop_at_failures() {
        if (kind_ == TransportKind::Lftp) text_ += "set cmd:fail-exit yes\n";
    }
    void put(const std::string& name) { named("put", name); }
    void get(const std::string& name) { named("get", name); }
    void remote_delete(const std::string& name) {
        named(kind_ == TransportKind::Ssftp || kind_ == TransportKind::Lftp ? "rm" : "del", name);
    }
    void local_delete(const std::string& name) { named(kind_ == TransportKind::Ssftp ? "lrm" : "!rm", name); }
    void quit() { word("quit"); }

    const std::string& text() const { return text_; }

private:
    void word(const char* w) {
        text_ += w;
        text_ += '\n';
    }
    void named(const char* w, const std::string& name) {
        text_ += w;
        text_ += " \"";
        text_ += name;
        text_ += "\"\n";
    }

    const Transport& transport_;
    TransportKind kind_;
    std::string text_;
};

// Checks everything that goes into a script; logs and returns 0 on refusal.
int check_script_values(const Transport& transport, const std::string& script, const std::vector<std::string>& names) {
    std::string reason;
    bool ok = check_connection_record(transport.receiver, reason) &&
              check_script_directory(transport.settings.local_dir, "local directory", reason);
    for (const std::string& name : names)
        if (ok) ok = check_script_name(name, reason);
    if (!ok) log_it('e', fmt_msg(TRANSPORT_MSG_SCRIPT_REFUSED, script.c_str(), reason.c_str()));
    return ok ? 1 : 0;
}

enum class WriteResult { Written, NotCreated, NotWritten };

// Creates the script exclusively and privately, never through a symbolic
// link, registers it for removal and writes the text. A half-written script
// is removed.
WriteResult write_script(const std::string& script, const std::string& text) {
    int fd = ::open(script.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return WriteResult::NotCreated;
    push_ship_file(script);
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    bool ok = done == text.size();
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        unlink_remove(script);
        return WriteResult::NotWritten;
    }
    return WriteResult::Written;
}

}  // namespace

std::string transport_base_name(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int make_verify_up_to_date_instructions(const Transport& transport, const std::string& script,
                                        const std::string& remote_epoch_name, const std::string& probe,
                                        const std::string& busy_flag) {
    const std::string probe_name = transport_base_name(probe);
    const std::string busy_name = transport_base_name(busy_flag);
    if (!check_script_values(transport, script, {remote_epoch_name, probe_name, busy_name})) return 0;

    ScriptText s(transport);
    s.open_session();
    s.put(probe_name);
    s.local_delete(probe_name);
    s.get(remote_epoch_name);
    s.get(busy_name);
    s.get(probe_name);
    s.remote_delete(probe_name);
    s.quit();

    unlink_remove(script);
    return write_script(script, s.text()) == WriteResult::Written ? 1 : 0;
}

int make_instructions(const Transport& transport, const std::string& script, const std::string& packet, int extra_parts,
                      const std::string& trailer, const std::string& probe) {
    const std::string packet_name = transport_base_name(packet);
    const std::string trailer_name = transport_base_name(trailer);
    const std::string probe_name = transport_base_name(probe);
    if (extra_parts < 0) extra_parts = 0;
    if (!check_script_values(transport, script, {packet_name, trailer_name, probe_name})) return 0;

    ScriptText s(transport);
    s.open_session();
    s.put(probe_name);
    // Stale copies of an earlier attempt: the trailer first, so that the
    // receiver never sees a trailer over a packet being replaced; the part
    // after this packet's last one would be taken for a part of it.
    s.remote_delete(trailer_name);
    s.remote_delete(packet_name);
    s.remote_delete(packet_name + "_" + std::to_string(extra_parts + 1));
    s.local_delete(probe_name);
    s.binary();
    s.stop_at_failures();
    s.put(packet_name);
    for (int i = 1; i <= extra_parts; ++i) s.put(packet_name + "_" + std::to_string(i));
    s.ascii();
    // The trailer goes last: once it is there, the receiver takes the packet.
    s.put(trailer_name);
    s.get(probe_name);
    s.remote_delete(probe_name);
    s.quit();

    switch (write_script(script, s.text())) {
        case WriteResult::Written:
            return 1;
        case WriteResult::NotCreated:
            log_it('n', TRANSPORT_MSG_CREATION_FAILED);
            return 0;
        case WriteResult::NotWritten:
            log_it('n', TRANSPORT_MSG_APPENDING_FAILED);
            return 0;
    }
    return 0;
}

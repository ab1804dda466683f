#include "shipper/transport/transport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/text_format.h"

namespace {

struct KindName {
    const char* prefix;
    TransportKind kind;
};

// Tried in this order; "sftp" comes before "ftp", which is a prefix of
// neither "sftp" nor "ssftp" but would be of a program named "ftps...".
constexpr KindName KIND_PREFIXES[] = {
    {"lftp", TransportKind::Lftp},     {"sftp", TransportKind::Sftp},   {"psftpk", TransportKind::Psftpk},
    {"psftpp", TransportKind::Psftpp}, {"ssftp", TransportKind::Ssftp}, {"ftp", TransportKind::Ftp},
};

bool is_alnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_control(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

// "newline", "tab" or the code of another control character, for messages.
std::string describe_control(char c) {
    if (c == '\n') return "a newline";
    if (c == '\r') return "a carriage return";
    if (c == '\t') return "a tab";
    return fmt_msg("a control character (code %d)", static_cast<unsigned char>(c));
}

// Checks one connection value: not empty, at most `max` characters, no
// control character, no leading '-' when `no_leading_dash`, and every
// character either accepted by `allowed` or not refused by it.
template <typename Allowed>
int check_value(std::string_view value, const char* field, std::size_t max, bool no_leading_dash, Allowed allowed,
                std::string& reason) {
    if (value.empty()) {
        reason = fmt_msg("the %s is empty", field);
        return 0;
    }
    if (value.size() > max) {
        reason = fmt_msg("the %s is longer than %zu characters", field, max);
        return 0;
    }
    if (no_leading_dash && value.front() == '-') {
        reason = fmt_msg("the %s begins with '-' and would be read as an option", field);
        return 0;
    }
    for (char c : value) {
        if (is_control(c)) {
            reason = fmt_msg("the %s holds %s", field, describe_control(c).c_str());
            return 0;
        }
        if (!allowed(c)) {
            reason = fmt_msg("the %s holds the character '%c', which a transfer script or command line would interpret",
                             field, c);
            return 0;
        }
    }
    return 1;
}

}  // namespace

const char* transport_kind_name(TransportKind kind) {
    switch (kind) {
        case TransportKind::Ftp:
            return "ftp";
        case TransportKind::Sftp:
            return "sftp";
        case TransportKind::Psftpk:
            return "psftpk";
        case TransportKind::Ssftp:
            return "ssftp";
        case TransportKind::Psftpp:
            return "psftpp";
        case TransportKind::Lftp:
            return "lftp";
    }
    return "ftp";
}

int transport_kind_of_program(std::string_view program, TransportKind& kind) {
    std::size_t slash = program.rfind('/');
    std::string_view base = slash == std::string_view::npos ? program : program.substr(slash + 1);
    if (base.empty()) return 0;
    for (const KindName& entry : KIND_PREFIXES) {
        if (base.starts_with(entry.prefix)) {
            kind = entry.kind;
            return 1;
        }
    }
    return 0;
}

int check_connection_record(const ConnectionRecord& record, std::string& reason) {
    // Host names, IPv4 and IPv6 addresses (with a zone), URLs such as
    // sftp://host:port or file:///.
    auto machine_char = [](char c) {
        return is_alnum(c) || c == '.' || c == '-' || c == '_' || c == ':' || c == '/' || c == '[' || c == ']' ||
               c == '%';
    };
    // Login names, domain users (their backslash became '/'), mail-like names.
    auto user_char = [](char c) {
        return is_alnum(c) || c == '.' || c == '-' || c == '_' || c == '@' || c == '/' || c == '+';
    };
    // The password stands unquoted in the ftp and lftp scripts (where ';',
    // '&', '|', '>' and '!' start another command or a redirection) and as
    // one word on the psftp command line.
    auto password_char = [](char c) {
        static constexpr std::string_view refused = "\"'\\`;&|<>#!()$*?{} ";
        return refused.find(c) == std::string_view::npos;
    };
    return check_value(record.machine, "machine", 511, true, machine_char, reason) &&
           check_value(record.user, "user", 511, true, user_char, reason) &&
           check_value(record.password, "password", 511, false, password_char, reason) &&
           check_script_directory(record.directory, "receiver directory", reason);
}

int check_script_name(std::string_view name, std::string& reason) {
    auto name_char = [](char c) { return is_alnum(c) || c == '.' || c == '_' || c == '-' || c == '+'; };
    if (!check_value(name, "file name", 1023, true, name_char, reason)) return 0;
    if (name.front() == '.') {
        reason = fmt_msg("the file name (%.*s) begins with '.'", static_cast<int>(name.size()), name.data());
        return 0;
    }
    return 1;
}

int check_script_directory(std::string_view dir, const char* what, std::string& reason) {
    // The directory stands in double quotes.
    auto dir_char = [](char c) { return c != '"' && c != '\\'; };
    return check_value(dir, what, 1023, true, dir_char, reason);
}

#include "proxy/proxy_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "common/console_frame.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "proxy/proxy_messages.h"
#include "shipper/config/config_file.h"
#include "shipper/transport/transport.h"

using shipper_config::ReadStatus;

bool relay_kind_of(std::string_view program, RelayKind& kind) {
    std::size_t slash = program.rfind('/');
    std::string_view base = slash == std::string_view::npos ? program : program.substr(slash + 1);
    if (base.starts_with("lftp")) {
        kind = RelayKind::Lftp;
        return true;
    }
    if (base.starts_with("ftp")) {
        kind = RelayKind::Ftp;
        return true;
    }
    return false;
}

int parse_proxy_text(std::string_view text, ProxyMap& map) {
    std::vector<std::string> lines;
    for (std::string_view line : shipper_config::split_lines(text)) {
        std::string kept = stripped_copy(line);
        if (kept.empty()) continue;
        lines.push_back(std::move(kept));
        if (lines.size() == 3) break;
    }
    while (lines.size() < 3) lines.emplace_back();

    const std::string& program = lines[0];
    if (program.size() < 2 || program.find_first_of(" \t") != std::string::npos) return 0;
    map.TRANSPORT_PROGRAM = program;
    if (lines[1].size() < 2) return 1;
    map.request_lcd = lines[1];

    const std::string& key_line = lines[2];
    std::size_t close = key_line.rfind(']');
    if (close == std::string::npos) return 2;
    std::size_t open = key_line.find('[');
    if (open == std::string::npos || open > close) return 3;
    std::string passkey = key_line.substr(open + 1, close - open - 1);
    std::string words;
    if (!return_pkey(passkey.c_str(), words) || !split_pkey(words, map.remote)) return 4;
    return -1;
}

int check_proxy_values(const ProxyMap& map, std::string& reason) {
    const PasskeyWords& r = map.remote;
    const ConnectionRecord record{r.machine, r.user, r.password, r.directory};
    if (!check_script_directory(map.TRANSPORT_PROGRAM, "transport program", reason) ||
        !check_connection_record(record, reason) || !check_script_directory(map.request_lcd, "local directory", reason))
        return 0;
    struct stat st;
    if (::stat(map.request_lcd.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        reason = "the local directory (" + map.request_lcd + ") is not a directory";
        return 0;
    }
    return 1;
}

int read_proxy_file(const std::string& path, ProxyMap& map) {
    shipper_config::FileText file = shipper_config::read_bounded_file(path, PROXY_FILE_READ_MAX);
    switch (file.status) {
        case ReadStatus::missing:
            blog_it('e', fmt_msg(PROXY_MAP_MISSING, path.c_str()));
            return 0;
        case ReadStatus::unreadable:
            blog_it('e', fmt_msg(PROXY_MAP_UNREADABLE, path.c_str()));
            return 0;
        case ReadStatus::empty:
            blog_it('e', fmt_msg(PROXY_MAP_EMPTY, path.c_str()));
            return 0;
        case ReadStatus::ok:
            break;
    }
    int bad_line = parse_proxy_text(file.text, map);
    if (bad_line >= 0) {
        blog_it('e', fmt_msg(MSG_10, bad_line, path.c_str()));
        return 0;
    }
    std::string reason;
    if (!relay_kind_of(map.TRANSPORT_PROGRAM, map.kind)) {
        reason = "the transport program (" + map.TRANSPORT_PROGRAM + ") is neither an ftp nor an lftp client";
        blog_it('e', fmt_msg(PROXY_MAP_REFUSED, path.c_str(), reason.c_str()));
        return 0;
    }
    // Scripts change the local directory more than once: a relative name
    // would be taken from the last one.
    std::error_code ignored;
    std::filesystem::path local = std::filesystem::absolute(map.request_lcd, ignored);
    if (!local.empty()) map.request_lcd = local.lexically_normal().string();
    while (map.request_lcd.size() > 1 && map.request_lcd.back() == '/') map.request_lcd.pop_back();
    if (!check_proxy_values(map, reason)) {
        blog_it('e', fmt_msg(PROXY_MAP_REFUSED, path.c_str(), reason.c_str()));
        return 0;
    }
    return 1;
}

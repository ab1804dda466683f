#include "shipper/transport/host_map.h"

#include <fcntl.h>
#include <unistd.h>

#include "codecs/scramble.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/transport_messages.h"

namespace {

// Reads at most HOSTMAP_READ_MAX bytes; -1 when the file cannot be opened.
long read_head(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    text.assign(HOSTMAP_READ_MAX, '\0');
    std::size_t got = 0;
    while (got < HOSTMAP_READ_MAX) {
        ssize_t n = ::read(fd, text.data() + got, HOSTMAP_READ_MAX - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return static_cast<long>(got);
}

int fail(Transport& transport, const std::string& message) {
    log_it('e', message);
    transport.receiver = ConnectionRecord{};
    return 0;
}

}  // namespace

std::string hostmap_path(const TransportSettings& settings, const std::string& location) {
    return settings.hostmaps_dir + "/" + location + ".hostmap";
}

std::string pkfile_path(const TransportSettings& settings, const std::string& location) {
    return settings.hostmaps_dir + "/" + location + ".pk";
}

int get_receiver_data(Transport& transport, const std::string& location) {
    std::string reason;
    if (!check_script_name(location, reason))
        return fail(transport, fmt_msg(TRANSPORT_MSG_BAD_LOCATION, location.c_str(), reason.c_str()));
    const std::string map = hostmap_path(transport.settings, location);
    if (!this_file_exists(map)) return fail(transport, fmt_msg(TRANSPORT_MSG_MAP_MISSING, map.c_str()));
    std::string text;
    long got = read_head(map, text);
    if (got < 0) return fail(transport, fmt_msg(TRANSPORT_MSG_MAP_UNREADABLE, map.c_str()));
    if (got == 0) return fail(transport, fmt_msg(TRANSPORT_MSG_MAP_EMPTY, map.c_str()));

    // Only the first line counts.
    std::string_view line(text);
    line = line.substr(0, line.find('\n'));
    std::size_t open = line.find('[');
    std::size_t close = line.rfind(']');
    std::string pkey;
    PasskeyWords words;
    if (open == std::string_view::npos || close == std::string_view::npos || close <= open ||
        !return_pkey(std::string(line.substr(open + 1, close - open - 1)).c_str(), pkey) || !split_pkey(pkey, words))
        return fail(transport, fmt_msg(TRANSPORT_MSG_MAP_INVALID, map.c_str()));

    ConnectionRecord record{words.machine, words.user, words.password, words.directory};
    if (!check_connection_record(record, reason))
        return fail(transport, fmt_msg(TRANSPORT_MSG_MAP_REFUSED, map.c_str(), reason.c_str()));
    transport.receiver = std::move(record);
    return 1;
}

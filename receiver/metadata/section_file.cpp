#include "receiver/metadata/section_file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace receiver_metadata {

int read_section_file(const std::string& path, std::size_t limit, std::string& text, bool& cut) {
    text.clear();
    cut = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 0;
    char chunk[65536];
    int ok = 1;
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = 0;
        if (got <= 0) break;
        std::size_t room = limit - text.size();
        std::size_t take = std::min(room, static_cast<std::size_t>(got));
        text.append(chunk, take);
        if (take < static_cast<std::size_t>(got)) {
            cut = true;
            break;
        }
    }
    ::close(fd);
    return ok;
}

int branches_below_main(std::string_view xpn, bool is_version) {
    std::size_t at = xpn.find("@@");
    if (at == std::string_view::npos) return 0;
    std::string_view path = xpn.substr(at + 2);
    int components = 0;
    std::size_t pos = 0;
    while (pos < path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string_view::npos) end = path.size();
        if (end > pos) ++components;
        pos = end + 1;
    }
    if (is_version && components > 0) --components;  // the version number
    return components > 1 ? components - 1 : 0;
}

}  // namespace receiver_metadata

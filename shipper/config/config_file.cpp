#include "shipper/config/config_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/text_ops.h"

namespace shipper_config {

namespace {

// Closes the descriptor on every way out.
struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

FileText read_bounded_file(const std::string& path, std::size_t max_bytes) {
    FileText result;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return result;
    result.status = ReadStatus::unreadable;
    if (!S_ISREG(st.st_mode)) return result;
    Fd file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return result;

    result.status = ReadStatus::empty;
    std::string& text = result.text;
    text.resize(max_bytes);
    std::size_t got = 0;
    while (got < max_bytes) {
        ssize_t n = ::read(file.fd, text.data() + got, max_bytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            text.clear();
            return result;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    if (got == max_bytes) {
        char probe;
        ssize_t n;
        do {
            n = ::read(file.fd, &probe, 1);
        } while (n < 0 && errno == EINTR);
        result.truncated = n > 0;
    }
    if (!text.empty()) result.status = ReadStatus::ok;
    return result;
}

void drop_partial_last_line(std::string& text) {
    std::size_t nl = text.rfind('\n');
    text.resize(nl == std::string::npos ? 0 : nl + 1);
}

std::vector<std::string_view> split_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

std::string_view first_word(std::string_view line) {
    std::size_t b = 0;
    while (b < line.size() && is_blank(line[b])) ++b;
    std::size_t e = b;
    while (e < line.size() && !is_blank(line[e])) ++e;
    return line.substr(b, e - b);
}

std::vector<std::string> split_words(std::string_view text) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && is_blank(text[pos])) ++pos;
        std::size_t end = pos;
        while (end < text.size() && !is_blank(text[end])) ++end;
        if (end > pos) words.emplace_back(text.substr(pos, end - pos));
        pos = end;
    }
    return words;
}

std::string kept_lines(std::string_view text) {
    std::string kept;
    for (std::string_view line : split_lines(text)) {
        std::string_view word = first_word(line);
        if (word.empty() || word[0] == '#') continue;
        kept.append(line);
        kept.push_back('\n');
    }
    return kept;
}

std::string key_value(const std::string& kept, const char* key, bool* found) {
    std::size_t at = kept.find(key);
    if (found) *found = at != std::string::npos;
    if (at == std::string::npos) return std::string();
    return yank_value(kept.c_str() + at);
}

}  // namespace shipper_config

#include "codecs/key_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "common/file_ops.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "common/text_ops.h"

KeyFileResult parse_key_text(std::string_view text, HashKey& key) {
    if (text.size() < KEY_FILE_DIGITS) return KeyFileResult::too_short;
    HashKey parsed{};
    bool seen[256] = {};
    for (std::size_t entry = 0; entry < 256; ++entry) {
        int value = 0;
        for (std::size_t j = 0; j < 3; ++j) {
            const char c = text[3 * entry + j];
            if (c < '0' || c > '9') return KeyFileResult::invalid;
            value = value * 10 + (c - '0');
        }
        if (value > 255 || seen[value]) return KeyFileResult::invalid;
        seen[value] = true;
        parsed[entry] = value;
    }
    if (parsed[255] != 0) return KeyFileResult::invalid;
    key = parsed;
    return KeyFileResult::ok;
}

KeyFileResult read_key_file(const std::string& path, HashKey& key) {
    if (!this_file_exists(path)) return KeyFileResult::missing;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return KeyFileResult::unreadable;
    std::string text(KEY_FILE_READ_MAX, '\0');
    std::size_t got = 0;
    bool failed = false;
    while (got < text.size()) {
        const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) failed = true;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (failed || got < KEY_FILE_DIGITS) return KeyFileResult::too_short;
    text.resize(got);
    return parse_key_text(text, key);
}

std::string key_file_digits(const HashKey& key) {
    std::string digits;
    digits.reserve(KEY_FILE_DIGITS);
    for (std::int32_t v : key) digits += fmt_msg("%03d", static_cast<int>(v));
    return digits;
}

std::string key_file_path(const std::string& depot, bool shipper, const std::string& suffix) {
    return fmt_msg(shipper ? "%s%s%s%s%s%s%s%sshipper_key%s%s.txt" : "%s%s%s%s%s%s%s%sreceiver_key%s%s.txt",
                   depot.c_str(), "/", "m_bay", "/", "config", "/", "keys", "/", suffix.empty() ? "" : "_",
                   suffix.c_str());
}

std::string choose_encryption(const char* program, const std::string& config_path, const std::string& config_text,
                              const std::string& key_path) {
    const char* hit = std::strstr(config_text.c_str(), "encryption=");
    const std::string value = hit ? yank_value(hit) : std::string(ENCRYPTION_STANDARD);
    if (value == ENCRYPTION_STANDARD) {
        HASH_KEY = INTERNAL_HASH_KEY;
        ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_STANDARD;
        return {};
    }
    if (value != ENCRYPTION_PEER_TO_PEER)
        return fmt_msg(COMMON_MSG_19, START_FAILED, program, config_path.c_str(), ENCRYPTION_STANDARD,
                       ENCRYPTION_PEER_TO_PEER);
    ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_PEER_TO_PEER;
    switch (read_key_file(key_path, HASH_KEY)) {
        case KeyFileResult::ok:
            return {};
        case KeyFileResult::missing:
            return fmt_msg(COMMON_MSG_15, START_FAILED, program, config_path.c_str(), value.c_str(), key_path.c_str());
        case KeyFileResult::unreadable:
            return fmt_msg(COMMON_MSG_16, START_FAILED, program, key_path.c_str());
        case KeyFileResult::too_short:
            return fmt_msg(COMMON_MSG_17, START_FAILED, program, key_path.c_str());
        case KeyFileResult::invalid:
            break;
    }
    return fmt_msg(COMMON_MSG_18, START_FAILED, program, key_path.c_str());
}

void select_encryption(const char* program, const std::string& config_path, const std::string& config_text,
                       const std::string& key_path) {
    const std::string failure = choose_encryption(program, config_path, config_text, key_path);
    if (!failure.empty()) log_and_bail(failure);
}

void log_encryption_in_use() {
    log_it('n', fmt_msg(COMMON_MSG_26, ENCRYPTION.USING_ENCRYPTION, "encryption"));
}

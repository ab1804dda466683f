#include "shipout/config_walk.h"

#include "shipout/shipout_messages.h"
#include "shipout/text.h"
#include "common/text_format.h"

#include <cerrno>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sys/stat.h>

namespace shipout {

namespace {

std::string first_word(const std::string& line) {
    std::string head = strip(line);
    std::size_t end = head.find_first_of(" \t");
    return end == std::string::npos ? head : head.substr(0, end);
}

bool is_vob_key_line(const std::string& line) {
    std::string word = first_word(line);
    return !word.empty() && word[0] != '#' && word.find('>') != std::string::npos;
}

// The value after "key=" when the stripped line starts with it.
bool setting_value(const std::string& line, const char* key, std::string& value) {
    std::string head = strip(line);
    std::string prefix(key);
    if (head.compare(0, prefix.size(), prefix) != 0) return false;
    value = strip(head.substr(prefix.size()));
    return true;
}

std::vector<std::string> split_fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = line.find('>', start);
        fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

bool parse_vob_id(const std::string& field, int& id) {
    std::string text = strip(field);
    if (text.empty() || text.size() > 4) return false;
    id = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        id = id * 10 + (c - '0');
    }
    return true;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

bool read_configuration(const std::string& path, std::string& text, std::string& message) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        message = fmt_msg(CONFIG_NOT_EXIST, REPLICATION_DENIED, path.c_str());
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = fmt_msg(CONFIG_CANNOT_READ, REPLICATION_DENIED, path.c_str());
        return false;
    }
    text.assign(MAX_CONFIG_BYTES, '\0');
    in.read(text.data(), static_cast<std::streamsize>(MAX_CONFIG_BYTES));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad() || text.empty()) {
        message = fmt_msg(CONFIG_EMPTY, REPLICATION_DENIED, path.c_str());
        return false;
    }
    return true;
}

StepResult walk_configuration(const std::string& conf_dir, const std::string& file, const std::string& text,
                              bool is_main, RequestedKeys& keys, std::bitset<10>& classes, const KeyHandler& handle) {
    std::deque<ConfigLine> pending;
    for (std::string& line : split_lines(text)) pending.push_back({std::move(line), file, false});

    while (!pending.empty()) {
        ConfigLine line = std::move(pending.front());
        pending.pop_front();
        std::string value;

        if (!line.included && setting_value(line.text, "add_class=", value)) {
            if (is_main && !value.empty() && value[0] >= '0' && value[0] <= '9') {
                classes.set(static_cast<std::size_t>(value[0] - '0'));
            }
            continue;
        }
        if (!line.included && setting_value(line.text, "include_file=", value)) {
            if (value.empty()) continue;
            std::string include_path = conf_dir + "/" + value;
            std::ifstream in(include_path, std::ios::binary);
            if (!in) return {false, fmt_msg(INCLUDE_CANNOT_READ, REPLICATION_DENIED, include_path.c_str())};
            std::string included((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (std::string& extra : split_lines(included)) {
                std::string word = first_word(extra);
                if (is_vob_key_line(extra) && word[0] >= '0' && word[0] <= '9') {
                    pending.push_back({std::move(extra), include_path, true});
                }
            }
            continue;
        }
        if (!is_vob_key_line(line.text)) continue;

        std::string key = strip(line.text);
        std::vector<std::string> fields = split_fields(key);
        int vob_id = -1;
        if (!parse_vob_id(fields[0], vob_id)) {
            if (line.included) {
                return {false, fmt_msg(INCLUDE_VOB_ID_OUT_OF_RANGE, REPLICATION_DENIED, line.file.c_str(), MIN_KEY,
                                       MAX_KEY, key.c_str())};
            }
            return {false,
                    fmt_msg(VOB_ID_OUT_OF_RANGE, REPLICATION_DENIED, line.file.c_str(), MIN_KEY, MAX_KEY, key.c_str())};
        }
        if (!keys.wanted(vob_id)) continue;
        if (fields.size() < 7) {
            return {false, fmt_msg(INCOMPLETE_VOB_KEY, REPLICATION_DENIED, line.file.c_str(), key.c_str())};
        }

        VobKey vob;
        vob.vob_id = vob_id;
        vob.vob_tag = strip(fields[1]);
        vob.locations = split_words(fields[6]);
        vob.key = key;
        vob.file = line.file;
        StepResult result = handle(vob);
        if (!result.message.empty()) return result;
        if (keys.done(vob_id)) return {true, std::string()};
    }
    return {};
}

}  // namespace shipout

#include "receiver/config/config_text.h"

#include <cstdio>
#include <cstring>

#include "common/text_ops.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::vector<std::string_view> config_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        lines.push_back(text.substr(0, nl));
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
    return lines;
}

ConfigRead read_config_file(const std::string& path, std::string& text, bool* cut) {
    if (cut) *cut = false;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return ConfigRead::cannot_open;
    std::string buffer(RECEIVER_CONFIG_BUFFER - 1, '\0');
    std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f);
    bool failed = std::ferror(f) != 0;
    if (cut && n == buffer.size() && std::fgetc(f) != EOF) *cut = true;
    std::fclose(f);
    if (failed || n == 0) return ConfigRead::empty_or_failed;
    buffer.resize(n);
    // A NUL ends the text, as it would in the configuration buffer.
    buffer.resize(std::strlen(buffer.c_str()));
    text = buffer + "\n";
    return ConfigRead::ok;
}

std::string first_word(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(text[i])) ++i;
    std::size_t j = i;
    while (j < text.size() && !is_blank(text[j])) ++j;
    return std::string(text.substr(i, j - i));
}

bool is_comment_line(std::string_view line) {
    std::string w = first_word(line);
    return !w.empty() && w[0] == '#';
}

bool holds_config_key(std::string_view line) {
    for (std::string_view key : RECEIVER_CONFIG_KEYS)
        if (line.find(key) != std::string_view::npos) return true;
    return false;
}

std::string filter_configuration(std::string_view text) {
    std::string kept;
    for (std::string_view line : config_lines(text)) {
        if (first_word(line).empty() || is_comment_line(line)) continue;
        kept.append(line).append("\n");
    }
    return kept;
}

std::optional<std::string> find_setting(const std::string& text, const char* key) {
    const char* hit = std::strstr(text.c_str(), key);
    if (!hit) return std::nullopt;
    return yank_value(hit);
}

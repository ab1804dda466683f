// Names of elements in the receiving VOB.
#include "receiver/versions/element_names.h"

#include "receiver/apply/apply_state.h"

void get_long_element_version(const std::string& vob_path, const std::string& name, std::string& out) {
    out = view_path_of(vob_path, name);
}

void strip_surrounding_bracket_char(std::string& s) {
    if (!s.empty() && std::string_view("[({").find(s.front()) != std::string_view::npos) s.erase(0, 1);
    if (!s.empty() && std::string_view("])}").find(s.back()) != std::string_view::npos) s.pop_back();
}

void strip_any_char_from_bucket(std::string& s, std::string_view chars) {
    std::erase_if(s, [chars](char c) { return chars.find(c) != std::string_view::npos; });
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string tidy_relative_path(std::string_view path) {
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(start, end - start);
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '/';
            out += part;
        }
        start = end + 1;
    }
    return out.empty() ? "." : out;
}

std::string parent_relative_path(const std::string& tidied) {
    std::size_t slash = tidied.rfind('/');
    return slash == std::string::npos ? "." : tidied.substr(0, slash);
}

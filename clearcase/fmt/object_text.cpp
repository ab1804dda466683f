// Small texts the query commands show for objects (see object_text.h).
#include "clearcase/fmt/object_text.h"

namespace ccsub {

std::string lock_text(std::string_view nusers, bool obsolete) {
    std::string users;
    size_t i = 0;
    while (i < nusers.size()) {
        size_t j = nusers.find_first_of(" ,\t", i);
        if (j == std::string_view::npos) j = nusers.size();
        if (j > i) {
            if (!users.empty()) users += ' ';
            users += nusers.substr(i, j - i);
        }
        i = j + 1;
    }
    if (obsolete) return "Locked for all users (obsolete).\n";
    if (users.empty()) return "Locked for all users.\n";
    return "Locked except for users: " + users + "\n";
}

std::string permission_string(unsigned mode) {
    static constexpr char kLetters[] = "rwxrwxrwx";
    std::string out(9, '-');
    for (int k = 0; k < 9; ++k)
        if (mode & (0400u >> k)) out[static_cast<size_t>(k)] = kLetters[k];
    return out;
}

std::string element_kind_words(std::string_view element_kind) {
    if (element_kind == "directory") return "directory element";
    if (element_kind == "slink") return "symbolic link";
    return "file element";
}

std::string version_kind_words(std::string_view element_kind) {
    return element_kind == "directory" ? "directory version" : "version";
}

std::string type_kind_words(std::string_view type_kind) {
    if (type_kind == "brtype") return "branch type";
    if (type_kind == "lbtype") return "label type";
    if (type_kind == "attype") return "attribute type";
    if (type_kind == "eltype") return "element type";
    if (type_kind == "trtype") return "trigger type";
    if (type_kind == "hltype") return "hyperlink type";
    return std::string(type_kind);
}

}  // namespace ccsub

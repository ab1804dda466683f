#include "common/name_list.h"

bool NameList::push(std::string_view name) {
    if (index_.count(name)) return false;
    names_.emplace_back(name);
    index_.insert(std::string_view(names_.back()));
    return true;
}

void NameList::clear() {
    index_.clear();
    names_.clear();
}

std::string NameList::text() const {
    std::string out("|");
    for (const std::string& n : names_) out.append(n).push_back('|');
    return out;
}

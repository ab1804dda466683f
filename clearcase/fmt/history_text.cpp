// Texts of lshistory event lines (see history_text.h).
#include "clearcase/fmt/history_text.h"

namespace ccsub {
namespace {

std::string quoted(std::string_view s) {
    std::string out = "\"";
    out += s;
    out += '"';
    return out;
}

std::string on_object(std::string_view preposition, std::string_view kind, std::string_view xpn) {
    std::string out(preposition);
    out += ' ';
    out += kind;
    out += ' ';
    out += quoted(xpn);
    return out;
}

}  // namespace

EventText label_added_event(std::string_view label, std::string_view kind, std::string_view xpn, std::string_view vid) {
    return {"mklabel", std::string(kind), "make label " + quoted(label) + " " + on_object("on", kind, xpn),
            "Added label " + quoted(label) + " to version " + quoted(vid) + "."};
}

EventText label_removed_event(std::string_view label, std::string_view kind, std::string_view xpn,
                              std::string_view vid) {
    return {"rmlabel", std::string(kind), "remove label " + quoted(label) + " " + on_object("from", kind, xpn),
            "Removed label " + quoted(label) + " from version " + quoted(vid) + "."};
}

EventText label_moved_event(std::string_view label, std::string_view kind, std::string_view old_xpn,
                            std::string_view new_vid) {
    return {"rmlabel", std::string(kind), "remove label " + quoted(label) + " " + on_object("from", kind, old_xpn),
            "Moved label " + quoted(label) + " to version " + quoted(new_vid) + "."};
}

EventText attribute_added_event(std::string_view attr, std::string_view kind, std::string_view xpn,
                                std::string_view value) {
    return {"mkattr", std::string(kind), "make attribute " + quoted(attr) + " " + on_object("on", kind, xpn),
            "Added attribute " + quoted(attr) + " with value " + quoted(value) + "."};
}

EventText attribute_removed_event(std::string_view attr, std::string_view kind, std::string_view xpn) {
    return {"rmattr", std::string(kind), "remove attribute " + quoted(attr) + " " + on_object("from", kind, xpn),
            "Removed attribute " + quoted(attr) + "."};
}

EventText generic_event(std::string_view op, std::string_view kind, std::string_view object, std::string_view comment) {
    struct Verb {
        std::string_view op, verb;
    };
    static constexpr Verb kVerbs[] = {
        {"checkin", "create"},
        {"mkelem", "create"},
        {"mkbranch", "create"},
        {"mkdir", "create"},
        {"ln", "create"},
        {"mkbrtype", "create"},
        {"mklbtype", "create"},
        {"mkattype", "create"},
        {"mkeltype", "create"},
        {"mktrtype", "create"},
        {"mkhltype", "create"},
        {"mkvob", "create"},
        {"lock", "lock"},
        {"unlock", "unlock"},
        {"protect", "change protection of"},
        {"mkhlink", "make hyperlink on"},
        {"merge", "make hyperlink on"},
        {"rmhlink", "remove hyperlink from"},
        {"rmmerge", "remove hyperlink from"},
        {"checkout", "check out"},
        {"rename", "rename"},
    };
    std::string verb(op);
    for (const auto& v : kVerbs)
        if (v.op == op) verb = v.verb;
    std::string description = verb + " " + std::string(kind) + " " + quoted(object);
    return {std::string(op), std::string(kind), description, std::string(comment)};
}

std::string bare_attribute_value(std::string_view shown) {
    if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"')
        return std::string(shown.substr(1, shown.size() - 2));
    return std::string(shown);
}

}  // namespace ccsub

// The -fmt engine (see fmt.h).
#include "clearcase/fmt/fmt.h"

#include <algorithm>
#include <cctype>

#include "clearcase/fmt/datetime.h"

namespace ccsub {
namespace {

struct Directive {
    bool left = false;  // '-': pad on the right
    size_t min_width = 0;
    std::optional<size_t> max_width;
    std::string arg;   // text between [ and ]
    std::string mods;  // upper-case modifiers
    char letter = 0;   // lower-case conversion; 0 when missing
};

bool has(const std::string& mods, char m) {
    return mods.find(m) != std::string::npos;
}

std::string join(const std::vector<std::string>& parts, std::string_view sep) {
    std::string out;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (k) out += sep;
        out += parts[k];
    }
    return out;
}

// A list in ClearCase's two shapes: "(a, b)" normally, "a b" with N.
std::string list_text(const std::vector<std::string>& items, bool bare) {
    if (items.empty()) return {};
    return bare ? join(items, " ") : "(" + join(items, ", ") + ")";
}

std::string name_text(const Directive& d, const ObjectFacts& f) {
    const std::string& m = d.mods;
    if (has(m, 'P')) {
        if (has(m, 'V') || has(m, 'S')) return f.pred_vid;
        return f.pred_xpn;
    }
    if (has(m, 'O')) return f.oid;
    if (has(m, 'X')) return f.xpn.empty() ? f.pname : f.xpn;
    if (has(m, 'E')) return f.element.empty() ? f.pname : f.element;
    if (has(m, 'V') || has(m, 'S')) return f.vid;
    if (has(m, 'L')) return f.leaf;
    return f.pname;
}

std::string date_text(const Directive& d, const ObjectFacts& f) {
    if (!f.time) return {};
    if (has(d.mods, 'N')) return format_numeric_datetime(*f.time);
    std::string iso = format_iso_datetime(*f.time);
    if (has(d.mods, 'S')) return iso.substr(0, 10);  // date only
    if (has(d.mods, 'V')) return iso.substr(11, 8);  // time only
    return iso;
}

std::string attribute_text(const Directive& d, const ObjectFacts& f) {
    bool values_only = has(d.mods, 'S');
    std::vector<std::string> items;
    for (const auto& [name, value] : f.attributes) {
        if (!d.arg.empty() && name != d.arg) continue;
        items.push_back(values_only ? value : name + "=" + value);
    }
    return list_text(items, has(d.mods, 'N'));
}

std::string comment_text(const Directive& d, const ObjectFacts& f) {
    if (has(d.mods, 'N') || f.comment.empty() || f.comment.back() == '\n') return f.comment;
    return f.comment + "\n";
}

std::string property_text(const Directive& d, const ObjectFacts& f) {
    auto it = f.properties.find(d.arg);
    return it == f.properties.end() ? std::string() : it->second;
}

std::string expand(const Directive& d, const ObjectFacts& f) {
    switch (d.letter) {
        case 'n':
            return name_text(d, f);
        case 'd':
            return date_text(d, f);
        case 'a':
            return attribute_text(d, f);
        case 'l':
            return list_text(f.labels, has(d.mods, 'N'));
        case 'c':
            return comment_text(d, f);
        case 'p':
            return property_text(d, f);
        case 'o':
            return f.op;
        case 'm':
            return f.kind;
        case 'e':
            return f.event;
        case 'h':
            return f.host;
        case 'u':
            return has(d.mods, 'G') ? f.group : f.user;
        case 'f':
            return has(d.mods, 'T') ? f.view_tag : std::string();
        default:
            return {};
    }
}

void append_sized(std::string& out, std::string text, const Directive& d) {
    if (d.max_width && text.size() > *d.max_width) text.resize(*d.max_width);
    if (text.size() < d.min_width) {
        std::string pad(d.min_width - text.size(), ' ');
        text = d.left ? text + pad : pad + text;
    }
    out += text;
}

// Field widths are capped so that a hostile format cannot ask for gigabytes.
constexpr size_t kMaxFieldWidth = 10000;

size_t read_number(std::string_view s, size_t& i) {
    size_t v = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        v = std::min(kMaxFieldWidth, v * 10 + static_cast<size_t>(s[i] - '0'));
        ++i;
    }
    return v;
}

// Parses the directive starting after the '%' at s[i]; leaves i after it.
Directive parse_directive(std::string_view s, size_t& i) {
    Directive d;
    if (i < s.size() && s[i] == '-') {
        d.left = true;
        ++i;
    }
    d.min_width = read_number(s, i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        d.max_width = read_number(s, i);
    }
    if (i < s.size() && s[i] == '[') {
        size_t close = s.find(']', i + 1);
        if (close == std::string_view::npos) {  // unterminated: swallow the rest
            i = s.size();
            return d;
        }
        d.arg = std::string(s.substr(i + 1, close - i - 1));
        i = close + 1;
    }
    while (i < s.size() && std::isupper(static_cast<unsigned char>(s[i]))) d.mods += s[i++];
    if (i < s.size() && std::islower(static_cast<unsigned char>(s[i]))) d.letter = s[i++];
    return d;
}

// "\n" and "\t" are control characters; a backslash before any other
// character stands for that character. Callers pass formats through
// /bin/sh in double quotes, where "\|" keeps its backslash, and expect "|".
bool escape_char(char c, char& out) {
    switch (c) {
        case 'n':
            out = '\n';
            return true;
        case 't':
            out = '\t';
            return true;
        default:
            out = c;
            return true;
    }
}

}  // namespace

std::string unescape_format_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char e;
        if (text[i] == '\\' && i + 1 < text.size() && escape_char(text[i + 1], e)) {
            out += e;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string format_object(std::string_view format, const ObjectFacts& facts) {
    std::string out;
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        char e;
        if (c == '\\' && i + 1 < format.size() && escape_char(format[i + 1], e)) {
            out += e;
            i += 2;
        } else if (c == '%') {
            ++i;
            if (i < format.size() && format[i] == '%') {
                out += '%';
                ++i;
                continue;
            }
            Directive d = parse_directive(format, i);
            if (d.letter) append_sized(out, expand(d, facts), d);
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace ccsub

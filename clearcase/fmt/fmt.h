// The -fmt engine of the substitute's query commands.
//
// A format is literal text with escapes (\n \t; a backslash before any other
// character stands for that character: \\ \' \| ...) and %-directives. A
// directive is "%" [-][width][.max] ["[" name "]"] MODIFIERS letter, where
// MODIFIERS are upper-case letters and the letter is lower-case. "%%" prints
// "%". A directive the engine does not know prints nothing; so does one whose
// fact is absent. No newline is added at the end.
//
// The query commands fill an ObjectFacts for each object they list; the
// engine only reads it.
#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ccsub {

struct ObjectFacts {
    std::string pname;                // %n: the name as listed (a pname exactly as given, or a type name)
    std::string xpn;                  // %Xn: version-extended name ("f.c@@/main/3")
    std::string element;              // %En: element pname without the "@@..." part
    std::string vid;                  // %Vn, %Sn: version id or branch path ("/main/3", "/main/dev/CHECKEDOUT")
    std::string leaf;                 // %Ln: last component of the vid (version number or branch name)
    std::string pred_vid;             // %PVn, %PSn: predecessor version id
    std::string pred_xpn;             // %Pn: predecessor version-extended name
    std::string oid;                  // %On
    std::string kind;                 // %m: "version", "file element", "branch", "label type", ...
    std::string op;                   // %o: operation of an event ("checkin", "mklabel", ...)
    std::string event;                // %e: event description
    std::string comment;              // %c (with a final newline), %Nc (as stored)
    std::string user;                 // %u, %Fu
    std::string group;                // %Gu
    std::string host;                 // %h
    std::string view_tag;             // %Tf: view of a checkout
    std::optional<std::time_t> time;  // %d, %Nd, %Sd, %Vd
    std::vector<std::string> labels;  // %l, %Nl, in display order
    std::vector<std::pair<std::string, std::string>> attributes;  // %a: name, value as shown ("\"x\"", "1")
    std::map<std::string, std::string, std::less<>> properties;   // %[name]p
};

// Expands `format` for one object.
std::string format_object(std::string_view format, const ObjectFacts& facts);

// Replaces the escapes of a format's literal text (see above); a lone
// backslash at the end is kept.
std::string unescape_format_text(std::string_view text);

}  // namespace ccsub

// Texts of lshistory event lines ("%o %m %e %n|%Nc").
//
// Label and attribute events always carry a generated comment (a user's own
// comment is kept in the store but not shown), because history readers parse
// these lines: the type name sits between the first two double quotes, the
// object follows `" on ` or `" from ` as "<kind words> "<path>"", and an
// attribute value is always double-quoted and ends the line with `".`.
// Object paths are VOB-tag-rooted version-extended names. A label event's
// comment says "version" even when %m is "directory version".
#pragma once

#include <string>
#include <string_view>

namespace ccsub {

struct EventText {
    std::string op;           // %o
    std::string kind;         // %m
    std::string description;  // %e
    std::string comment;      // %Nc
};

// mklabel: make label "L" on version "<xpn>" | Added label "L" to version "<vid>".
EventText label_added_event(std::string_view label, std::string_view kind, std::string_view xpn, std::string_view vid);
// rmlabel: remove label "L" from version "<xpn>" | Removed label "L" from version "<vid>".
EventText label_removed_event(std::string_view label, std::string_view kind, std::string_view xpn,
                              std::string_view vid);
// rmlabel of a label moved by mklabel -replace, recorded on the old version:
// ... | Moved label "L" to version "<new vid>".
EventText label_moved_event(std::string_view label, std::string_view kind, std::string_view old_xpn,
                            std::string_view new_vid);
// mkattr: make attribute "A" on <kind> "<xpn>" | Added attribute "A" with value "<value>".
// `value` is the bare value (no quotes of its own; it may hold newlines).
EventText attribute_added_event(std::string_view attr, std::string_view kind, std::string_view xpn,
                                std::string_view value);
// rmattr: remove attribute "A" from <kind> "<xpn>" | Removed attribute "A".
EventText attribute_removed_event(std::string_view attr, std::string_view kind, std::string_view xpn);

// Any other operation: "<verb> <kind> "<object>"", with the user's comment.
// Verbs by operation: checkin/mkelem/mkbranch/mkdir/ln/mk*type "create",
// lock "lock", unlock "unlock", protect "change protection of",
// mkhlink/merge "make hyperlink on", rmhlink/rmmerge "remove hyperlink from",
// checkout "check out", rename "rename"; anything else uses the operation
// word itself. None of these begin with the label/attribute prefixes.
EventText generic_event(std::string_view op, std::string_view kind, std::string_view object, std::string_view comment);

// Strips the quotes describe puts around a string value ("\"x\"" -> "x").
std::string bare_attribute_value(std::string_view shown);

}  // namespace ccsub

// Small texts the query commands show for objects: lock descriptions,
// permission strings and the kind words of describe and %m.
#pragma once

#include <string>
#include <string_view>

namespace ccsub {

// The lock line lslock's %c shows (first line, newline included):
// "Locked for all users.", "Locked except for users: u1 u2" (the stored
// exception list may be blank- or comma-separated), or
// "Locked for all users (obsolete)." for an obsolete type.
std::string lock_text(std::string_view nusers, bool obsolete);

// "rwxr-xr-x" from the 9 low mode bits (higher bits are ignored).
std::string permission_string(unsigned mode);

// Kind words: element kinds are the schema's 'file' | 'directory' | 'slink'.
std::string element_kind_words(std::string_view element_kind);  // "file element", ...
std::string version_kind_words(std::string_view element_kind);  // "version" | "directory version"

// Words for a type kind of the schema ("lbtype" -> "label type").
std::string type_kind_words(std::string_view type_kind);

}  // namespace ccsub

// Rules for the names of types (branch, label, attribute, element,
// hyperlink and trigger types). A branch type's name becomes a directory of
// every element's version tree on disk and a component of version paths, so
// a name is accepted only when it cannot be read as anything else: letters,
// digits, "_", "." and "-", beginning with a letter or "_", at most
// kMaxTypeNameLength bytes, and none of the reserved version-selector words.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace ccsub {

inline constexpr std::size_t kMaxTypeNameLength = 255;

bool valid_type_name(std::string_view name);

// The refusal text, without the program's prefix:
// Invalid type name: "NAME". (control characters of NAME shown escaped).
std::string invalid_type_name_message(std::string_view name);

// True when `name` can be one component of a path on disk: not empty, not
// "." or "..", without "/" or NUL. Checked again wherever a stored name
// becomes part of a path, whatever wrote it into the store.
bool safe_path_component(std::string_view name);

}  // namespace ccsub

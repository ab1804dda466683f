// Object selectors: vob:T, brtype:N@T, lbtype:N@T, attype:N@T, eltype:N@T,
// trtype:N@T, hltype:N@T, and bare type names N@T (the kind then comes from
// the command). Without "@T" the VOB is the one holding the cwd (in a view).
#pragma once
#include <string>

#include "clearcase/store/store.h"

namespace ccsub {

struct ObjSelector {
    std::string kind;  // "vob" or a type kind; "" when the text has no "kind:" prefix
    std::string name;  // type name (empty for vob:)
    std::string vob_tag;
};

// True when the text looks like a selector ("kind:" prefix with a known kind).
bool is_object_selector(const std::string& text);
// Splits the text; `default_kind` is used when there is no prefix.
bool parse_object_selector(const std::string& text, const std::string& default_kind, ObjSelector& out);
// Finds the VOB named by the selector (or by the cwd when it has none).
std::optional<VobRec> selector_vob(Store& st, const ObjSelector& sel);

// Words for messages: "branch type", "label type", ...
std::string type_kind_words(const std::string& kind);

}  // namespace ccsub

#include "clearcase/view/selector.h"

#include "clearcase/util/sys.h"
#include "clearcase/view/pname.h"

namespace ccsub {

static const char* kKinds[] = {"vob", "brtype", "lbtype", "attype", "eltype", "trtype", "hltype"};

bool is_object_selector(const std::string& text) {
    auto c = text.find(':');
    if (c == std::string::npos) return false;
    std::string k = text.substr(0, c);
    for (auto* x : kKinds)
        if (k == x) return true;
    return false;
}

bool parse_object_selector(const std::string& text, const std::string& default_kind, ObjSelector& out) {
    out = ObjSelector{};
    std::string rest = text;
    if (is_object_selector(text)) {
        auto c = text.find(':');
        out.kind = text.substr(0, c);
        rest = text.substr(c + 1);
    } else {
        out.kind = default_kind;
    }
    if (out.kind == "vob") {
        out.vob_tag = rest;
        return !rest.empty();
    }
    auto at = rest.find('@');
    out.name = rest.substr(0, at);
    if (at != std::string::npos) out.vob_tag = rest.substr(at + 1);
    return !out.name.empty() && !out.kind.empty();
}

std::optional<VobRec> selector_vob(Store& st, const ObjSelector& sel) {
    if (!sel.vob_tag.empty()) {
        if (auto v = st.vob_by_tag(sel.vob_tag)) return v;
        // A pname inside a VOB also names it.
        Resolved r;
        std::string err;
        if (resolve_pname(st, sel.vob_tag, r, err)) return r.vob;
        return std::nullopt;
    }
    Resolved r;
    std::string err;
    if (resolve_pname(st, ".", r, err)) return r.vob;
    return std::nullopt;
}

std::string type_kind_words(const std::string& kind) {
    if (kind == "brtype") return "branch type";
    if (kind == "lbtype") return "label type";
    if (kind == "attype") return "attribute type";
    if (kind == "eltype") return "element type";
    if (kind == "trtype") return "trigger type";
    if (kind == "hltype") return "hyperlink type";
    if (kind == "vob") return "versioned object base";
    return kind;
}

}  // namespace ccsub

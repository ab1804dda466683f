#include "clearcase/cleartool/objects.h"

#include "clearcase/store/mutate.h"

namespace ccsub {

int target_of(Store& st, const Resolved& r, Target& t, std::string& err, bool versions_only) {
    t = Target{};
    if (r.elem.is_slink()) {
        err = "Not a vob object: \"" + r.given + "\".";
        return 0;
    }
    if (r.has_xpn && r.obj == Resolved::Obj::Element && !versions_only) {
        t.obj_kind = "element", t.obj_id = r.eid, t.mkind = element_kind_word(r.elem);
        t.xp = r.vobpath + "@@";
        return 1;
    }
    if (r.has_xpn && r.obj == Resolved::Obj::Branch && !versions_only) {
        t.obj_kind = "branch", t.obj_id = r.branch_id, t.branch_id = r.branch_id, t.mkind = "branch";
        t.vid = st.branch_path(r.branch_id);
        t.xp = r.vobpath + "@@" + t.vid;
        return 1;
    }
    int64_t vid = r.has_xpn ? r.version_id : r.sel.version_id;
    if (!vid) {
        err = (r.obj == Resolved::Obj::Checkout || r.sel.co_id)
                  ? "Operation not allowed on checked-out version of \"" + r.given + "\"."
                  : "No version of \"" + r.given + "\" is selected.";
        return 0;
    }
    auto v = st.version(vid);
    t.obj_kind = "version", t.obj_id = vid, t.branch_id = v ? v->branch_id : 0;
    t.mkind = r.elem.is_dir() ? "directory version" : "version";
    t.vid = st.version_vid(vid);
    t.xp = r.vobpath + "@@" + t.vid;
    return 1;
}

// -version V: the operand names version V of its element instead. False
// (the operand unchanged) when the element has no such version.
bool select_version_option(Store& st, const ParsedOpts& o, Resolved& r) {
    if (!o.has("version")) return true;
    auto v = st.version_by_vid(r.eid, o.get("version"));
    if (!v) return false;
    r.has_xpn = true, r.obj = Resolved::Obj::Version, r.version_id = v->id, r.branch_id = v->branch_id;
    return true;
}

}  // namespace ccsub

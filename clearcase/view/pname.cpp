#include "clearcase/view/pname.h"

#include <unistd.h>

#include <cstdlib>

#include "clearcase/util/sys.h"

namespace ccsub {

bool split_view_path(const std::string& abs, std::string& tag, std::string& rest) {
    std::string root = view_root();
    std::string p = abs;
    bool found = false;
    // /view/W/view/X/... is the same as /view/X/... (the view root is visible
    // inside every view).
    while (path_within(p, root) && p.size() > root.size()) {
        std::string after = p.substr(root.size());  // "/W/..."
        auto parts = split_path(after);
        if (parts.empty()) break;
        tag = parts[0];
        rest.clear();
        for (size_t i = 1; i < parts.size(); ++i) rest += "/" + parts[i];
        if (rest.empty()) rest = "/";
        found = true;
        if (!path_within(rest, "/view") || rest == "/view") break;
        p = root + rest.substr(5);
    }
    return found;
}

std::optional<std::string> current_view_tag() {
    const char* r = std::getenv("CLEARCASE_ROOT");
    if (r && *r) return basename_of(r);
    char buf[4096];
    if (getcwd(buf, sizeof buf)) {
        std::string tag, rest;
        if (split_view_path(buf, tag, rest)) return tag;
    }
    return std::nullopt;
}

std::string absolute_pname(const std::string& pname) {
    std::string p = pname;
    if (p.empty() || p[0] != '/') {
        char buf[4096];
        std::string cwd = getcwd(buf, sizeof buf) ? buf : "/";
        p = cwd + "/" + p;
    }
    auto k = p.find("@@");
    if (k == std::string::npos) return normalize_path(p);
    return normalize_path(p.substr(0, k)) + p.substr(k);
}

static bool is_number(const std::string& s) {
    return !s.empty() && s.size() < 15 && s.find_first_not_of("0123456789") == std::string::npos;
}

int resolve_pname(Store& st, const std::string& pname, Resolved& out, std::string& err, int flags) {
    out = Resolved{};
    out.given = pname;
    auto noent = [&] {
        err = "Unable to access \"" + pname + "\": No such file or directory.";
        return 0;
    };
    std::string abs = absolute_pname(pname);
    auto k = abs.find("@@");
    std::string elem_part = k == std::string::npos ? abs : abs.substr(0, k);
    if (k != std::string::npos) {
        out.has_xpn = true;
        out.xpn = abs.substr(k + 2);
        while (out.xpn.size() > 1 && out.xpn.back() == '/') out.xpn.pop_back();
        if (out.xpn == "/") out.xpn.clear();
    }
    std::string tag, rest;
    if (!split_view_path(elem_part, tag, rest)) {
        const char* r = std::getenv("CLEARCASE_ROOT");
        if (!r || !*r) {
            err = "Pathname is not within a VOB: \"" + pname + "\"";
            return 0;
        }
        tag = basename_of(r);
        rest = elem_part;
    }
    auto view = st.view_by_tag(tag);
    if (!view) {
        err = "View tag not found: \"" + tag + "\".";
        return 0;
    }
    out.view = *view;
    auto vob = st.vob_for_path(rest);
    if (!vob) {
        err = "Pathname is not within a VOB: \"" + pname + "\"";
        return 0;
    }
    out.vob = *vob;
    ViewCtx ctx(st, out.view);
    std::string path = vob->tag;
    int64_t cur = vob->root_eid;
    auto comps = split_path(rest.substr(vob->tag.size()));
    int64_t parent = 0;
    std::string name = basename_of(vob->tag);
    for (size_t i = 0; i < comps.size(); ++i) {
        auto dir = st.element(cur);
        if (!dir || !dir->is_dir()) return noent();
        Selection s = ctx.select(*dir, path);
        std::optional<int64_t> child;
        if (s.co_id)
            child = st.co_entry(s.co_id, comps[i]);
        else if (s.version_id)
            child = st.dir_entry(s.version_id, comps[i]);
        else
            return noent();
        parent = cur;
        path += "/" + comps[i];
        name = comps[i];
        if (!child) {
            if ((flags & kAllowMissing) && i + 1 == comps.size() && !out.has_xpn) {
                out.parent_eid = parent;
                out.vobpath = path;
                out.name = name;
                out.view_path = view_root() + "/" + tag + path;
                out.eid = 0;
                return 1;
            }
            return noent();
        }
        cur = *child;
    }
    auto el = st.element(cur);
    if (!el) return noent();
    out.eid = cur;
    out.elem = *el;
    out.parent_eid = parent;
    out.vobpath = path;
    out.name = name;
    out.view_path = view_root() + "/" + tag + path;
    out.sel = ctx.select(*el, path);
    if (!out.has_xpn) {
        if (!out.sel.visible()) return noent();
        return 1;
    }
    if (el->is_slink()) {
        err = "Not a vob object: \"" + pname + "\".";
        return 0;
    }
    if (out.xpn.empty()) {
        out.obj = Resolved::Obj::Element;
        return 1;
    }
    std::string last = basename_of(out.xpn), head = dirname_of(out.xpn);
    if (last == "CHECKEDOUT") {
        auto br = st.branch_by_path(cur, head);
        auto co = st.checkout_in_view(cur, out.view.id);
        if (!br || !co || co->branch_id != br->id) {
            err = "Version not found: \"" + pname + "\".";
            return 0;
        }
        out.obj = Resolved::Obj::Checkout;
        out.branch_id = br->id;
        out.co_id = co->id;
        return 1;
    }
    if (is_number(last) || last == "LATEST") {
        auto v = st.version_by_vid(cur, out.xpn);
        if (!v) {
            err = "Version not found: \"" + pname + "\".";
            return 0;
        }
        out.obj = Resolved::Obj::Version;
        out.version_id = v->id;
        out.branch_id = v->branch_id;
        return 1;
    }
    if (auto br = st.branch_by_path(cur, out.xpn)) {
        out.obj = Resolved::Obj::Branch;
        out.branch_id = br->id;
        return 1;
    }
    // A label in place of a version number: /main/REL1.
    if (auto lt = st.type(el->vob_id, "lbtype", last)) {
        Stmt q(st.db(), "SELECT version_id FROM labels WHERE lbtype_id=? AND eid=?");
        q.bind(1, lt->id).bind(2, cur);
        if (q.step()) {
            auto v = st.version(q.i64(0));
            if (v && (head == "/" || head.empty() || st.branch_path(v->branch_id).rfind(head, 0) == 0)) {
                out.obj = Resolved::Obj::Version;
                out.version_id = v->id;
                out.branch_id = v->branch_id;
                return 1;
            }
        }
    }
    err = "Version not found: \"" + pname + "\".";
    return 0;
}

}  // namespace ccsub

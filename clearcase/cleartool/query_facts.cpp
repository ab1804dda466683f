// -fmt facts and listing details of resolved pnames (see query_facts.h).
#include "clearcase/cleartool/query_facts.h"

#include <unistd.h>

#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sqlite.h"

namespace ccsub::query {
namespace {

std::string host_name() {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

std::string leaf_of(const std::string& vid) {
    size_t k = vid.rfind('/');
    return k == std::string::npos ? vid : vid.substr(k + 1);
}

}  // namespace

std::vector<std::string> labels_of_version(Store& store, int64_t version_id) {
    std::vector<std::string> out;
    Stmt s(store.db(),
           "SELECT t.name FROM labels l JOIN types t ON t.id = l.lbtype_id WHERE l.version_id = ? "
           "ORDER BY l.created, t.name");
    s.bind(1, version_id);
    while (s.step()) out.push_back(s.text(0));
    return out;
}

std::vector<std::pair<std::string, std::string>> attributes_of(Store& store, const std::string& obj_kind,
                                                               int64_t obj_id) {
    std::vector<std::pair<std::string, std::string>> out;
    Stmt s(store.db(),
           "SELECT t.name, a.value FROM attrs a JOIN types t ON t.id = a.attype_id "
           "WHERE a.obj_kind = ? AND a.obj_id = ? ORDER BY a.created, t.name");
    s.bind(1, obj_kind).bind(2, obj_id);
    while (s.step()) out.emplace_back(s.text(0), s.text(1));
    return out;
}

std::vector<HyperlinkRec> hyperlinks_of_version(Store& store, int64_t version_id) {
    std::vector<HyperlinkRec> out;
    Stmt s(store.db(),
           "SELECT t.name, h.from_vid, h.to_vid FROM hlinks h JOIN types t ON t.id = h.hltype_id "
           "WHERE h.from_vid = ?1 OR h.to_vid = ?1 ORDER BY h.id");
    s.bind(1, version_id);
    while (s.step()) {
        bool incoming = s.i64(2) == version_id;
        int64_t other = incoming ? s.i64(1) : s.i64(2);
        out.push_back({s.text(0), incoming, store.version_vid(other)});
    }
    return out;
}

std::string version_id_of(Store& store, const Resolved& r) {
    if (r.names == "checkout" && r.checkout) return checkout_vid(store, *r.checkout);
    if (r.names == "version" && r.version) return store.version_vid(r.version->id);
    if (r.names == "branch" && r.branch) return store.branch_path(r.branch->id);
    return {};
}

std::string extended_name(Store& store, const Resolved& r) {
    if (r.names == "slink") return r.given;
    if (r.names == "element") return r.given_base + "@@";
    return r.given_base + "@@" + version_id_of(store, r);
}

ObjectFacts object_facts(Store& store, const Resolved& r) {
    ObjectFacts f;
    const ElementRec& e = r.element;
    f.pname = r.given;
    f.element = r.given_base;
    f.xpn = extended_name(store, r);
    f.vid = version_id_of(store, r);
    f.leaf = leaf_of(f.vid);
    f.host = host_name();
    f.properties["owner"] = e.owner;
    f.properties["group"] = e.grp;
    f.properties["permissions"] = permission_string(static_cast<unsigned>(e.perms));
    if (e.is_slink()) f.properties["slink_text"] = e.slink_text;
    if (auto et = store.type_by_id(e.eltype_id)) f.properties["eltype"] = et->name;
    f.oid = r.vob.oid + "." + r.names + "." + std::to_string(e.id);

    if (r.names == "slink" || r.names == "element") {
        f.kind = element_kind_words(e.kind);
        f.comment = e.comment;
        f.user = e.user;
        f.time = static_cast<std::time_t>(e.created);
        f.attributes = attributes_of(store, "element", e.id);
    } else if (r.names == "branch") {
        f.kind = "branch";
        f.comment = r.branch->comment;
        f.user = r.branch->user;
        f.time = static_cast<std::time_t>(r.branch->created);
        f.attributes = attributes_of(store, "branch", r.branch->id);
        f.oid = r.vob.oid + ".branch." + std::to_string(r.branch->id);
    } else if (r.names == "checkout") {
        f.kind = version_kind_words(e.kind);
        f.comment = r.checkout->comment;
        f.user = r.checkout->user;
        f.time = static_cast<std::time_t>(r.checkout->created);
        f.view_tag = r.view ? r.view->tag : std::string();
        if (r.version) {
            f.pred_vid = store.version_vid(r.version->id);
            f.pred_xpn = r.given_base + "@@" + f.pred_vid;
        }
        f.oid = r.vob.oid + ".checkout." + std::to_string(r.checkout->id);
    } else if (r.version) {
        const VersionRec& v = *r.version;
        f.kind = version_kind_words(e.kind);
        f.comment = v.comment;
        f.user = v.user;
        f.time = static_cast<std::time_t>(v.created);
        f.labels = labels_of_version(store, v.id);
        f.attributes = attributes_of(store, "version", v.id);
        if (auto pred = store.predecessor(v)) {
            f.pred_vid = store.version_vid(pred->id);
            f.pred_xpn = r.given_base + "@@" + f.pred_vid;
        }
        f.oid = r.vob.oid + ".version." + std::to_string(v.id);
    }
    return f;
}

std::string describe_first_line(Store& store, const Resolved& r) {
    if (r.names == "slink") return "symbolic link \"" + r.given + "\" -> " + r.element.slink_text + "\n";
    if (r.names == "element") return element_kind_words(r.element.kind) + " \"" + r.given_base + "@@\"\n";
    if (r.names == "branch") return "branch \"" + extended_name(store, r) + "\"\n";
    std::string line = version_kind_words(r.element.kind) + " \"" + extended_name(store, r) + "\"";
    if (r.names == "checkout" && r.version) line += " from " + store.version_vid(r.version->id) + " (reserved)";
    return line + "\n";
}

}  // namespace ccsub::query

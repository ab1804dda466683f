#include "clearcase/view/select.h"

namespace ccsub {

ViewCtx::ViewCtx(Store& st, const ViewRec& view) : st_(st), view_(view) {
    std::string err;
    cs_ok_ = parse_config_spec(view.config_spec, cs_, err);
}

int64_t ViewCtx::type_id(int64_t vob_id, const std::string& kind, const std::string& name) {
    std::string key = std::to_string(vob_id) + "\n" + kind + "\n" + name;
    auto it = type_cache_.find(key);
    if (it != type_cache_.end()) return it->second;
    auto t = st_.type(vob_id, kind, name);
    int64_t id = t ? t->id : 0;
    type_cache_[key] = id;
    return id;
}

static bool rule_applies(const CsRule& r, const ElementRec& e, const std::string& path) {
    if (r.file_only && e.is_dir()) return false;
    if (r.dir_only && !e.is_dir()) return false;
    return cs_pattern_matches(r.pattern, path);
}

int ViewCtx::matching_rule(const ElementRec& e, const std::string& path) const {
    for (size_t i = 0; i < cs_.rules.size(); ++i)
        if (rule_applies(cs_.rules[i], e, path)) return static_cast<int>(i);
    return -1;
}

Selection ViewCtx::select(const ElementRec& e, const std::string& path) {
    Selection s;
    if (e.is_slink()) {
        s.slink = true;
        return s;
    }
    for (size_t i = 0; i < cs_.rules.size(); ++i) {
        const CsRule& r = cs_.rules[i];
        if (!rule_applies(r, e, path)) continue;
        std::optional<VersionRec> v;
        switch (r.sel) {
            case CsRule::Sel::Checkedout:
                if (auto co = st_.checkout_in_view(e.id, view_.id)) {
                    s.co_id = co->id;
                    s.rule = static_cast<int>(i);
                    return s;
                }
                break;
            case CsRule::Sel::BranchLatest:
                if (auto b = st_.branch_by_path(e.id, r.branch)) v = st_.latest_version(b->id);
                break;
            case CsRule::Sel::BranchNum:
                if (auto b = st_.branch_by_path(e.id, r.branch)) v = st_.version_by_num(b->id, r.num);
                break;
            case CsRule::Sel::AnyBranchLatest:
                if (int64_t bt = type_id(e.vob_id, "brtype", r.branch))
                    if (auto b = st_.branch_of_type(e.id, bt)) v = st_.latest_version(b->id);
                break;
            case CsRule::Sel::Label:
                if (int64_t lt = type_id(e.vob_id, "lbtype", r.label)) {
                    Stmt q(st_.db(), "SELECT version_id FROM labels WHERE lbtype_id=? AND eid=? LIMIT 1");
                    q.bind(1, lt).bind(2, e.id);
                    if (q.step()) v = st_.version(q.i64(0));
                }
                break;
            case CsRule::Sel::None:
                s.rule = static_cast<int>(i);
                return s;
        }
        if (v) {
            s.version_id = v->id;
            s.rule = static_cast<int>(i);
            return s;
        }
    }
    return s;
}

}  // namespace ccsub

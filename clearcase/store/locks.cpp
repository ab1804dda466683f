#include "clearcase/store/locks.h"

namespace ccsub {

int check_locks(Store& st, const LockScope& sc, const std::string& op) {
    auto refuse = [&](const std::string& what) {
        st.set_error("Lock on " + what + " prevents operation \"" + op + "\".");
        return 0;
    };
    if (sc.vob_id && st.locked_for_me("vob", sc.vob_id)) {
        auto v = st.vob_by_id(sc.vob_id);
        return refuse("VOB \"" + (v ? v->tag : std::string("?")) + "\"");
    }
    if (sc.eid && st.locked_for_me("element", sc.eid)) return refuse("element");
    std::vector<int64_t> types = sc.type_ids;
    if (sc.branch_id) {
        if (st.locked_for_me("branch", sc.branch_id)) return refuse("branch \"" + st.branch_path(sc.branch_id) + "\"");
        if (auto b = st.branch(sc.branch_id)) types.push_back(b->brtype_id);
    }
    for (int64_t t : types)
        if (t && st.locked_for_me("type", t)) {
            auto tr = st.type_by_id(t);
            return refuse((tr ? tr->kind + " \"" + tr->name + "\"" : std::string("type")));
        }
    return 1;
}

std::string lock_text(const LockRec& l) {
    if (l.obsolete) return "Locked for all users (obsolete).";
    if (l.nusers.empty()) return "Locked for all users.";
    return "Locked except for users: " + l.nusers;
}

}  // namespace ccsub

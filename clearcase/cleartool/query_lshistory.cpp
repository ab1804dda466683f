// cleartool lshistory: lists a VOB's history events, newest first.
//
//   lshistory [-s|-l|-fmt F] [-minor] [-since D] [-rec] [PNAME...]
//
// Without -rec: the events of each named element (its versions and branches
// included). With -rec (the cwd when no pname is given): the events of the
// directory and of every element the view shows below it. -minor adds the
// label, attribute and hyperlink events. -since selects events at or after
// the time (inclusive). Event paths are VOB-tag-rooted, whatever the view.
#include <unordered_set>

#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/cleartool/query_walk.h"
#include "clearcase/fmt/datetime.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sqlite.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"short", 1},     {"long", 1}, {"fmt", 3, true}, {"minor", 3}, {"since", 3, true}, {"recurse", 3},
    {"directory", 3}, {"all", 3},  {"avobs", 2},     {"nco", 3},   {"last", 3, true},  {"user", 3, true},
};

struct EventRow {
    int64_t time;
    std::string user, op, kind, descr, name, comment;
};

ObjectFacts event_facts(const EventRow& e) {
    ObjectFacts f;
    f.pname = e.name;
    f.xpn = e.name;
    f.op = e.op;
    f.kind = e.kind;
    f.event = e.descr;
    f.comment = e.comment;
    f.user = e.user;
    f.time = static_cast<std::time_t>(e.time);
    return f;
}

std::string default_line(const EventRow& e, bool long_form) {
    std::string out =
        "--" + format_iso_datetime(static_cast<std::time_t>(e.time)) + "  " + e.user + "  " + e.descr + "\n";
    if (!e.comment.empty()) out += "  \"" + e.comment + "\"\n";
    if (long_form) out += "  " + e.op + " " + e.kind + " " + e.name + "\n";
    return out;
}

}  // namespace

int cmd_lshistory(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    std::optional<std::time_t> since;
    if (a.has("since")) {
        since = parse_cc_datetime(a.value("since"));
        if (!since) {
            print_error("Unable to parse date-time \"" + a.value("since") + "\".");
            return 1;
        }
    }
    long last = -1;
    if (a.has("last")) {
        std::string n = a.value("last");
        if (n.empty() || n.size() > 9 || n.find_first_not_of("0123456789") != std::string::npos) {
            print_error("Invalid -last count \"" + n + "\".");
            return 1;
        }
        last = std::stol(n);
    }
    Store store;
    if (!open_read_only(store)) return 1;
    bool rec = a.has("recurse");
    return for_each_resolved(store, operands_or_cwd(a), true, [&](const Resolved& r) {
        std::unordered_set<int64_t> eids;
        if (rec && r.element.is_dir() && !r.extended) {
            ViewCtx ctx(store, *r.view);
            walk_view(ctx, r.element, r.vob_path, [&](const WalkItem& item) { eids.insert(item.element->id); });
        } else {
            eids.insert(r.element.id);
        }
        // One pass over the VOB's events in time order, filtered by element;
        // for a single element the index on eid does the work instead.
        std::string sql =
            "SELECT time, user, op, mkind, descr, name, comment, eid FROM events WHERE vob_id = ?1 AND time >= ?2"
            " AND eid IS NOT NULL";
        if (!a.has("minor")) sql += " AND minor = 0";
        if (eids.size() == 1) sql += " AND eid = ?3";
        sql += " ORDER BY time DESC, id DESC";
        Stmt s(store.db(), sql);
        s.bind(1, r.vob.id).bind(2, static_cast<int64_t>(since ? *since : 0));
        if (eids.size() == 1) s.bind(3, *eids.begin());
        std::string out;
        long shown = 0;
        while (s.step()) {
            if (!eids.count(s.i64(7))) continue;
            if (last >= 0 && shown >= last) break;
            EventRow e{s.i64(0), s.text(1), s.text(2), s.text(3), s.text(4), s.text(5), s.text(6)};
            if (a.has("user") && e.user != a.value("user")) continue;
            ++shown;
            if (a.has("fmt"))
                out += format_object(a.value("fmt"), event_facts(e));
            else if (a.has("short"))
                out += e.name + "\n";
            else
                out += default_line(e, a.has("long"));
            if (out.size() > (1u << 16)) {
                print_out(out);
                out.clear();
            }
        }
        print_out(out);
        return 0;
    });
}

}  // namespace ccsub::query

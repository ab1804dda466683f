// cleartool lsco: lists checkouts.
//
//   lsco [-s|-l|-fmt F] [-rec|-dir|-all] [-cview] [-me] [PNAME...]
//
// With -rec: the directory and everything the view shows below it; with
// -dir: the named elements themselves; otherwise a file operand itself and
// the entries of a directory operand. Checkouts in every view are listed
// unless -cview is given. "-s -dir" answers "is it checked out here?" and
// therefore looks only at the current view. Names are printed as given,
// extended by the relative path below the operand (%Xn appends
// "@@<branch>/CHECKEDOUT").
#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/cleartool/query_walk.h"
#include "clearcase/fmt/datetime.h"
#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sys.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"short", 1}, {"long", 1},  {"fmt", 3, true}, {"recurse", 3}, {"directory", 3},
    {"all", 3},   {"cview", 2}, {"me", 2},        {"avobs", 2},   {"areplicas", 3},
};

struct Listing {
    const ParsedArgs& a;
    Store& store;
    bool cview_only;
    std::string user;
    std::string out;

    void element(const std::string& name, const ElementRec& e, const std::optional<ViewRec>& view) {
        for (const auto& co : store.checkouts_of(e.id)) {
            if (cview_only && (!view || co.view_id != view->id)) continue;
            if (a.has("me") && co.user != user) continue;
            show(name, e, co);
        }
    }

    void show(const std::string& name, const ElementRec& e, const CheckoutRec& co) {
        std::string vid = checkout_vid(store, co);
        std::string pred = store.version_vid(co.pred_vid);
        auto view = store.view_by_id(co.view_id);
        if (a.has("fmt")) {
            ObjectFacts f;
            f.pname = name;
            f.element = name;
            f.xpn = name + "@@" + vid;
            f.vid = vid;
            f.leaf = "CHECKEDOUT";
            f.pred_vid = pred;
            f.pred_xpn = name + "@@" + pred;
            f.kind = version_kind_words(e.kind);
            f.op = "checkout";
            f.comment = co.comment;
            f.user = co.user;
            f.time = static_cast<std::time_t>(co.created);
            f.view_tag = view ? view->tag : std::string();
            out += format_object(a.value("fmt"), f);
        } else if (a.has("short")) {
            out += name + "\n";
        } else {
            out += format_iso_datetime(static_cast<std::time_t>(co.created)) + "  " + co.user + "  checkout " +
                   version_kind_words(e.kind) + " \"" + name + "\" from " + pred + " (reserved)\n";
            out += "  by view: " + (view ? view->tag : std::string("?")) + "\n";
        }
        if (out.size() > (1u << 16)) flush();
    }

    void flush() {
        print_out(out);
        out.clear();
    }
};

}  // namespace

int cmd_lsco(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    Store store;
    if (!open_read_only(store)) return 1;
    bool cview_only = a.has("cview") || (a.has("short") && a.has("directory"));
    Listing l{a, store, cview_only, current_user(), {}};
    int status = for_each_resolved(store, operands_or_cwd(a), true, [&](const Resolved& r) {
        if (a.has("directory") || !r.element.is_dir() || r.extended) {
            l.element(r.given_base, r.element, r.view);
            return 0;
        }
        ViewCtx ctx(store, *r.view);
        bool rec = a.has("recurse");
        walk_view(
            ctx, r.element, r.vob_path,
            [&](const WalkItem& item) {
                std::string name = item.rel.empty() ? r.given_base : r.given_base + "/" + item.rel;
                if (!rec && item.rel.empty()) return;  // plain "lsco dir" lists the entries only
                l.element(name, *item.element, r.view);
            },
            rec ? -1 : 1);
        return 0;
    });
    l.flush();
    return status;
}

}  // namespace ccsub::query

// Resolution of pnames for the read-only commands (see query_pname.h).
#include "clearcase/cleartool/query_pname.h"

#include "clearcase/cleartool/query_common.h"
#include "clearcase/store/store.h"
#include "clearcase/view/pname.h"
#include "clearcase/view/select.h"

namespace ccsub::query {

std::string checkout_vid(Store& store, const CheckoutRec& co) {
    return store.branch_path(co.branch_id) + "/CHECKEDOUT";
}

bool resolve_operand(Store& store, const std::string& operand, Resolved& r, bool quiet) {
    r = Resolved{};
    r.given = operand;
    size_t at = operand.find("@@");
    r.given_base = operand.substr(0, at);
    r.extended = at != std::string::npos;
    ccsub::Resolved p;
    std::string err;
    if (!resolve_pname(store, operand, p, err)) {
        if (!quiet) print_error(err);
        return false;
    }
    r.vob_path = p.vobpath;
    r.vob = p.vob;
    r.view = p.view;
    r.element = p.elem;
    if (!p.has_xpn) {
        if (p.elem.is_slink() || p.sel.slink) {
            r.names = "slink";
        } else if (p.sel.co_id) {
            r.checkout = store.checkout_by_id(p.sel.co_id);
            if (!r.checkout) return false;
            r.names = "checkout";
        } else {
            r.version = store.version(p.sel.version_id);
            if (!r.version) return false;
            r.names = "version";
        }
        if (p.sel.rule >= 0) {
            ViewCtx ctx(store, p.view);
            if (static_cast<size_t>(p.sel.rule) < ctx.spec().rules.size())
                r.rule = ctx.spec().rules[static_cast<size_t>(p.sel.rule)].text;
        }
    } else {
        switch (p.obj) {
            case ccsub::Resolved::Obj::Element:
                r.names = "element";
                break;
            case ccsub::Resolved::Obj::Branch:
                r.names = "branch";
                r.branch = store.branch(p.branch_id);
                break;
            case ccsub::Resolved::Obj::Version:
                r.names = "version";
                r.version = store.version(p.version_id);
                break;
            case ccsub::Resolved::Obj::Checkout:
                r.names = "checkout";
                r.checkout = store.checkout_by_id(p.co_id);
                break;
        }
    }
    if (r.checkout) {
        r.branch = store.branch(r.checkout->branch_id);
        r.version = store.version(r.checkout->pred_vid);
    } else if (r.version && !r.branch) {
        r.branch = store.branch(r.version->branch_id);
    }
    if ((r.names == "branch" && !r.branch) || (r.names == "version" && !r.version) ||
        (r.names == "checkout" && !r.checkout)) {
        if (!quiet) print_error("Unable to access \"" + operand + "\": No such file or directory.");
        return false;
    }
    return true;
}

int for_each_resolved(Store& store, const std::vector<std::string>& operands, bool need_view,
                      const std::function<int(const Resolved&)>& fn) {
    int status = 0;
    for (const auto& operand : operands) {
        Resolved r;
        if (!resolve_operand(store, operand, r) || (need_view && !r.view)) {
            status = 1;
            continue;
        }
        if (fn(r)) status = 1;
    }
    return status;
}

}  // namespace ccsub::query

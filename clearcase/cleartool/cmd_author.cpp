// Authoring commands on elements in a view: checkout, checkin, uncheckout,
// mkelem, mkdir, ln -s, mkbranch.
#include <cstdio>

#include "clearcase/cleartool/objects.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/ops.h"

namespace ccsub {
namespace {

int cmd_checkout(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"reserved", 3, false},
                        {"unreserved", 3, false},
                        {"nwarn", 2, false},
                        {"out", 3, true},
                        {"ndata", 2, false},
                        {"version", 3, false},
                        {"branch", 3, true},
                        {"nquery", 2, false},
                        {"query", 1, false},
                        {"nmaster", 2, false}},
                       o, err) ||
        o.operands.empty())
        return usage_error("checkout", err.empty() ? "checkout [-c comment|-nc] pname ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    CheckoutOpts co;
    co.comment = comment_of(o);
    co.unreserved = o.has("unreserved");
    int status = for_each_pname(s, o.operands, 0, [&](Resolved& r, std::string& msg) {
        int64_t id = 0;
        return checkout_element(s.st, r, co, id, msg);
    });
    return s.finish(status);
}

int cmd_checkin(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"identical", 1, false},
                        {"keep", 2, false},
                        {"rm", 2, false},
                        {"nwarn", 2, false},
                        {"cr", 2, false},
                        {"ptime", 2, false},
                        {"from", 3, true}},
                       o, err) ||
        o.operands.empty())
        return usage_error("checkin", err.empty() ? "checkin [-c comment|-nc] [-identical] pname ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    CheckinOpts ci;
    ci.comment = comment_of(o);
    ci.has_comment = o.has("comment") || o.has("ncomment");
    ci.identical = o.has("identical");
    int status = for_each_pname(s, o.operands, 0, [&](Resolved& r, std::string& msg) {
        if (o.has("from") && !r.elem.is_dir()) {
            std::string data;
            if (!read_file(o.get("from"), data)) {
                s.st.set_error("Unable to read \"" + o.get("from") + "\".");
                return 0;
            }
            if (auto c = s.st.checkout_in_view(r.eid, r.view.id))
                write_file(view_root() + "/" + r.view.tag + c->path, data, 0644);
        }
        int64_t id = 0;
        return checkin_element(s.st, r, ci, id, msg);
    });
    return s.finish(status);
}

int cmd_uncheckout(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {{"keep", 1, false}, {"rm", 2, false}, {"cact", 3, false}, {"cwork", 3, false}}, o, err) ||
        o.operands.empty())
        return usage_error("uncheckout", err.empty() ? "uncheckout [-keep|-rm] pname ..." : err);
    Session s;
    if (!s.open(true)) return 1;
    bool keep = !o.has("rm");
    int status = for_each_pname(s, o.operands, 0,
                                [&](Resolved& r, std::string& msg) { return uncheckout_element(s.st, r, keep, msg); });
    return s.finish(status);
}

int make_elements(const Args& args, bool dir_cmd) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args,
                       {CC_COMMENT_OPTS,
                        {"eltype", 3, true},
                        {"nco", 3, false},
                        {"ci", 2, false},
                        {"ptime", 2, false},
                        {"mkpath", 3, false},
                        {"master", 3, false},
                        {"nwarn", 2, false}},
                       o, err) ||
        o.operands.empty())
        return usage_error(dir_cmd ? "mkdir" : "mkelem", err.empty() ? "missing element name" : err);
    std::string eltype = o.get("eltype", dir_cmd ? "directory" : "text_file");
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, o.operands, kAllowMissing, [&](Resolved& r, std::string& msg) {
        std::string kind = dir_cmd || eltype == "directory" ? "directory" : "file";
        if (kind == "directory" && eltype != "directory") eltype = "directory";
        int64_t eid = 0, co = 0, vid = 0;
        if (!make_element(s.st, r, kind, eltype, "", comment, eid, msg)) return 0;
        if (o.has("nco") && !o.has("ci")) return 1;
        CheckoutOpts copt;
        copt.comment = comment;
        if (!checkout_element(s.st, r, copt, co, msg)) return 0;
        if (o.has("ci")) {
            CheckinOpts ci;
            ci.comment = comment;
            ci.has_comment = true;
            ci.identical = true;
            // The working file is the view-private file if there was one.
            std::string disk = r.view_path;
            if (!path_exists(disk)) write_file(disk, "", 0644);
            if (!checkin_element(s.st, r, ci, vid, msg)) return 0;
        }
        return 1;
    });
    return s.finish(status);
}

int cmd_mkelem(const Args& args) {
    return make_elements(args, false);
}
int cmd_mkdir(const Args& args) {
    return make_elements(args, true);
}

int cmd_ln(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(args, {CC_COMMENT_OPTS, {"slink", 1, false}, {"nco", 3, false}, {"force", 1, false}}, o, err))
        return usage_error("ln", err);
    if (!o.has("slink")) return cc_error("Only symbolic links (ln -s) are supported.");
    if (o.operands.size() != 2) return usage_error("ln", "ln -s <link text> <new pname>");
    std::string text = o.operands[0];
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, {o.operands[1]}, kAllowMissing, [&](Resolved& r, std::string& msg) {
        int64_t eid = 0;
        return make_element(s.st, r, "slink", "", text, comment, eid, msg);
    });
    return s.finish(status);
}

int cmd_mkbranch(const Args& args) {
    ParsedOpts o;
    std::string err;
    if (!parse_options(
            args, {CC_COMMENT_OPTS, {"nco", 3, false}, {"version", 3, true}, {"nwarn", 2, false}, {"ptime", 2, false}},
            o, err) ||
        o.operands.size() < 2)
        return usage_error("mkbranch", err.empty() ? "mkbranch [-nco] <branch type> pname ..." : err);
    std::string brtype = o.operands[0];
    auto at = brtype.find('@');
    if (at != std::string::npos) brtype = brtype.substr(0, at);
    if (brtype.rfind("brtype:", 0) == 0) brtype = brtype.substr(7);
    std::vector<std::string> pnames(o.operands.begin() + 1, o.operands.end());
    Session s;
    if (!s.open(true)) return 1;
    std::string comment = comment_of(o);
    int status = for_each_pname(s, pnames, 0, [&](Resolved& r, std::string& msg) {
        if (o.has("version")) {
            auto v = s.st.version_by_vid(r.eid, o.get("version"));
            if (!v) {
                s.st.set_error("Version not found: \"" + o.get("version") + "\".");
                return 0;
            }
            r.version_id = v->id;
        }
        int64_t bid = 0;
        if (!make_branch(s.st, r, brtype, comment, bid, msg)) return 0;
        if (o.has("nco")) return 1;
        // Check out the new branch's version 0.
        Resolved rb = r;
        rb.has_xpn = true;
        rb.obj = Resolved::Obj::Branch;
        rb.branch_id = bid;
        rb.version_id = s.st.version_by_num(bid, 0)->id;
        CheckoutOpts copt;
        copt.comment = comment;
        copt.ignore_rule_branch = true;
        int64_t co = 0;
        return checkout_element(s.st, rb, copt, co, msg);
    });
    return s.finish(status);
}

}  // namespace

CLEARTOOL_COMMAND("checkout", cmd_checkout);
CLEARTOOL_COMMAND("co", cmd_checkout);
CLEARTOOL_COMMAND("checkin", cmd_checkin);
CLEARTOOL_COMMAND("ci", cmd_checkin);
CLEARTOOL_COMMAND("uncheckout", cmd_uncheckout);
CLEARTOOL_COMMAND("unco", cmd_uncheckout);
CLEARTOOL_COMMAND("mkelem", cmd_mkelem);
CLEARTOOL_COMMAND("mkdir", cmd_mkdir);
CLEARTOOL_COMMAND("ln", cmd_ln);
CLEARTOOL_COMMAND("mkbranch", cmd_mkbranch);

}  // namespace ccsub

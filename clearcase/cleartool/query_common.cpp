// Shared pieces of the read-only cleartool commands (see query_common.h).
#include "clearcase/cleartool/query_common.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sys.h"

namespace ccsub::query {

ParsedArgs parse_args(const std::vector<std::string>& args, std::span<const OptSpec> specs) {
    ParsedArgs out;
    ParsedOpts parsed;
    if (!parse_options(args, specs, parsed, out.error, true)) {
        out.ok = false;
        // The query commands' "requires an argument" message has no final period.
        if (!out.error.empty() && out.error.back() == '.') out.error.pop_back();
        return out;
    }
    for (auto& [name, values] : parsed.opts) out.opts[name] = values.empty() ? std::string() : values.back();
    out.operands = std::move(parsed.operands);
    return out;
}

bool parse_args_or_report(const std::vector<std::string>& args, std::span<const OptSpec> specs, ParsedArgs& out) {
    out = parse_args(args, specs);
    if (!out.ok) print_error(out.error);
    return out.ok;
}

bool open_read_only(Store& store) {
    if (store.open(false)) return true;
    print_error(store.error());
    return false;
}

std::vector<std::string> operands_or_cwd(const ParsedArgs& a) {
    if (a.operands.empty()) return {"."};
    return a.operands;
}

void print_error(std::string_view text) {
    std::string line = "cleartool: Error: ";
    line += text;
    line += '\n';
    std::fflush(stdout);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void print_out(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

bool is_type_kind(std::string_view kind) {
    for (std::string_view k : {"brtype", "lbtype", "attype", "eltype", "trtype", "hltype"})
        if (k == kind) return true;
    return false;
}

std::optional<Selector> parse_selector(std::string_view text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    std::string_view kind = text.substr(0, colon);
    std::string_view rest = text.substr(colon + 1);
    Selector sel;
    sel.kind = std::string(kind);
    if (kind == "vob") {
        if (rest.empty()) return std::nullopt;
        sel.name = std::string(rest);
        sel.vob = sel.name;
        return sel;
    }
    if (!is_type_kind(kind)) return std::nullopt;
    size_t at = rest.find('@');
    sel.name = std::string(rest.substr(0, at));
    if (at != std::string_view::npos) sel.vob = std::string(rest.substr(at + 1));
    if (sel.name.empty()) return std::nullopt;
    return sel;
}

ObjectFacts vob_facts(const VobRec& vob) {
    ObjectFacts f;
    f.pname = vob.tag;
    f.xpn = vob.tag;
    f.oid = vob.oid;
    f.kind = "versioned object base";
    f.comment = vob.comment;
    f.user = vob.owner;
    f.time = static_cast<std::time_t>(vob.created);
    f.properties["owner"] = vob.owner;
    return f;
}

ObjectFacts type_facts(Store& store, const TypeRec& type, const VobRec& vob) {
    ObjectFacts f;
    f.pname = type.name;
    f.xpn = type.kind + ":" + type.name + "@" + vob.tag;
    f.oid = vob.oid + ":" + std::to_string(type.id);
    f.kind = type_kind_words(type.kind);
    f.comment = type.comment;
    f.user = type.owner;
    f.time = static_cast<std::time_t>(type.created);
    f.properties["type_scope"] = type.scope.empty() ? "ordinary" : type.scope;
    f.properties["owner"] = type.owner;
    if (auto lock = store.lock_of("type", type.id))
        f.properties["locked"] = lock->obsolete ? "obsolete" : "locked";
    else
        f.properties["locked"] = "unlocked";
    return f;
}

std::string cwd_vob_tag(Store& store) {
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    if (ec) return {};
    std::string root = view_root();
    std::string vob_path;
    if (path_within(cwd, root) && cwd.size() > root.size() + 1) {
        // /view/W/<vob path>: drop the view root and the view tag.
        std::string below = cwd.substr(root.size() + 1);
        size_t slash = below.find('/');
        if (slash == std::string::npos) return {};
        vob_path = below.substr(slash);
    } else {
        vob_path = cwd;  // inside setview the VOB tag itself is the path
    }
    auto vob = store.vob_for_path(vob_path);
    return vob ? vob->tag : std::string();
}

std::optional<VobRec> selector_vob(Store& store, const Selector& sel) {
    std::string tag = sel.vob.empty() ? cwd_vob_tag(store) : sel.vob;
    if (tag.empty()) {
        print_error("Unable to determine VOB for pathname \".\".");
        return std::nullopt;
    }
    auto vob = store.vob_by_tag(tag);
    if (!vob) print_error("Unable to locate versioned object base with object selector: \"vob:" + tag + "\".");
    return vob;
}

}  // namespace ccsub::query

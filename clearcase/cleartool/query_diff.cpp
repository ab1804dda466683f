// cleartool diff -pred: compares a version (or the view's checkout) with its
// predecessor.
//
//   diff -pred [-opt ...] PNAME
//
// Directories compare their entries (name -> element; a symbolic link's
// text is part of the element); files compare bytes, the checkout's working
// file being the one the view shows. Exit 0 when equal, 1 when they differ
// or on error; differences are listed on stdout.
#include <map>

#include "clearcase/cleartool/query_commands.h"
#include "clearcase/cleartool/query_common.h"
#include "clearcase/cleartool/query_pname.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sys.h"

namespace ccsub::query {
namespace {

constexpr OptSpec kSpecs[] = {
    {"predecessor", 4}, {"options", 3, true}, {"serial_format", 3}, {"diff_format", 3},  {"columns", 3, true},
    {"graphical", 1},   {"tiny", 3},          {"window", 3},        {"blank_ignore", 3},
};

std::map<std::string, int64_t> entry_map(const std::vector<DirEntry>& entries) {
    std::map<std::string, int64_t> m;
    for (const auto& e : entries) m[e.name] = e.eid;
    return m;
}

std::string version_bytes(Store& store, const VersionRec& v, bool& ok) {
    std::string bytes;
    ok = v.content.empty() || read_file(store.content_path(v.content), bytes);
    return bytes;
}

int diff_directories(const std::map<std::string, int64_t>& old_entries,
                     const std::map<std::string, int64_t>& new_entries, const std::string& old_name,
                     const std::string& new_name) {
    std::string out;
    for (const auto& [name, eid] : old_entries) {
        auto it = new_entries.find(name);
        if (it == new_entries.end())
            out += "-----[deleted]-----\n< " + name + "\n";
        else if (it->second != eid)
            out += "-----[changed]-----\n< " + name + "\n---\n> " + name + "\n";
    }
    for (const auto& [name, eid] : new_entries)
        if (!old_entries.count(name)) out += "-----[added]-----\n> " + name + "\n";
    if (out.empty()) {
        print_out("Directories are identical\n");
        return 0;
    }
    print_out("********************************\n<<< directory 1: " + old_name + "\n>>> directory 2: " + new_name +
              "\n********************************\n" + out);
    return 1;
}

}  // namespace

int cmd_diff(const std::vector<std::string>& args) {
    ParsedArgs a;
    if (!parse_args_or_report(args, kSpecs, a)) return 1;
    if (!a.has("predecessor") || a.operands.size() != 1) {
        print_error("Only \"diff -pred PNAME\" is supported.");
        return 1;
    }
    Store store;
    if (!open_read_only(store)) return 1;
    Resolved r;
    if (!resolve_operand(store, a.operands[0], r)) return 1;
    if (r.names != "version" && r.names != "checkout") {
        print_error("Not a version: \"" + r.given + "\".");
        return 1;
    }
    // Predecessor: the checkout's base version, or the version's predecessor.
    std::optional<VersionRec> pred;
    if (r.names == "checkout")
        pred = r.version;
    else
        pred = store.predecessor(*r.version);
    if (!pred) {
        print_error("Version has no predecessor: \"" + r.given + "\".");
        return 1;
    }
    std::string pred_name = r.given_base + "@@" + store.version_vid(pred->id);
    std::string this_name =
        r.names == "checkout" ? r.given_base : r.given_base + "@@" + store.version_vid(r.version->id);
    if (r.element.is_dir()) {
        auto now = r.names == "checkout" ? store.co_entries(r.checkout->id) : store.dir_entries(r.version->id);
        return diff_directories(entry_map(store.dir_entries(pred->id)), entry_map(now), pred_name, this_name);
    }
    bool ok_old = false;
    std::string old_bytes = version_bytes(store, *pred, ok_old);
    std::string new_bytes;
    bool ok_new = false;
    if (r.names == "checkout")
        ok_new = read_file(view_root() + "/" + r.view->tag + r.vob_path, new_bytes);
    else
        new_bytes = version_bytes(store, *r.version, ok_new);
    if (!ok_old || !ok_new) {
        print_error("Unable to read the contents of \"" + r.given + "\" or of its predecessor.");
        return 1;
    }
    if (old_bytes == new_bytes) {
        print_out("Files are identical\n");
        return 0;
    }
    print_out("********************************\n<<< file 1: " + pred_name + "\n>>> file 2: " + this_name +
              "\n********************************\nFiles differ\n");
    return 1;
}

}  // namespace ccsub::query

#include "clearcase/view/materialise.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "clearcase/store/type_names.h"
#include "clearcase/util/sys.h"
#include "clearcase/view/select.h"

namespace ccsub {

namespace {

std::string view_dir(const std::string& tag) {
    return view_root() + "/" + tag;
}

struct Refresher {
    Store& st;
    ViewCtx ctx;
    std::string base;  // /view/W

    Refresher(Store& s, const ViewRec& v) : st(s), ctx(s, v), base(view_dir(v.tag)) {}

    int64_t view_id() const { return ctx.view().id; }

    struct Row {
        std::string path;
        int64_t eid = 0;
        std::string sel;
    };

    std::optional<Row> row(const std::string& path) {
        Stmt s(st.db(), "SELECT eid,sel FROM mat WHERE view_id=? AND path=?");
        s.bind(1, view_id()).bind(2, path);
        if (!s.step()) return std::nullopt;
        return Row{path, s.i64(0), s.text(1)};
    }

    std::vector<Row> children(const std::string& path) {
        std::vector<Row> r;
        Stmt s(st.db(), "SELECT path,eid,sel FROM mat WHERE view_id=? AND parent=?");
        s.bind(1, view_id()).bind(2, path);
        while (s.step()) r.push_back({s.text(0), s.i64(1), s.text(2)});
        return r;
    }

    void put_row(const std::string& path, const std::string& parent, int64_t eid, const std::string& sel) {
        Stmt s(st.db(), "INSERT OR REPLACE INTO mat(view_id,path,parent,eid,sel) VALUES(?,?,?,?,?)");
        s.bind(1, view_id()).bind(2, path).bind(3, parent).bind(4, eid).bind(5, sel);
        s.exec();
    }

    // Removes a node, its "@@" link and everything materialised below it.
    void drop(const std::string& path) {
        remove_tree(base + path);
        remove_tree(base + path + "@@");
        Stmt s(st.db(), "DELETE FROM mat WHERE view_id=? AND (path=? OR (path>? AND path<?))");
        s.bind(1, view_id()).bind(2, path).bind(3, path + "/").bind(4, path + "0");
        s.exec();
    }

    void ensure_xlink(const std::string& path, int64_t eid) {
        std::string link = base + path + "@@";
        std::string target = xstore_dir(st, eid);
        char buf[4096];
        ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
        if (n >= 0 && std::string(buf, static_cast<size_t>(n)) == target) return;
        remove_tree(link);
        if (::symlink(target.c_str(), link.c_str()) != 0) {
            // The name may be taken by a view-private file; leave it.
        }
    }

    void write_version_file(const std::string& disk, const VersionRec& v, int mode) {
        if (v.content.empty())
            write_file(disk, "", static_cast<unsigned>(mode));
        else
            copy_file(st.content_path(v.content), disk, static_cast<unsigned>(mode));
    }

    // Brings one node in line with the view's selection. `full` recurses
    // into every child (new subtrees, rebuilds); otherwise only entries that
    // appeared or vanished are handled.
    void sync(const std::string& path, const std::string& parent, int64_t eid, bool full) {
        auto el = st.element(eid);
        if (!el) {
            drop(path);
            return;
        }
        Selection s = ctx.select(*el, path);
        if (!s.visible()) {
            drop(path);
            return;
        }
        std::string key = s.slink   ? "slink:" + el->slink_text
                          : s.co_id ? "co:" + std::to_string(s.co_id)
                                    : "v:" + std::to_string(s.version_id);
        auto old = row(path);
        std::string disk = base + path;
        struct stat sb;
        bool on_disk = ::lstat(disk.c_str(), &sb) == 0;
        if (old && old->eid != eid) {
            drop(path);
            old.reset();
            on_disk = false;
        }
        if (el->is_slink()) {
            if (!old || old->sel != key || !on_disk || !S_ISLNK(sb.st_mode)) {
                remove_tree(disk);
                if (::symlink(el->slink_text.c_str(), disk.c_str()) != 0) return;
            }
            put_row(path, parent, eid, key);
            return;
        }
        if (!el->is_dir()) {
            bool changed = !old || old->sel != key || !on_disk || !S_ISREG(sb.st_mode);
            if (changed) {
                if (on_disk && !S_ISREG(sb.st_mode)) remove_tree(disk);
                if (s.co_id) {
                    // A new checkout starts with its predecessor's bytes and
                    // is writable; an existing working file is kept.
                    bool keep = on_disk && S_ISREG(sb.st_mode) && (!old || old->sel == key);
                    auto co = st.checkout_by_id(s.co_id);
                    auto pred = co ? st.version(co->pred_vid) : std::nullopt;
                    if (!keep && pred) write_version_file(disk, *pred, (el->perms | 0600) & 07777);
                } else if (auto v = st.version(s.version_id)) {
                    write_version_file(disk, *v, (el->perms & 0555) | 0444);
                }
            } else {
                unsigned want = s.co_id ? static_cast<unsigned>((el->perms | 0600) & 07777)
                                        : static_cast<unsigned>((el->perms & 0555) | 0444);
                if ((sb.st_mode & 07777) != want) ::chmod(disk.c_str(), want);
            }
            put_row(path, parent, eid, key);
            ensure_xlink(path, eid);
            return;
        }
        // Directory.
        if (on_disk && !S_ISDIR(sb.st_mode)) remove_tree(disk);
        mkdir_p(disk, 0755);
        ::chmod(disk.c_str(), static_cast<mode_t>(el->perms | 0700));
        bool was_same = old && old->sel == key;
        put_row(path, parent, eid, key);
        if (!parent.empty()) ensure_xlink(path, eid);
        std::vector<DirEntry> want = s.co_id ? st.co_entries(s.co_id) : st.dir_entries(s.version_id);
        std::map<std::string, int64_t> want_map;
        for (auto& d : want)
            if (safe_path_component(d.name)) want_map[path + "/" + d.name] = d.eid;
        std::map<std::string, int64_t> have;
        for (auto& r : children(path)) have[r.path] = r.eid;
        for (auto& [p, e] : have) {
            auto it = want_map.find(p);
            if (it == want_map.end() || it->second != e) drop(p);
        }
        for (auto& [p, e] : want_map) {
            auto it = have.find(p);
            bool is_new = it == have.end() || it->second != e;
            if (is_new || full || !was_same) sync(p, path, e, is_new || full);
        }
    }

    // Brings in line only the entries of the directory materialised at
    // `path` (as `sel`) that name element `eid`: all a change to that
    // element alone can alter below an unchanged directory, at a cost that
    // does not grow with the directory's size.
    void sync_entries_naming(const std::string& path, const std::string& sel, int64_t eid) {
        const bool checked_out = sel.rfind("co:", 0) == 0;
        if (!checked_out && sel.rfind("v:", 0) != 0) return;
        Stmt s(st.db(), checked_out ? "SELECT name FROM co_dirents WHERE eid=? AND co_id=?"
                                    : "SELECT name FROM dirents WHERE eid=? AND version_id=?");
        s.bind(1, eid).bind(2, static_cast<int64_t>(std::stoll(sel.substr(sel.find(':') + 1))));
        std::vector<std::string> names;
        while (s.step())
            if (safe_path_component(s.text(0))) names.push_back(s.text(0));
        for (const auto& name : names) sync(path + "/" + name, path, eid, false);
    }

    void sync_vob_root(const VobRec& vob, bool full) {
        mkdir_p(base + dirname_of(vob.tag), 0755);
        sync(vob.tag, "", vob.root_eid, full);
    }
};

// A branch directory of a version tree may not climb out of the tree or
// shadow a version number or the LATEST link beside it.
bool tree_dir_name(const std::string& name) {
    return safe_path_component(name) && name != "LATEST" && name.find_first_not_of("0123456789") != std::string::npos;
}

// The branch type names from "main" down to `b`; false when one of them
// cannot be a directory of the tree (a name stored before names were
// checked), so that the branch and those below it are left out.
bool tree_branch_names(Store& st, const std::vector<BranchRec>& branches, const BranchRec& b,
                       std::vector<std::string>& names) {
    names.clear();
    const BranchRec* cur = &b;
    for (size_t depth = 0; cur && depth <= branches.size(); ++depth) {
        auto type = st.type_by_id(cur->brtype_id);
        if (!type || !tree_dir_name(type->name)) return false;
        names.insert(names.begin(), type->name);
        if (cur->parent_id == 0) return true;
        const BranchRec* parent = nullptr;
        for (auto& p : branches)
            if (p.id == cur->parent_id) parent = &p;
        cur = parent;
    }
    return false;
}

// Brings an element's version tree (<registry>/x/<eid>) in line with the
// store without removing what is still right, so that a reader never sees a
// surviving version vanish while the tree is updated.
void rebuild_xstore(Store& st, int64_t eid) {
    std::string dir = xstore_dir(st, eid);
    auto el = st.element(eid);
    if (!el || el->is_slink()) {
        remove_tree(dir);
        return;
    }
    // Desired entries: path below dir -> kind ('d' directory, 'f' file with
    // content hash, 'l' LATEST link text).
    struct Want {
        char kind;
        std::string data;
    };
    std::map<std::string, Want> want;
    const auto branches = st.branches_of(eid);
    for (auto& b : branches) {
        std::vector<std::string> names;
        if (!tree_branch_names(st, branches, b, names)) continue;
        // Every branch path component is a directory.
        std::string bp;
        for (auto& c : names) {
            bp += "/" + c;
            want.emplace(bp, Want{'d', ""});
        }
        int64_t latest = -1;
        for (auto& v : st.versions_of_branch(b.id)) {
            want[bp + "/" + std::to_string(v.num)] = el->is_dir() ? Want{'d', ""} : Want{'f', v.content};
            latest = v.num;
        }
        if (latest >= 0) want[bp + "/LATEST"] = Want{'l', std::to_string(latest)};
    }
    mkdir_p(dir, 0755);
    // Remove what is no longer wanted (deepest first).
    std::vector<std::string> stack{""}, present;
    while (!stack.empty()) {
        std::string rel = stack.back();
        stack.pop_back();
        DIR* d = opendir((dir + rel).c_str());
        if (!d) continue;
        while (struct dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n == "." || n == "..") continue;
            std::string r = rel + "/" + n;
            present.push_back(r);
            struct stat sb;
            if (::lstat((dir + r).c_str(), &sb) == 0 && S_ISDIR(sb.st_mode)) stack.push_back(r);
        }
        closedir(d);
    }
    std::sort(present.rbegin(), present.rend());
    for (auto& r : present) {
        auto it = want.find(r);
        struct stat sb;
        if (::lstat((dir + r).c_str(), &sb) != 0) continue;
        bool keep = false;
        if (it != want.end()) {
            const Want& w = it->second;
            if (w.kind == 'd') keep = S_ISDIR(sb.st_mode);
            if (w.kind == 'l') {
                char buf[64];
                ssize_t n = ::readlink((dir + r).c_str(), buf, sizeof buf);
                keep = S_ISLNK(sb.st_mode) && n >= 0 && std::string(buf, static_cast<size_t>(n)) == w.data;
            }
            if (w.kind == 'f') {
                // Same bytes: the store file itself (hard link) or equal size
                // and content hash of an empty version.
                struct stat cb;
                if (w.data.empty())
                    keep = S_ISREG(sb.st_mode) && sb.st_size == 0;
                else
                    keep = S_ISREG(sb.st_mode) && ::stat(st.content_path(w.data).c_str(), &cb) == 0 &&
                           cb.st_ino == sb.st_ino && cb.st_dev == sb.st_dev;
                if (!keep && S_ISREG(sb.st_mode) && !w.data.empty()) {
                    std::string bytes;
                    keep = read_file(dir + r, bytes) && sha256_hex(bytes) == w.data;
                }
            }
        }
        if (!keep) remove_tree(dir + r);
    }
    for (auto& [r, w] : want) {
        std::string p = dir + r;
        if (path_exists(p)) continue;
        if (w.kind == 'd') {
            mkdir_p(p, 0755);
        } else if (w.kind == 'l') {
            if (::symlink(w.data.c_str(), p.c_str()) != 0) {
                // Only fails when the name is taken, which was checked.
            }
        } else if (w.data.empty()) {
            write_file(p, "", 0444);
        } else if (::link(st.content_path(w.data).c_str(), p.c_str()) != 0) {
            copy_file(st.content_path(w.data), p, 0444);
        }
    }
}

}  // namespace

std::string xstore_root(Store& st) {
    return st.dir() + "/x";
}

std::string xstore_dir(Store& st, int64_t eid) {
    return xstore_root(st) + "/" + std::to_string(eid);
}

bool prepare_view_dir(const ViewRec& view) {
    std::string d = view_dir(view.tag);
    if (!mkdir_p(d, 0755)) return false;
    std::string link = d + "/view";
    if (!path_exists(link)) {
        if (::symlink(view_root().c_str(), link.c_str()) != 0) return false;
    }
    return true;
}

void remove_view_dir(const std::string& tag) {
    if (tag.empty() || tag.find('/') != std::string::npos || tag == "." || tag == "..") return;
    remove_tree(view_dir(tag));
}

void rebuild_view(Store& st, const ViewRec& view) {
    prepare_view_dir(view);
    Refresher r(st, view);
    std::set<std::string> live;
    for (auto& vob : st.vobs()) {
        live.insert(vob.tag);
        if (vob.root_eid) r.sync_vob_root(vob, true);
    }
    // Roots of VOBs that are gone.
    Stmt s(st.db(), "SELECT path FROM mat WHERE view_id=? AND parent=''");
    s.bind(1, view.id);
    std::vector<std::string> gone;
    while (s.step())
        if (!live.count(s.text(0))) gone.push_back(s.text(0));
    for (auto& g : gone) r.drop(g);
}

void refresh_views(Store& st) {
    bool all = st.all_touched();
    std::set<int64_t> touched = st.touched();
    st.clear_touched();
    for (int64_t eid : touched) rebuild_xstore(st, eid);
    // The directories naming a touched element are re-examined too: an
    // element a view did not show (no rule selected it) may have become
    // visible, e.g. through a new label.
    // Only the entries naming the touched element are looked at in such a
    // directory that is not touched itself, so that a change to one element
    // costs the same whatever the size of the directories holding it.
    std::map<int64_t, std::set<int64_t>> namers;  // untouched directory -> touched elements it names
    if (!all)
        for (int64_t eid : touched) {
            Stmt p(st.db(),
                   "SELECT DISTINCT v.eid FROM dirents d JOIN versions v ON v.id=d.version_id WHERE d.eid=?1 "
                   "UNION SELECT c.eid FROM co_dirents d JOIN checkouts c ON c.id=d.co_id WHERE d.eid=?1");
            p.bind(1, eid);
            while (p.step())
                if (!touched.count(p.i64(0))) namers[p.i64(0)].insert(eid);
        }
    st.db().exec("BEGIN");
    for (auto& view : st.views()) {
        if (all) {
            rebuild_view(st, view);
            continue;
        }
        Refresher r(st, view);
        for (int64_t eid : touched) {
            std::vector<std::pair<std::string, std::string>> rows;
            Stmt s(st.db(), "SELECT path,parent FROM mat WHERE eid=? AND view_id=?");
            s.bind(1, eid).bind(2, view.id);
            while (s.step()) rows.emplace_back(s.text(0), s.text(1));
            for (auto& [p, parent] : rows) r.sync(p, parent, eid, false);
        }
        for (const auto& [dir, eids] : namers) {
            std::vector<std::pair<std::string, std::string>> rows;
            Stmt s(st.db(), "SELECT path,sel FROM mat WHERE eid=? AND view_id=?");
            s.bind(1, dir).bind(2, view.id);
            while (s.step()) rows.emplace_back(s.text(0), s.text(1));
            for (auto& [p, sel] : rows)
                for (int64_t eid : eids) r.sync_entries_naming(p, sel, eid);
        }
    }
    st.db().exec("COMMIT");
}

}  // namespace ccsub

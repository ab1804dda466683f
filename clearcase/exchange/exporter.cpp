#include "clearcase/exchange/exporter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "clearcase/exchange/export_data.h"
#include "clearcase/exchange/view_context.h"
#include "clearcase/fmt/datetime.h"
#include "clearcase/fmt/object_text.h"
#include "clearcase/store/store.h"
#include "clearcase/util/sys.h"

namespace ccx {

bool parse_export_args(const std::vector<std::string>& args, ExportOptions& opts, std::string& err) {
    const std::string usage = "Usage: clearexport_ccase [-r] [-s date-time] -o datafile [source-name ...]";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-r" || a == "-recurse") {
            opts.recursive = true;
        } else if (a == "-s" || a == "-since") {
            if (++i >= args.size()) {
                err = "Option \"" + a + "\" needs a date-time.\n" + usage;
                return false;
            }
            auto t = ccsub::parse_cc_datetime(args[i]);
            if (!t) {
                err = "Bad date-time \"" + args[i] + "\".";
                return false;
            }
            opts.since = *t;
        } else if (a == "-o" || a == "-output") {
            if (++i >= args.size()) {
                err = "Option \"-o\" needs a file name.\n" + usage;
                return false;
            }
            opts.output = args[i];
        } else if (a == "--") {
            for (++i; i < args.size(); ++i) opts.sources.push_back(args[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            err = "Unrecognized option \"" + a + "\".\n" + usage;
            return false;
        } else {
            opts.sources.push_back(a);
        }
    }
    if (opts.output.empty()) {
        err = "No data file named (-o).\n" + usage;
        return false;
    }
    return true;
}

namespace {

// One path the view shows below the export directory.
struct Row {
    std::string path;  // VOB-tag-rooted
    int64_t eid = 0;
    std::string kind;  // elements.kind
    int64_t created = 0;
    std::string sort_key;
};

// Key that sorts a directory before everything beneath it and keeps a
// subtree together ("a", "a/b", "a-c"; plain byte order would put "a-c"
// between "a" and "a/b").
std::string tree_sort_key(const std::string& path) {
    std::string k = path;
    std::replace(k.begin(), k.end(), '/', '\x01');
    return k;
}

// Writes the output through a temporary file created exclusively in the
// same directory and renames it into place only when everything was written:
// a file or link planted at either name is never written through.
class AtomicOutput {
public:
    explicit AtomicOutput(std::string path) : path_(std::move(path)) {}
    ~AtomicOutput() {
        if (f_) std::fclose(f_);
        if (!committed_ && !tmp_.empty()) std::remove(tmp_.c_str());
    }
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    bool open(std::string& err) {
        const int fd = ccsub::create_temp_beside(path_, tmp_);
        if (fd < 0) {
            err = "Unable to create a temporary file beside \"" + path_ + "\": " + std::strerror(errno);
            return false;
        }
        // The data file gets the mode a plain creation would give it.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        f_ = ::fdopen(fd, "w");
        if (!f_) {
            err = "Unable to write \"" + tmp_ + "\": " + std::strerror(errno);
            ::close(fd);
        }
        return f_ != nullptr;
    }
    std::FILE* file() { return f_; }
    bool commit(std::string& err) {
        const bool ok = std::fflush(f_) == 0 && !std::ferror(f_);
        const int rc = std::fclose(f_);
        f_ = nullptr;
        if (!ok || rc != 0) {
            err = "Unable to write \"" + tmp_ + "\": " + std::strerror(errno);
            return false;
        }
        if (std::rename(tmp_.c_str(), path_.c_str()) != 0) {
            err = "Unable to rename \"" + tmp_ + "\" to \"" + path_ + "\": " + std::strerror(errno);
            return false;
        }
        committed_ = true;
        return true;
    }

private:
    std::string path_, tmp_;
    std::FILE* f_ = nullptr;
    bool committed_ = false;
};

bool flush_buffer(std::string& buf, std::FILE* f) {
    if (!buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f) != buf.size()) return false;
    buf.clear();
    return true;
}

class Exporter {
public:
    Exporter(ccsub::Store& store, const ccsub::VobRec& vob, const ccsub::ViewRec& view, const ExportOptions& opts,
             ExportStats& stats)
        : st_(store), db_(store.db()), vob_(vob), view_(view), opts_(opts), stats_(stats) {}

    bool run(const ViewContext& ctx, std::string& err);

private:
    bool collect_rows(const ViewContext& ctx, std::vector<Row>& rows, std::string& err);
    bool load_row(const std::string& path, Row& row);
    void load_types();
    bool selected(int64_t created) const { return !opts_.since || created >= *opts_.since; }
    void flush_pending_dirs();
    void export_link(const Row& row, const std::string& rel);
    bool export_file(const Row& row, const std::string& rel);
    void use_type(int64_t type_id) { used_types_.insert(type_id); }
    bool write_body_chunk();

    ccsub::Store& st_;
    ccsub::Db& db_;
    const ccsub::VobRec& vob_;
    const ccsub::ViewRec& view_;
    const ExportOptions& opts_;
    ExportStats& stats_;

    std::unordered_map<int64_t, ccsub::TypeRec> types_;
    int64_t merge_type_ = 0;
    std::set<int64_t> used_types_;
    std::vector<std::string> pending_dirs_;  // ancestors not yet written (with -s)
    std::string body_;
    std::FILE* body_file_ = nullptr;
    bool body_failed_ = false;
};

void Exporter::load_types() {
    ccsub::Stmt s(db_,
                  "SELECT id,kind,name,scope,pbranch,vp,vtype,default_value,supertype,predefined "
                  "FROM types WHERE vob_id=?");
    s.bind(1, vob_.id);
    while (s.step()) {
        ccsub::TypeRec t;
        t.id = s.i64(0), t.kind = s.text(1), t.name = s.text(2), t.scope = s.text(3);
        t.pbranch = s.i64(4) != 0, t.vp = s.text(5), t.vtype = s.text(6);
        t.has_default = !s.is_null(7), t.default_value = s.text(7), t.supertype = s.text(8);
        t.predefined = s.i64(9) != 0;
        if (t.kind == "hltype" && t.name == "Merge") merge_type_ = t.id;
        types_.emplace(t.id, std::move(t));
    }
}

bool Exporter::load_row(const std::string& path, Row& row) {
    ccsub::Stmt s(db_,
                  "SELECT m.eid, e.kind, e.created FROM mat m JOIN elements e ON e.id=m.eid "
                  "WHERE m.view_id=? AND m.path=?");
    s.bind(1, view_.id).bind(2, path);
    if (!s.step()) return false;
    row.path = path;
    row.eid = s.i64(0);
    row.kind = s.text(1);
    row.created = s.i64(2);
    row.sort_key = tree_sort_key(path);
    return true;
}

bool Exporter::collect_rows(const ViewContext& ctx, std::vector<Row>& rows, std::string& err) {
    Row top;
    if (!load_row(ctx.dir, top)) {
        err = "Not a VOB directory in view \"" + view_.tag + "\": \"" + ctx.dir + "\"";
        return false;
    }
    if (top.kind != "directory") {
        err = "Not a directory: \"" + ctx.dir + "\"";
        return false;
    }
    rows.push_back(top);
    if (opts_.recursive) {
        // Everything the view shows below the directory (range scan on the key).
        const std::string lo = ctx.dir == "/" ? "/" : ctx.dir + "/";
        const std::string hi = ctx.dir == "/" ? "0" : ctx.dir + "0";  // '0' follows '/'
        ccsub::Stmt s(db_,
                      "SELECT m.path, m.eid, e.kind, e.created FROM mat m JOIN elements e ON e.id=m.eid "
                      "WHERE m.view_id=? AND m.path>=? AND m.path<?");
        s.bind(1, view_.id).bind(2, lo).bind(3, hi);
        while (s.step()) {
            Row r;
            r.path = s.text(0);
            if (r.path.find("@@") != std::string::npos) continue;
            r.eid = s.i64(1);
            r.kind = s.text(2);
            r.created = s.i64(3);
            r.sort_key = tree_sort_key(r.path);
            rows.push_back(std::move(r));
        }
    }
    for (const auto& src : opts_.sources) {
        const std::string p = operand_to_vob_path(src, ctx, ccsub::view_root());
        Row r;
        if (relative_to(p, ctx.dir).empty() || p == ctx.dir) {
            err = "Source \"" + src + "\" is not below the current directory";
            return false;
        }
        if (!load_row(p, r)) {
            err = "Not a VOB object in view \"" + view_.tag + "\": \"" + src + "\"";
            return false;
        }
        rows.push_back(std::move(r));
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.sort_key < b.sort_key; });
    rows.erase(std::unique(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.path == b.path; }),
               rows.end());
    return true;
}

bool Exporter::write_body_chunk() {
    if (body_.size() < (1u << 20)) return true;
    if (!flush_buffer(body_, body_file_)) body_failed_ = true;
    return !body_failed_;
}

void Exporter::flush_pending_dirs() {
    for (const auto& d : pending_dirs_) {
        write_dir(body_, ExportDir{d, {}});
        ++stats_.directories;
    }
    pending_dirs_.clear();
}

void Exporter::export_link(const Row& row, const std::string& rel) {
    if (!selected(row.created)) return;
    auto e = st_.element(row.eid);
    if (!e) return;
    flush_pending_dirs();
    ExportElement link;
    link.name = rel;
    link.el_type = std::string(ExportElement::kSymlinkType);
    link.target_name = e->slink_text;
    write_element(body_, link);
    ++stats_.links;
}

bool Exporter::export_file(const Row& row, const std::string& rel) {
    auto e = st_.element(row.eid);
    if (!e) return true;

    // Branches: id -> (path, type id); paths built from the parents.
    struct Br {
        int64_t brtype = 0, parent = 0, origin = 0;
        std::string path;
    };
    std::map<int64_t, Br> branches;
    {
        ccsub::Stmt s(db_,
                      "SELECT id, brtype_id, coalesce(parent_id,0), coalesce(origin_vid,0) FROM branches WHERE eid=?");
        s.bind(1, row.eid);
        while (s.step()) branches[s.i64(0)] = Br{s.i64(1), s.i64(2), s.i64(3), {}};
    }
    auto type_name = [this](int64_t id) -> std::string {
        auto it = types_.find(id);
        return it == types_.end() ? std::string() : it->second.name;
    };
    std::function<const std::string&(int64_t, int)> path_of = [&](int64_t id, int depth) -> const std::string& {
        static const std::string none;
        auto it = branches.find(id);
        if (it == branches.end() || depth > 64) return none;
        if (it->second.path.empty()) {
            const std::string parent = it->second.parent ? path_of(it->second.parent, depth + 1) : std::string();
            it->second.path = parent + "/" + type_name(it->second.brtype);
        }
        return it->second.path;
    };

    struct Ver {
        int64_t id = 0, branch = 0, num = 0, created = 0;
        std::string comment;
    };
    std::vector<Ver> versions;
    std::unordered_map<int64_t, std::string> vid_of;
    {
        ccsub::Stmt s(db_,
                      "SELECT id, branch_id, num, created, comment FROM versions WHERE eid=? ORDER BY created, id");
        s.bind(1, row.eid);
        while (s.step()) {
            Ver v{s.i64(0), s.i64(1), s.i64(2), s.i64(3), s.text(4)};
            vid_of[v.id] = path_of(v.branch, 0) + "/" + std::to_string(v.num);
            versions.push_back(std::move(v));
        }
    }
    std::vector<const Ver*> chosen;
    std::set<int64_t> chosen_ids;
    for (const auto& v : versions)
        if (selected(v.created)) {
            chosen.push_back(&v);
            chosen_ids.insert(v.id);
        }
    if (chosen.empty()) return true;

    std::unordered_map<int64_t, std::vector<std::string>> labels;  // version -> lbtype names
    {
        ccsub::Stmt s(db_, "SELECT version_id, lbtype_id FROM labels WHERE eid=?");
        s.bind(1, row.eid);
        while (s.step()) {
            if (!chosen_ids.count(s.i64(0))) continue;
            use_type(s.i64(1));
            labels[s.i64(0)].push_back(type_name(s.i64(1)));
        }
    }
    // Version attributes only: element and branch attributes travel as history
    // records of the replication system, which applies its attribute filters
    // to them; lines it does not know would bypass those filters.
    std::unordered_map<int64_t, std::vector<ExportAttribute>> version_attrs;
    {
        ccsub::Stmt s(db_, "SELECT obj_id, attype_id, value FROM attrs WHERE eid=? AND obj_kind='version'");
        s.bind(1, row.eid);
        while (s.step()) {
            const int64_t obj = s.i64(0);
            if (!chosen_ids.count(obj)) continue;
            use_type(s.i64(1));
            version_attrs[obj].push_back({type_name(s.i64(1)), s.text(2)});
        }
    }
    std::unordered_map<int64_t, std::vector<std::string>> merges_in, merges_out;
    if (merge_type_) {
        ccsub::Stmt s(db_, "SELECT from_vid, to_vid FROM hlinks WHERE eid=? AND hltype_id=? ORDER BY id");
        s.bind(1, row.eid).bind(2, merge_type_);
        while (s.step()) {
            const int64_t from = s.i64(0), to = s.i64(1);
            if (!vid_of.count(from) || !vid_of.count(to)) continue;  // other elements, checkouts
            if (chosen_ids.count(to))
                merges_in[to].push_back(vid_of[from]);
            else if (chosen_ids.count(from))
                merges_out[from].push_back(vid_of[to]);
        }
    }

    flush_pending_dirs();
    ExportElement out;
    out.name = rel;
    out.el_type = type_name(e->eltype_id);
    if (out.el_type.empty()) out.el_type = "file";
    if (auto it = types_.find(e->eltype_id);
        it != types_.end() && !it->second.predefined && !it->second.supertype.empty())
        out.extras.push_back({std::string(kTagSuperType), it->second.supertype});
    out.extras.push_back({"Owner", e->owner});
    out.extras.push_back({"Group", e->grp});
    out.extras.push_back({"Permissions", ccsub::permission_string(static_cast<unsigned>(e->perms))});

    for (const Ver* v : chosen) {
        ExportVersion ev;
        ev.version_id = vid_of[v->id];
        const Br& br = branches[v->branch];
        use_type(br.brtype);
        ev.on_branch = type_name(br.brtype);
        for (const auto& [bid, b] : branches)
            if (b.origin == v->id) {
                use_type(b.brtype);
                ev.sub_branches.push_back(type_name(b.brtype));
            }
        if (v->num == 0 && br.parent != 0 && vid_of.count(br.origin)) ev.branch_from = vid_of[br.origin];
        if (auto it = merges_in.find(v->id); it != merges_in.end()) ev.merges_from = it->second;
        if (auto it = merges_out.find(v->id); it != merges_out.end()) ev.merges_to = it->second;
        if (auto it = labels.find(v->id); it != labels.end()) {
            ev.labels = it->second;
            std::sort(ev.labels.begin(), ev.labels.end());
        }
        if (auto it = version_attrs.find(v->id); it != version_attrs.end()) ev.attributes = it->second;
        // Single-line comments only: a continuation line could be taken for a
        // tag by the line-oriented readers of the replication system.
        if (!v->comment.empty() && v->comment.find('\n') == std::string::npos)
            ev.extras.push_back({"Comment", v->comment});
        ev.extract_file = rel + "@@" + ev.version_id;
        out.versions.push_back(std::move(ev));
    }
    stats_.versions += static_cast<long>(out.versions.size());
    ++stats_.elements;
    write_element(body_, out);
    return true;
}

bool Exporter::run(const ViewContext& ctx, std::string& err) {
    load_types();
    std::vector<Row> rows;
    if (!collect_rows(ctx, rows, err)) return false;

    body_file_ = std::tmpfile();
    if (!body_file_) {
        err = std::string("Unable to create a temporary file: ") + std::strerror(errno);
        return false;
    }
    struct Closer {
        std::FILE*& f;
        ~Closer() {
            if (f) std::fclose(f);
        }
    } closer{body_file_};

    for (const Row& row : rows) {
        const std::string rel = relative_to(row.path, ctx.dir);
        // Drop pending directories that are not ancestors of this row.
        while (!pending_dirs_.empty() && pending_dirs_.back() != "." && relative_to(rel, pending_dirs_.back()).empty())
            pending_dirs_.pop_back();
        if (row.kind == "directory") {
            if (rel == "." || selected(row.created)) {
                pending_dirs_.push_back(rel);
                flush_pending_dirs();
            } else {
                pending_dirs_.push_back(rel);
            }
        } else if (row.kind == "slink") {
            export_link(row, rel);
        } else {
            if (!export_file(row, rel)) {
                err = "Unable to export \"" + row.path + "\"";
                return false;
            }
        }
        if (!write_body_chunk()) break;
    }
    if (body_failed_ || !flush_buffer(body_, body_file_) || std::fflush(body_file_) != 0) {
        err = std::string("Unable to write a temporary file: ") + std::strerror(errno);
        return false;
    }

    AtomicOutput out(opts_.output);
    if (!out.open(err)) return false;
    std::string head;
    write_header(head, ctx.dir);
    // Type blocks first, ordered by kind then name for a stable file.
    std::vector<const ccsub::TypeRec*> used;
    for (int64_t id : used_types_)
        if (auto it = types_.find(id); it != types_.end()) used.push_back(&it->second);
    std::sort(used.begin(), used.end(), [](const ccsub::TypeRec* a, const ccsub::TypeRec* b) {
        return std::tie(a->kind, a->name) < std::tie(b->kind, b->name);
    });
    for (const auto* t : used) {
        ExportType et;
        et.kind = t->kind == "brtype" ? TypeKind::branch : t->kind == "lbtype" ? TypeKind::label : TypeKind::attribute;
        et.name = t->name;
        et.extras.push_back({std::string(kTagScope), t->scope.empty() ? "ordinary" : t->scope});
        if (t->pbranch) et.extras.push_back({std::string(kTagConstraint), "pbranch"});
        if (!t->vp.empty()) et.extras.push_back({std::string(kTagConstraint), "vp" + t->vp});
        if (!t->vtype.empty()) et.extras.push_back({std::string(kTagValueType), t->vtype});
        if (t->has_default && !t->default_value.empty())
            et.extras.push_back({std::string(kTagDefault), t->default_value});
        write_type(head, et);
    }
    if (!flush_buffer(head, out.file())) {
        err = std::string("Unable to write \"") + opts_.output + "\": " + std::strerror(errno);
        return false;
    }
    std::rewind(body_file_);
    std::vector<char> chunk(1 << 16);
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), body_file_)) > 0)
        if (std::fwrite(chunk.data(), 1, n, out.file()) != n) {
            err = std::string("Unable to write \"") + opts_.output + "\": " + std::strerror(errno);
            return false;
        }
    if (std::ferror(body_file_)) {
        err = "Unable to read back a temporary file";
        return false;
    }
    return out.commit(err);
}

}  // namespace

bool run_export(const ExportOptions& opts, ExportStats& stats, std::string& err) {
    // A stale data file from an earlier run must never pass for this run's.
    std::remove(opts.output.c_str());

    ViewContext ctx;
    if (!current_view_context(ctx, err)) return false;
    ccsub::Store store;
    if (!store.open(false)) {
        err = store.error();
        return false;
    }
    auto view = store.view_by_tag(ctx.view_tag);
    if (!view) {
        err = "No such view: \"" + ctx.view_tag + "\"";
        return false;
    }
    auto vob = store.vob_for_path(ctx.dir);
    if (!vob) {
        err = "Not a VOB directory: \"" + ctx.dir + "\"";
        return false;
    }
    Exporter ex(store, *vob, *view, opts, stats);
    return ex.run(ctx, err);
}

}  // namespace ccx

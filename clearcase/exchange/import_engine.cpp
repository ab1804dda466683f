#include "clearcase/exchange/import_engine.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "clearcase/store/type_names.h"

namespace ccx {

bool parse_import_args(const std::vector<std::string>& args, ImportOptions& opts, std::string& err) {
    const std::string usage =
        "Usage: clearimport [-v] [-i] [-n] [-master] [-d dir] [-c comment | -nc] [-nolab] datafile";
    std::vector<std::string> operands;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                err = "Option \"" + a + "\" needs a value.\n" + usage;
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "-c" || a == "-comment") {
            if (!value(opts.comment)) return false;
            opts.has_comment = true;
        } else if (a == "-nc" || a == "-ncomment") {
            opts.comment.clear();
            opts.has_comment = true;
        } else if (a == "-d" || a == "-directory") {
            if (!value(opts.target_dir)) return false;
        } else if (a == "-nolab" || a == "-nolabel") {
            opts.nolab = true;
        } else if (a == "-master") {
            opts.master = true;
        } else if (a == "-i" || a == "-identical") {
            // A flag; "-i <file>" still works because the file is the last operand.
            opts.identical = true;
        } else if (a == "-v" || a == "-verbose") {
            opts.verbose = true;
        } else if (a == "-n" || a == "-no") {
            opts.no_op = true;
        } else if (a == "--") {
            operands.insert(operands.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            err = "Unrecognized option \"" + a + "\".\n" + usage;
            return false;
        } else {
            operands.push_back(a);
        }
    }
    if (operands.empty()) {
        err = "No data file named.\n" + usage;
        return false;
    }
    if (operands.size() > 1) {
        err = "Only one data file may be named.\n" + usage;
        return false;
    }
    opts.datafile = operands.back();
    return true;
}

bool safe_relative_name(const std::string& rel) {
    if (rel.empty()) return false;
    if (rel == ".") return true;
    if (rel.front() == '/' || rel.find("@@") != std::string::npos) return false;
    size_t start = 0;
    while (start <= rel.size()) {
        const size_t slash = rel.find('/', start);
        const std::string part = rel.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return true;
}

namespace {

std::string parent_of(const std::string& rel) {
    const size_t slash = rel.rfind('/');
    return slash == std::string::npos ? "." : rel.substr(0, slash);
}

}  // namespace

void ImportEngine::error_line(const std::string& text) {
    std::fprintf(err_, "clearimport: Error: %s\n", text.c_str());
}

void ImportEngine::trouble(const std::string& rel, const std::string& vid, const std::string& why) {
    std::fprintf(err_, "clearimport: Error: Trouble importing element \"%s\" version \"%s\": %s.\n", rel.c_str(),
                 vid.c_str(), why.c_str());
    if (std::find(trouble_elements_.begin(), trouble_elements_.end(), rel) == trouble_elements_.end())
        trouble_elements_.push_back(rel);
}

std::string ImportEngine::comment_for(const std::vector<ValueLine>& extras) const {
    if (opts_.has_comment) return opts_.comment;
    return extra_value(extras, "Comment");
}

bool ImportEngine::data_file_path(const std::string& extract, std::string& path, std::string& why) const {
    if (extract.empty()) {
        why = "no data file named";
        return false;
    }
    // The data file must lie inside the directory the stream names: a name
    // climbing out of it would import an arbitrary file of this host.
    std::string rel = extract;
    const size_t at = rel.find("@@");
    const std::string base = at == std::string::npos ? rel : rel.substr(0, at);
    const bool plain_ok = safe_relative_name(base) && base != ".";
    const std::string ext = at == std::string::npos ? std::string() : rel.substr(at + 2);
    if (!plain_ok || ext.find("/../") != std::string::npos || ext.find("/./") != std::string::npos ||
        (ext.size() >= 3 && ext.compare(ext.size() - 3, 3, "/..") == 0)) {
        why = "data file \"" + extract + "\" lies outside the export directory";
        return false;
    }
    path = data_dir_.empty() ? rel : data_dir_ + "/" + rel;
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0 || !S_ISREG(sb.st_mode)) {
        why = "data file \"" + path + "\" not found";
        return false;
    }
    // Nor may a link on the way lead out of it (except into the version
    // store, where "name@@" links lead).
    std::vector<std::string> roots = store_dirs_;
    roots.push_back(data_dir_);
    if (!data_file_within(path, roots)) {
        why = "data file \"" + extract + "\" lies outside the export directory";
        return false;
    }
    return true;
}

void ImportEngine::import_type(const ExportType& type) {
    if (!ccsub::valid_type_name(type.name)) {
        error_line(ccsub::invalid_type_name_message(type.name));
        other_trouble_ = true;
        return;
    }
    std::string why;
    if (!target_.ensure_type(type, why)) {
        const char* kind = type.kind == TypeKind::branch  ? "branch"
                           : type.kind == TypeKind::label ? "label"
                                                          : "attribute";
        error_line(std::string("Unable to create ") + kind + " type \"" + type.name + "\": " + why + ".");
        other_trouble_ = true;
    }
}

bool ImportEngine::ensure_dir(const std::string& rel, std::string& why) {
    const ObjectKind kind = target_.lookup(rel);
    if (kind == ObjectKind::directory) return true;
    if (kind != ObjectKind::none) {
        why = "\"" + rel + "\" exists and is not a directory";
        return false;
    }
    if (rel == ".") {
        why = "the target directory is not a VOB directory";
        return false;
    }
    if (!ensure_dir(parent_of(rel), why)) return false;
    const std::string comment = opts_.has_comment ? opts_.comment : std::string();
    if (!target_.make_directory(rel, comment, why)) return false;
    ++counts_.directories;
    std::fprintf(out_, "Created directory element \"%s\".\n", rel.c_str());
    return true;
}

void ImportEngine::import_dir(const ExportDir& dir) {
    std::string why;
    if (!safe_relative_name(dir.name)) {
        error_line("Trouble importing directory \"" + dir.name + "\": unsafe name.");
        trouble_elements_.push_back(dir.name);
        return;
    }
    if (!ensure_dir(dir.name, why)) {
        error_line("Trouble importing directory \"" + dir.name + "\": " + why + ".");
        if (std::find(trouble_elements_.begin(), trouble_elements_.end(), dir.name) == trouble_elements_.end())
            trouble_elements_.push_back(dir.name);
    }
}

void ImportEngine::import_element(const ExportElement& element) {
    if (!safe_relative_name(element.name) || element.name == ".") {
        trouble(element.name, element.versions.empty() ? "" : element.versions.front().version_id,
                "unsafe element name");
        return;
    }
    if (element.is_symlink())
        import_link(element);
    else if (element.el_type == "directory")
        import_dir(ExportDir{element.name, {}});  // never a file of that type
    else
        import_file(element);
}

void ImportEngine::import_link(const ExportElement& element) {
    const ObjectKind kind = target_.lookup(element.name);
    if (kind != ObjectKind::none) return;  // an existing link (or name) is left alone
    std::string why;
    if (element.target_name.empty())
        why = "symbolic link without a target";
    else if (ensure_dir(parent_of(element.name), why) &&
             target_.make_symlink(element.name, element.target_name, comment_for(element.extras), why)) {
        ++counts_.links;
        std::fprintf(out_, "Created symbolic link \"%s\" -> %s\n", element.name.c_str(), element.target_name.c_str());
        return;
    }
    trouble(element.name, "", why);
}

void ImportEngine::import_file(const ExportElement& element) {
    const std::string& rel = element.name;
    const std::string first_vid = element.versions.empty() ? "" : element.versions.front().version_id;
    std::string why;
    const ObjectKind kind = target_.lookup(rel);
    if (kind == ObjectKind::directory || kind == ObjectKind::symlink) {
        trouble(rel, first_vid, "a non-file object of that name exists");
        return;
    }
    if (kind == ObjectKind::none) {
        const std::string eltype = element.el_type.empty() ? "file" : element.el_type;
        const std::string super = extra_value(element.extras, kTagSuperType);
        if (!ensure_dir(parent_of(rel), why) || (!super.empty() && !target_.ensure_element_type(eltype, super, why)) ||
            !target_.make_file_element(rel, eltype, extra_value(element.extras, "Owner"),
                                       extra_value(element.extras, "Group"), extra_value(element.extras, "Permissions"),
                                       opts_.has_comment ? opts_.comment : std::string(), why)) {
            trouble(rel, first_vid, why);
            return;
        }
        ++counts_.elements;
        std::fprintf(out_, "Created element \"%s\" (type \"%s\").\n", rel.c_str(), eltype.c_str());
    }
    for (const auto& extra : element.extras) {
        if (extra.tag != "ElementAttrib") continue;
        const size_t eq = extra.value.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        if (!target_.set_attribute(rel, "", extra.value.substr(0, eq), extra.value.substr(eq + 1), why))
            trouble(rel, first_vid, why);
    }

    std::vector<std::pair<std::string, std::string>> origins;  // branch type -> vid it sprouts from
    std::vector<std::pair<std::string, std::string>> arrows;   // from vid -> to vid
    long created_before = counts_.versions_created, present_before = counts_.versions_present;
    for (const auto& v : element.versions) import_version(rel, v, origins, arrows);

    // Arrows last: either end may be created by a later block of the element.
    std::sort(arrows.begin(), arrows.end());
    arrows.erase(std::unique(arrows.begin(), arrows.end()), arrows.end());
    for (const auto& [from, to] : arrows) {
        if (!target_.version_exists(rel, from) || !target_.version_exists(rel, to)) {
            std::fprintf(err_,
                         "clearimport: Warning: Merge arrow \"%s\" -> \"%s\" of \"%s\" not created: version missing.\n",
                         from.c_str(), to.c_str(), rel.c_str());
            continue;
        }
        if (!target_.make_merge(rel, from, to, why)) trouble(rel, to, why);
    }
    std::fprintf(out_, "Element \"%s\": %ld version(s) created, %ld already present.\n", rel.c_str(),
                 counts_.versions_created - created_before, counts_.versions_present - present_before);
}

bool ImportEngine::import_version(const std::string& rel, const ExportVersion& v,
                                  std::vector<std::pair<std::string, std::string>>& origins,
                                  std::vector<std::pair<std::string, std::string>>& arrows) {
    const std::string& vid = v.version_id;
    if (vid.find("CHECKEDOUT") != std::string::npos) return false;  // never imported
    std::string branch;
    long number = 0;
    std::string why;
    if (!split_version_id(vid, branch, number)) {
        trouble(rel, vid, "not a version id");
        return false;
    }
    const std::string comment = comment_for(v.extras);

    if (target_.version_exists(rel, vid)) {
        ++counts_.versions_present;
    } else {
        if (!target_.branch_exists(rel, branch)) {
            const std::string parent = branch.substr(0, branch.rfind('/'));
            const std::string brtype(branch_type_of(branch));
            std::string origin = v.branch_from;
            if (origin.empty())
                for (auto it = origins.rbegin(); it != origins.rend(); ++it)
                    if (it->first == brtype) {
                        origin = it->second;
                        break;
                    }
            if (parent.empty() || !target_.branch_exists(rel, parent)) {
                trouble(rel, vid, "parent branch \"" + parent + "\" does not exist");
                return false;
            }
            if (origin.empty()) {
                auto latest = target_.latest_number(rel, parent);
                if (!latest) {
                    trouble(rel, vid, "parent branch \"" + parent + "\" has no version");
                    return false;
                }
                origin = parent + "/" + std::to_string(*latest);
            }
            std::string origin_branch;
            long origin_number = 0;
            if (!split_version_id(origin, origin_branch, origin_number) || origin_branch != parent) {
                trouble(rel, vid, "branch origin \"" + origin + "\" is not on the parent branch");
                return false;
            }
            if (!target_.version_exists(rel, origin)) {
                trouble(rel, vid, "branch origin \"" + origin + "\" does not exist");
                return false;
            }
            if (!target_.ensure_type(ExportType{TypeKind::branch, brtype, {}}, why) ||
                !target_.make_branch(rel, branch, origin, comment, why)) {
                trouble(rel, vid, why);
                return false;
            }
            if (opts_.verbose) std::fprintf(out_, "Created branch \"%s@@%s\".\n", rel.c_str(), branch.c_str());
        }
        if (number == 0) {
            // Version 0 comes with its branch (or element) and is always empty.
            if (!target_.version_exists(rel, vid)) {
                trouble(rel, vid, "version 0 is missing on an existing branch");
                return false;
            }
        } else {
            auto latest = target_.latest_number(rel, branch);
            if (latest && number <= *latest) {
                trouble(rel, vid,
                        "version number " + std::to_string(number) + " is not above the latest version " +
                            std::to_string(*latest) + " of the branch");
                return false;
            }
            std::string data;
            if (!data_file_path(v.extract_file, data, why) ||
                !target_.make_version(rel, branch, number, data, comment, why)) {
                trouble(rel, vid, why);
                return false;
            }
        }
        ++counts_.versions_created;
        if (opts_.verbose) std::fprintf(out_, "Created version \"%s@@%s\".\n", rel.c_str(), vid.c_str());
    }

    for (const auto& sb : v.sub_branches) origins.emplace_back(sb, vid);
    for (const auto& label : v.labels)
        if (!target_.set_label(rel, vid, label, why)) trouble(rel, vid, why);
    for (const auto& a : v.attributes)
        if (!target_.set_attribute(rel, vid, a.name, a.value, why)) trouble(rel, vid, why);
    for (const auto& extra : v.extras) {
        if (extra.tag != "BranchAttrib") continue;
        const size_t eq = extra.value.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        if (!target_.set_attribute(rel, branch, extra.value.substr(0, eq), extra.value.substr(eq + 1), why))
            trouble(rel, vid, why);
    }
    for (const auto& m : v.merges_from)
        if (m.find("CHECKEDOUT") == std::string::npos) arrows.emplace_back(m, vid);
    for (const auto& m : v.merges_to)
        if (m.find("CHECKEDOUT") == std::string::npos) arrows.emplace_back(vid, m);
    return true;
}

int ImportEngine::run(std::FILE* data, const DataDirRules& rules) {
    data_dir_ = resolved_path(rules.datafile_dir);
    store_dirs_.clear();
    for (const auto& d : rules.store_dirs) store_dirs_.push_back(resolved_path(d));
    ExportReader reader(data);
    ExportItem item;
    std::string refused;
    while (refused.empty() && reader.next(item)) {
        std::visit(
            [this, &rules, &refused](const auto& x) {
                using T = std::decay_t<decltype(x)>;
                if constexpr (std::is_same_v<T, ExportHeader>) {
                    std::string why;
                    if (!resolve_data_dir(x.export_from_dir, rules, data_dir_, why)) refused = why;
                } else if constexpr (std::is_same_v<T, ExportType>)
                    import_type(x);
                else if constexpr (std::is_same_v<T, ExportDir>)
                    import_dir(x);
                else
                    import_element(x);
            },
            item);
    }
    if (!refused.empty()) {
        // Nothing is committed: what ran before the refusal is rolled back.
        error_line(refused + ": nothing imported.");
        return kImportFatal;
    }
    for (const auto& d : reader.diagnostics())
        std::fprintf(err_, "clearimport: Warning: data file line %ld: %s.\n", d.line, d.text.c_str());
    if (reader.read_error()) {
        error_line("Unable to read the data file \"" + opts_.datafile + "\".");
        return kImportFatal;
    }
    std::string why;
    if (!target_.finish(why)) {
        error_line("Unable to check in directories: " + why + ".");
        other_trouble_ = true;
    }
    if (!target_.commit(why)) {
        error_line(why + ".");
        return kImportFatal;
    }
    if (!trouble_elements_.empty()) {
        std::fprintf(err_,
                     "Error: Trouble was encountered importing one or more versions for the following element(s):\n");
        for (const auto& rel : trouble_elements_) std::fprintf(err_, "    \"%s\"\n", rel.c_str());
    }
    std::fflush(err_);
    std::fprintf(out_, "Closing directories.\n");
    std::fflush(out_);
    return trouble_elements_.empty() && !other_trouble_ ? kImportOk : kImportTrouble;
}

}  // namespace ccx

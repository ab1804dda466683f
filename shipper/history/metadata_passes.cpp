#include "shipper/history/metadata_passes.h"

#include <string_view>
#include <unordered_set>

#include "codecs/packet_elements.h"
#include "codecs/packet_format.h"
#include "common/log.h"
#include "common/text_format.h"
#include "common/text_ops.h"
#include "shipper/history/export_text.h"
#include "shipper/history/history_messages.h"
#include "shipper/history/metadata_selection.h"
#include "shipper/history/slink_list.h"

ReplicatedTypes REPLICATED_TYPES;

namespace {

// The words of one type kind in the export text.
struct TypeKindWords {
    char kind;
    std::string_view begin;     // "BRTYPE_BEGIN"
    std::string_view prefix;    // "BRTYPE": the block ends at the next line beginning so
    std::string_view name_tag;  // "BrType "
};
constexpr TypeKindWords BRANCH_WORDS{'B', BRTYPE_BEGIN, "BRTYPE", TAG_BR_TYPE};
constexpr TypeKindWords LABEL_WORDS{'L', LBTYPE_BEGIN, "LBTYPE", TAG_LB_TYPE};
constexpr TypeKindWords ATTRIBUTE_WORDS{'A', ATTYPE_BEGIN, "ATTYPE", TAG_ATTR_TYPE};

const TypeKindWords* words_of(char kind) {
    switch (kind) {
        case 'B':
            return &BRANCH_WORDS;
        case 'L':
            return &LABEL_WORDS;
        case 'A':
            return &ATTRIBUTE_WORDS;
        default:
            return nullptr;
    }
}

// A type block read after its begin line: its name line and name, or, when
// the block has no name line or no end, every line as read.
struct TypeBlock {
    bool complete = false;
    std::string name_line;
    std::string name;
    std::string definition;  // the lines between the name line and the end
    std::string lines;       // the block as read, for an incomplete one
};

TypeBlock read_type_block(ExportReader& in, const TypeKindWords& w) {
    TypeBlock block;
    block.lines.append(w.begin).append("\n");
    std::string r;
    bool have_name = false;
    while (in.next(r)) {
        block.lines.append(r).append("\n");
        if (!have_name && r.starts_with(w.name_tag)) {
            have_name = true;
            block.name_line = r;
            block.name = std::string(tag_value(r, w.name_tag));
        } else if (have_name && r.starts_with(w.prefix)) {
            block.complete = true;
            break;
        } else if (have_name) {
            block.definition.append(r).append("\n");
        }
    }
    return block;
}

// Writes a type block as its name line and the lines that define the type,
// or drops it; an incomplete block is carried as it was read.
void write_type_block(ExportRewrite& out, const TypeKindWords& w, const TypeBlock& block, bool keep) {
    if (!block.complete)
        out.raw(block.lines);
    else if (keep)
        out.raw(format_type_block(w.kind, block.name_line, block.definition));
}

// Attribute lines: "Attrib N:name=value" (and the element and branch forms).
std::string_view attribute_name(std::string_view record) {
    for (std::string_view tag :
         {std::string_view("Attrib "), std::string_view("ElementAttrib "), std::string_view("BranchAttrib ")}) {
        if (!record.starts_with(tag)) continue;
        std::size_t colon = record.find(':', tag.size());
        if (colon == std::string_view::npos) return {};
        std::string_view v = record.substr(colon + 1);
        v = v.substr(0, v.find('='));
        if (v.size() > 1023) v = v.substr(0, 1023);
        return trim_trailing_blanks(v);
    }
    return {};
}

bool keeps_type_name(const PatternList& list, char kind, std::string_view name) {
    // Restricting branches never leaves out the main branch type.
    if (kind == 'B' && list.designator == DESIGNATOR_RESTRICT && name == "main") return true;
    return keeps_name(list, name);
}

// A merge value whose last component is a checkout ("/main/dev/CHECKEDOUT"):
// such an arrow cannot be made at another site.
bool names_checkout(std::string_view merge_line) {
    std::string_view value = trim_trailing_blanks(merge_line);
    const std::size_t slash = value.rfind('/');
    return slash != std::string_view::npos && value.substr(slash + 1).starts_with("CHECKEDOUT");
}

int pass_failure(const char* what, const std::string& path) {
    log_it('e', fmt_msg(history_msg::DEBUG_00, path.c_str(), what));
    return 0;
}

// Branches: the element being written is held back until its end, so that
// a dropped version, or an element whose every version is dropped, leaves
// nothing behind.
int exclude_branches(const std::string& export_path, ExportReader& in, ExportRewrite& out) {
    const PatternList& list = METADATA_SELECTION.BRANCHES;
    std::string element;  // the element block so far
    bool in_element = false;
    std::size_t version_mark = 0;
    int versions_seen = 0, versions_written = 0;
    auto emit = [&](std::string_view text) {
        if (in_element)
            element.append(text).append("\n");
        else
            out.line(text);
    };
    std::string r;
    while (in.next(r)) {
        if (r == BRTYPE_BEGIN) {
            TypeBlock block = read_type_block(in, BRANCH_WORDS);
            if (in_element) {
                out.raw(element);
                element.clear();
                in_element = false;
            }
            write_type_block(out, BRANCH_WORDS, block, keeps_type_name(list, 'B', block.name));
        } else if (r == ELEMENT_BEGIN) {
            if (in_element) out.raw(element);
            element.clear();
            in_element = true;
            versions_seen = versions_written = 0;
            emit(r);
        } else if (in_element && r == VERSION_BEGIN) {
            version_mark = element.size();
            ++versions_seen;
            emit(r);
        } else if (in_element && r.starts_with(TAG_VERSION_ID) &&
                   !version_path_passes(list, tag_value(r, TAG_VERSION_ID))) {
            element.resize(version_mark);
            while (in.next(r) && r != VERSION_END) {
            }
        } else if (in_element && r == VERSION_END) {
            ++versions_written;
            emit(r);
        } else if (in_element && r == ELEMENT_END) {
            // An element that had versions and lost them all goes.
            if (versions_seen == 0 || versions_written > 0) {
                emit(r);
                out.raw(element);
            }
            element.clear();
            in_element = false;
        } else if (r.starts_with(TAG_SUB_BRANCH)) {
            if (keeps_type_name(list, 'B', tag_value(r, TAG_SUB_BRANCH))) emit(r);
        } else {
            emit(r);
        }
    }
    if (in_element) out.raw(element);
    if (in.failed()) return pass_failure("opened", export_path);
    return out.commit();
}

int exclude_labels_or_attributes(const std::string& export_path, char kind, const PatternList& list, ExportReader& in,
                                 ExportRewrite& out) {
    const TypeKindWords& w = *words_of(kind);
    std::string r;
    while (in.next(r)) {
        if (r == w.begin) {
            TypeBlock block = read_type_block(in, w);
            write_type_block(out, w, block, keeps_name(list, block.name));
        } else if (kind == 'L' && r.starts_with(TAG_LABEL)) {
            if (keeps_name(list, tag_value(r, TAG_LABEL))) out.line(r);
        } else if (const std::string_view name = kind == 'A' ? attribute_name(r) : std::string_view(); !name.empty()) {
            if (keeps_name(list, name)) out.line(r);
        } else {
            out.line(r);
        }
    }
    if (in.failed()) return pass_failure("opened", export_path);
    return out.commit();
}

}  // namespace

std::string replicated_names_text(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) {
        if (!text.empty()) text += ',';
        text += n;
    }
    return text;
}

int manage_any_excluded_or_restricted_metadata(char kind, const std::string& export_path) {
    if (!words_of(kind)) return 0;
    const PatternList& list = kind == 'B'   ? METADATA_SELECTION.BRANCHES
                              : kind == 'L' ? METADATA_SELECTION.LABELS
                                            : METADATA_SELECTION.ATTRIBUTES;
    if (!selection_filters(list)) return 1;
    ExportReader in(export_path);
    if (!open_export_for_pass(export_path, in)) return 0;
    ExportRewrite out(export_path);
    if (!out.is_open()) return 0;
    return kind == 'B' ? exclude_branches(export_path, in, out)
                       : exclude_labels_or_attributes(export_path, kind, list, in, out);
}

int manage_any_merges_to_ignore(const std::string& export_path) {
    const PatternList& list = METADATA_SELECTION.BRANCHES;
    const char designator = list.designator;
    if (designator != DESIGNATOR_ALL && designator != DESIGNATOR_EXCLUDE && designator != DESIGNATOR_RESTRICT) {
        log_it('e', fmt_msg(history_msg::UNEXPECTED_CASE_XX, 2, "manage_any_merges_to_ignore_"));
        return 0;
    }
    ExportReader in(export_path);
    if (!open_export_for_pass(export_path, in)) return 0;
    ExportRewrite out(export_path);
    if (!out.is_open()) return 0;
    bool dropped = false;
    std::string r;
    while (in.next(r)) {
        const bool merge_line = (r.starts_with(TAG_MERGE) || r.starts_with(TAG_FMERGE)) &&
                                r.find(' ') == r.rfind(' ') && r.find(' ') != std::string::npos;
        if (!merge_line) {
            out.line(r);
            continue;
        }
        if (r.find(":CHECKEDOUT.") != std::string::npos || names_checkout(r)) {
            dropped = true;
            continue;
        }
        if (designator == DESIGNATOR_ALL) {
            out.line(r);
            continue;
        }
        const std::size_t blank = r.find(' ');
        const std::size_t colon = r.find(':');
        bool digits = colon != std::string::npos && colon > blank + 1;
        for (std::size_t i = blank + 1; digits && i < colon; ++i) digits = r[i] >= '0' && r[i] <= '9';
        if (!digits) {
            out.line(r);
            continue;
        }
        std::string_view value = trim_trailing_blanks(std::string_view(r).substr(colon + 1));
        const std::size_t slash = value.rfind('/');
        if (slash == std::string_view::npos || slash == 0) {
            log_it('e', fmt_msg(history_msg::UNEXPECTED_CASE_XX, 3, "manage_any_merges_to_ignore_"));
            return 0;
        }
        if (branch_path_passes(list, value.substr(0, slash)))
            out.line(r);
        else
            dropped = true;
    }
    if (in.failed()) return pass_failure("opened", export_path);
    if (!dropped) {
        out.discard();
        return 1;
    }
    return out.commit();
}

int manage_any_unused_metadata(char kind, const std::string& export_path) {
    const TypeKindWords* w = words_of(kind);
    if (!w) return 0;
    std::vector<std::string>& names = kind == 'B'   ? REPLICATED_TYPES.BRANCHES
                                      : kind == 'L' ? REPLICATED_TYPES.LABELS
                                                    : REPLICATED_TYPES.ATTRIBUTES;
    names.clear();
    // First reading: the names the export uses.
    std::unordered_set<std::string> used;
    {
        ExportReader in(export_path);
        if (!open_export_for_pass(export_path, in)) return 0;
        std::string r;
        while (in.next(r)) {
            if (kind == 'B') {
                if (r.starts_with(TAG_SUB_BRANCH)) used.emplace(tag_value(r, TAG_SUB_BRANCH));
                if (r.starts_with(TAG_ON_BRANCH)) used.emplace(tag_value(r, TAG_ON_BRANCH));
            } else if (kind == 'L') {
                if (r.starts_with(TAG_LABEL)) used.emplace(tag_value(r, TAG_LABEL));
            } else if (const std::string_view name = attribute_name(r); !name.empty()) {
                used.emplace(name);
            }
        }
        if (in.failed()) return pass_failure("opened", export_path);
    }
    // Second reading: the rewrite.
    ExportReader in(export_path);
    if (!open_export_for_pass(export_path, in)) return 0;
    ExportRewrite out(export_path);
    if (!out.is_open()) return 0;
    std::string r;
    while (in.next(r)) {
        if (r != w->begin) {
            out.line(r);
            continue;
        }
        TypeBlock block = read_type_block(in, *w);
        const bool keep = block.complete && used.count(block.name) != 0;
        if (keep) names.push_back(block.name);
        write_type_block(out, *w, block, keep);
    }
    if (in.failed()) return pass_failure("opened", export_path);
    if (!out.commit()) {
        names.clear();
        return 0;
    }
    return 1;
}

int manage_any_slinks(const std::string& export_path) {
    if (SLINKS.LIST.empty()) return 1;
    std::unordered_set<std::string_view> links;
    for (const SlinkEntry& e : SLINKS.LIST) links.insert(e.path);
    // A name is dropped when it is a link or lies below one.
    auto is_or_below_link = [&](std::string_view name) {
        if (links.count(name)) return true;
        for (std::size_t i = name.find('/'); i != std::string_view::npos; i = name.find('/', i + 1))
            if (links.count(name.substr(0, i))) return true;
        return false;
    };
    ExportReader in(export_path);
    if (!open_export_for_pass(export_path, in)) return 0;
    ExportRewrite out(export_path);
    if (!out.is_open()) return 0;
    std::string r, name_line;
    while (in.next(r)) {
        const bool element = r == ELEMENT_BEGIN;
        if (!element && r != DIR_BEGIN) {
            out.line(r);
            continue;
        }
        if (!in.next(name_line)) {
            out.line(r);
            break;
        }
        const std::size_t colon = name_line.find(':');
        const std::string_view value = colon == std::string::npos
                                           ? std::string_view()
                                           : trim_trailing_blanks(std::string_view(name_line).substr(colon + 1));
        if (!is_or_below_link(value)) {
            out.line(r);
            out.line(name_line);
            continue;
        }
        const std::string_view end = element ? ELEMENT_END : DIR_END;
        while (in.next(r) && r != end) {
        }
    }
    if (in.failed()) return pass_failure("opened", export_path);
    return out.commit();
}

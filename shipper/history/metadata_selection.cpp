#include "shipper/history/metadata_selection.h"

#include "common/cc_query.h"
#include "common/log.h"
#include "common/text_format.h"

MetadataSelection METADATA_SELECTION;

int read_pattern_field(std::string_view field, bool is_branch, PatternList& out, std::string& error) {
    out = PatternList{};
    if (field.empty()) return 1;
    std::string_view mark_e(MARK_EXCLUDE), mark_o(MARK_RESTRICT);
    char designator = 0;
    if (field.starts_with(mark_e)) {
        designator = DESIGNATOR_EXCLUDE;
        field.remove_prefix(mark_e.size());
    } else if (field.starts_with(mark_o)) {
        designator = DESIGNATOR_RESTRICT;
        field.remove_prefix(mark_o.size());
    } else {
        error = "field must begin with [E]: or [O]:";
        return 0;
    }
    PatternList list;
    list.designator = designator;
    while (!field.empty()) {
        std::size_t comma = field.find(',');
        std::string_view pattern = field.substr(0, comma);
        field = comma == std::string_view::npos ? std::string_view() : field.substr(comma + 1);
        if (pattern.empty() || pattern.size() > PATTERN_MAX) {
            error = "empty or over-long pattern";
            return 0;
        }
        if (list.patterns.size() == MAX_PATTERNS) {
            error = "more than 12 patterns";
            return 0;
        }
        if (is_branch && designator == DESIGNATOR_EXCLUDE && pattern == "main") {
            error = "the main branch cannot be excluded";
            return 0;
        }
        list.patterns.emplace_back(pattern);
    }
    // Restricting to no name at all would leave every name out while the
    // log says all are included: refuse it.
    if (designator == DESIGNATOR_RESTRICT && list.patterns.empty()) {
        error = "[O]: needs at least one pattern";
        return 0;
    }
    out = std::move(list);
    return 1;
}

int pattern_matches(std::string_view pattern, std::string_view name) {
    if (pattern == name || pattern == "*" || pattern == "**") return 1;
    const bool lead = !pattern.empty() && pattern.front() == '*';
    const bool trail = !pattern.empty() && pattern.back() == '*';
    if (lead && trail) return name.find(pattern.substr(1, pattern.size() - 2)) != std::string_view::npos;
    if (trail) return name.substr(0, pattern.size() - 1) == pattern.substr(0, pattern.size() - 1);
    if (lead) {
        std::string_view tail = pattern.substr(1);
        return name.size() >= tail.size() && name.substr(name.size() - tail.size()) == tail;
    }
    return 0;
}

int matches_any_pattern(const PatternList& list, std::string_view name) {
    for (const std::string& p : list.patterns)
        if (pattern_matches(p, name)) return 1;
    return 0;
}

bool keeps_name(const PatternList& list, std::string_view name) {
    switch (list.designator) {
        case DESIGNATOR_EXCLUDE:
            return !matches_any_pattern(list, name);
        case DESIGNATOR_RESTRICT:
            return matches_any_pattern(list, name) != 0;
        default:
            return true;
    }
}

bool selection_filters(const PatternList& list) {
    if (list.designator == DESIGNATOR_RESTRICT) return true;
    return list.designator == DESIGNATOR_EXCLUDE && !list.patterns.empty();
}

bool branch_path_passes(const PatternList& branches, std::string_view branch_path) {
    if (branches.designator != DESIGNATOR_EXCLUDE && branches.designator != DESIGNATOR_RESTRICT) return true;
    std::size_t at = branch_path.find("@@");
    if (at != std::string_view::npos) branch_path.remove_prefix(at + 2);
    // From the last branch back towards the first, stopping at "main".
    while (!branch_path.empty()) {
        std::size_t slash = branch_path.rfind('/');
        std::string_view name = slash == std::string_view::npos ? branch_path : branch_path.substr(slash + 1);
        branch_path = slash == std::string_view::npos ? std::string_view() : branch_path.substr(0, slash);
        if (name.empty()) continue;
        if (name == "main") break;
        const bool match = matches_any_pattern(branches, name) != 0;
        if (branches.designator == DESIGNATOR_EXCLUDE && match) return false;
        if (branches.designator == DESIGNATOR_RESTRICT && !match) return false;
    }
    return true;
}

bool version_path_passes(const PatternList& branches, std::string_view version_path) {
    std::size_t at = version_path.find("@@");
    if (at != std::string_view::npos) version_path.remove_prefix(at + 2);
    std::size_t slash = version_path.rfind('/');
    return branch_path_passes(branches,
                              slash == std::string_view::npos ? std::string_view() : version_path.substr(0, slash));
}

int does_it_match_restricted_excluded_branch_pattern(std::string_view name) {
    return matches_any_pattern(METADATA_SELECTION.BRANCHES, name);
}

int does_it_match_restricted_excluded_label_pattern(std::string_view name) {
    return matches_any_pattern(METADATA_SELECTION.LABELS, name);
}

int does_it_match_restricted_excluded_attribute_pattern(std::string_view name) {
    return matches_any_pattern(METADATA_SELECTION.ATTRIBUTES, name);
}

int does_it_match_restricted_excluded_type_pattern(std::string_view kind, std::string_view name) {
    if (kind == LABEL) return does_it_match_restricted_excluded_label_pattern(name);
    if (kind == BRANCH) return does_it_match_restricted_excluded_branch_pattern(name);
    if (kind == ATTRIBUTE) return does_it_match_restricted_excluded_attribute_pattern(name);
    return 0;
}

namespace {

void log_kind(const PatternList& list, const char* one, const char* all, const std::string& packet) {
    if (list.patterns.empty() || list.designator == DESIGNATOR_ALL) {
        log_it('n', fmt_msg("- as requested including all %s for packet (%s)...", all, packet.c_str()));
        return;
    }
    const char* how = list.designator == DESIGNATOR_EXCLUDE ? "excluding" : "including";
    for (const std::string& p : list.patterns)
        log_it('n', fmt_msg("- as requested %s %s %s for packet (%s)...", how, one, p.c_str(), packet.c_str()));
}

}  // namespace

void log_requested_selection(const std::string& packet_name) {
    log_kind(METADATA_SELECTION.BRANCHES, "branch", "branches", packet_name);
    log_kind(METADATA_SELECTION.LABELS, "label", "labels", packet_name);
    log_kind(METADATA_SELECTION.ATTRIBUTES, "attribute", "attributes", packet_name);
}

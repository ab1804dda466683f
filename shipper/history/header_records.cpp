#include "shipper/history/header_records.h"

#include <algorithm>
#include <vector>

#include "codecs/packet_header.h"
#include "common/cc_query.h"
#include "common/cc_type_cache.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/history/metadata_passes.h"

namespace {

// Splits at `sep`, leaving out empty pieces.
std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(sep, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.emplace_back(text, start, end - start);
        start = end + 1;
    }
    return out;
}

// A record that cannot be carried (a name holding ";") is left out with a
// warning rather than stopping every later packet of the VOB.
bool append_or_warn(HeadFile& pre, int made, const std::string& record, const std::string& what) {
    if (!made) {
        log_it('w', fmt_msg("-- %s (%s) cannot be carried in a packet header: left out", what.c_str(), record.c_str()));
        return true;
    }
    return pre.append(record);
}

}  // namespace

int write_eltype_records(HeadFile& pre, const std::string& vob_tag) {
    std::string listing;
    int status = 0;
    if (!cleartool(CT_LSTYPE)
             .args("-fmt", "%Nd:%n;", "-kind", "eltype", "-invob", vob_tag)
             .capture(listing, Command::NO_LIMIT, &status) ||
        status != 0)
        return 0;
    // The creation date leads each entry: sorted, the oldest type comes
    // first and a supertype precedes the types derived from it.
    std::vector<std::string> entries = split(listing, ';');
    std::sort(entries.begin(), entries.end());
    for (const std::string& entry : entries) {
        const std::size_t colon = entry.find(':');
        if (colon == std::string::npos || colon + 1 == entry.size()) continue;
        const std::string name = entry.substr(colon + 1);
        std::string description;
        if (!cleartool(CT_LSTYPE)
                 .arg("-l")
                 .arg(type_selector("eltype", name, vob_tag))
                 .capture(description, Command::NO_LIMIT, &status) ||
            status != 0)
            return 0;
        const std::size_t at = description.find("  supertype: ");
        if (at == std::string::npos) continue;
        std::size_t begin = at + 13;
        std::size_t end = description.find_first_of(" \t\r\n", begin);
        const std::string supertype = description.substr(begin, end == std::string::npos ? end : end - begin);
        if (supertype.empty()) continue;
        std::string record;
        const int made = append_eltype_record(record, name, supertype);
        if (!append_or_warn(pre, made, made ? record : name, "element type")) return 0;
    }
    return 1;
}

int write_type_records(HeadFile& pre, const std::string& vob_tag) {
    for (const std::string& name : REPLICATED_TYPES.BRANCHES) {
        std::string record;
        const int made = append_brtype_record(record, name, is_global_branch_type(name, vob_tag) != 0);
        if (!append_or_warn(pre, made, made ? record : name, "branch type")) return 0;
    }
    for (const std::string& name : REPLICATED_TYPES.LABELS) {
        if (!is_global_label_type(name, vob_tag)) continue;
        std::string record;
        const int made = append_global_lbtype_record(record, name);
        if (!append_or_warn(pre, made, made ? record : name, "label type")) return 0;
    }
    for (const std::string& name : REPLICATED_TYPES.ATTRIBUTES) {
        if (!is_global_attribute_type(name, vob_tag)) continue;
        std::string record;
        const int made = append_global_attype_record(record, name);
        if (!append_or_warn(pre, made, made ? record : name, "attribute type")) return 0;
    }
    return 1;
}

bool checkedout_value(const std::string& name, const std::string& repl_view_dir, std::string& value) {
    const std::size_t slash = name.rfind('/');
    const std::size_t at = name.find("@@");
    if (slash == std::string::npos || at == std::string::npos || slash < at) return false;
    const std::string extended = name.substr(0, slash);  // element path @@ branch path
    const std::string element = name.substr(0, at);
    if (element == repl_view_dir) {
        value.clear();
        return true;
    }
    if (!element.starts_with(repl_view_dir + "/")) return false;
    value = extended.substr(repl_view_dir.size() + 1);
    return true;
}

int write_checkedout_records(HeadFile& pre, const std::string& view_path, bool is_dir) {
    std::string listing;
    int status = 0;
    std::string repl_view_dir = view_path;
    Command lsco = cleartool(CT_LSCO).args("-fmt", "%Xn,");
    if (is_dir) {
        lsco.arg("-rec").arg(view_path);
    } else {
        const std::size_t slash = view_path.rfind('/');
        repl_view_dir = slash == std::string::npos ? std::string() : view_path.substr(0, slash);
        lsco.arg("-directory").arg(repl_view_dir).arg(view_path).trash_err();
    }
    if (!lsco.capture(listing, Command::NO_LIMIT, &status)) return 0;
    for (const std::string& name : split(listing, ',')) {
        std::string value, record;
        if (!checkedout_value(name, repl_view_dir, value)) continue;
        const int made = append_checkedout_record(record, value);
        if (!append_or_warn(pre, made, made ? record : value, "checkout")) return 0;
    }
    return 1;
}

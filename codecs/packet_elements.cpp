// Element description lines, deployment listing, new-element records.
#include "codecs/packet_elements.h"

#include <charconv>
#include <utility>

std::string format_value_line(std::string_view tag, std::string_view value) {
    std::string line(tag);
    line += ' ';
    line += std::to_string(value.size());
    line += ':';
    line += value;
    line += '\n';
    return line;
}

int parse_value_line(std::string_view line, ValueLine& out) {
    std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank == 0) return 0;
    std::size_t colon = line.find(':', blank + 1);
    if (colon == std::string_view::npos || colon == blank + 1) return 0;
    std::string_view digits = line.substr(blank + 1, colon - blank - 1);
    if (digits[0] < '1' || digits[0] > '9') return 0;
    long length = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (ec != std::errc() || end != digits.data() + digits.size()) return 0;
    out.tag = line.substr(0, blank);
    out.length = length;
    out.value = line.substr(colon + 1);
    return 1;
}

bool is_value_line_of(std::string_view line, std::string_view tag) {
    ValueLine v;
    return parse_value_line(line, v) && v.tag == tag;
}

std::string format_type_block(char kind, std::string_view name_line, std::string_view definition) {
    std::string_view begin, end;
    switch (kind) {
        case 'B':
            begin = BRTYPE_BEGIN;
            end = BRTYPE_END;
            break;
        case 'L':
            begin = LBTYPE_BEGIN;
            end = LBTYPE_END;
            break;
        case 'A':
            begin = ATTYPE_BEGIN;
            end = ATTYPE_END;
            break;
        default:
            return {};
    }
    std::string block(begin);
    block += '\n';
    block += name_line;
    block += '\n';
    block += definition;
    block += end;
    block += '\n';
    return block;
}

namespace {

int append_deploy_line(std::string& out, std::string_view prefix, std::string_view path) {
    if (path.empty() || path.find('\n') != std::string_view::npos) return 0;
    out += prefix;
    out += path;
    out += '\n';
    return 1;
}

}  // namespace

int append_deploy_file_line(std::string& out, std::string_view path) {
    return append_deploy_line(out, DEPLOY_FILE_LINE, path);
}

int append_deploy_dir_line(std::string& out, std::string_view path) {
    return append_deploy_line(out, DEPLOY_DIR_LINE, path);
}

namespace {

// Calls take(entry) for every "F:" and "D:" line of a deployment listing, in
// order, with stays_inside set; stops early when take returns false.
template <typename Take>
void for_each_deploy_entry(std::string_view text, Take&& take) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? text.npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        bool is_file = line.substr(0, 2) == DEPLOY_FILE_LINE;
        if (!is_file && line.substr(0, 2) != DEPLOY_DIR_LINE) continue;
        const std::string_view path = line.substr(2);
        if (!take(DeployEntry{is_file, std::string(path), packet_path_stays_inside(path)})) return;
    }
}

}  // namespace

int read_deploy_listing(std::string_view text, std::vector<DeployEntry>& entries, std::string& error) {
    int ok = 1;
    for_each_deploy_entry(text, [&](DeployEntry entry) {
        if (!entry.stays_inside) {
            error = "deployment path leaves the deployment directory: \"" + entry.path.substr(0, 200) + "\"";
            ok = 0;
            return false;
        }
        entries.push_back(std::move(entry));
        return true;
    });
    return ok;
}

void list_deploy_entries(std::string_view text, std::vector<DeployEntry>& entries) {
    for_each_deploy_entry(text, [&](DeployEntry entry) {
        entries.push_back(std::move(entry));
        return true;
    });
}

int append_new_element_record(std::string& out, std::string_view path, std::string_view owner, std::string_view group,
                              std::string_view permissions) {
    if (path.empty()) return 0;
    for (std::string_view field : {path, owner, group, permissions})
        if (field.find_first_of(";\n") != std::string_view::npos) return 0;
    for (std::string_view field : {owner, group, permissions})
        if (field.find(NELE_FIELD_SEPARATOR) != std::string_view::npos) return 0;
    out += path;
    for (std::string_view field : {owner, group, permissions}) {
        out += NELE_FIELD_SEPARATOR;
        out += field;
    }
    out += NELE_RECORD_END;
    return 1;
}

int read_new_element_records(std::string_view text, std::vector<NewElement>& records, std::string& error) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(NELE_RECORD_END, pos);
        std::string_view record = text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
        if (end == std::string_view::npos) {
            if (record.find_first_not_of(" \t\r\n") == std::string_view::npos) break;
            error = "new-element record is not terminated: \"" + std::string(record.substr(0, 120)) + "\"";
            return 0;
        }
        pos = end + 1;
        std::size_t p3 = record.rfind(NELE_FIELD_SEPARATOR);
        std::size_t p2 = p3 == std::string_view::npos || p3 == 0 ? std::string_view::npos
                                                                 : record.rfind(NELE_FIELD_SEPARATOR, p3 - 1);
        std::size_t p1 = p2 == std::string_view::npos || p2 == 0 ? std::string_view::npos
                                                                 : record.rfind(NELE_FIELD_SEPARATOR, p2 - 1);
        if (p1 == std::string_view::npos || p1 == 0) {
            error = "new-element record has too few fields: \"" + std::string(record.substr(0, 120)) + "\"";
            return 0;
        }
        NewElement e;
        e.path.assign(record.substr(0, p1));
        e.owner.assign(record.substr(p1 + 1, p2 - p1 - 1));
        e.group.assign(record.substr(p2 + 1, p3 - p2 - 1));
        e.permissions.assign(record.substr(p3 + 1));
        records.push_back(std::move(e));
    }
    return 1;
}

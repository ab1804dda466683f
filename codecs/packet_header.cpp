// Header records (see packet_header.h).
#include "codecs/packet_header.h"

#include "common/text_ops.h"

namespace {

bool carriable(std::string_view value) {
    return value.find_first_of(std::string_view(";\n\0", 3)) == std::string_view::npos;
}

int append_checked(std::string& out, char letter, std::string_view value) {
    if (value.empty() || !carriable(value)) return 0;
    out += letter;
    out += HEADER_LETTER_SEPARATOR;
    out += value;
    out += HEADER_RECORD_END;
    return 1;
}

}  // namespace

int append_header_record(std::string& out, char letter, std::string_view value) {
    return append_checked(out, letter, value);
}

int append_location_record(std::string& out, std::string_view location) {
    return append_checked(out, HDR_LOCATION, location);
}

int append_packet_type_record(std::string& out, bool deployment, std::string_view deploy_location) {
    if (!deployment) return append_checked(out, HDR_PACKET_TYPE, PACKET_TYPE_VOB);
    std::string records;
    if (!append_checked(records, HDR_PACKET_TYPE, PACKET_TYPE_FLAT) ||
        !append_checked(records, HDR_DEPLOY_LOCATION, deploy_location))
        return 0;
    out += records;
    return 1;
}

int append_format_version_record(std::string& out) {
    return append_checked(out, HDR_FORMAT_VERSION, PACKET_FORMAT_VERSION);
}

int append_personality_record(std::string& out, bool deployment) {
    return append_checked(out, HDR_PERSONALITY, deployment ? PERSONALITY_MAIN : PERSONALITY_BRANCH);
}

int append_eltype_record(std::string& out, std::string_view type, std::string_view supertype) {
    if (type.empty() || supertype.empty() || type.find(':') != std::string_view::npos) return 0;
    std::string value(type);
    value += ':';
    value += supertype;
    return append_checked(out, HDR_ELTYPE, value);
}

int append_brtype_record(std::string& out, std::string_view name, bool global) {
    return append_checked(out, global ? HDR_GLOBAL_BRTYPE : HDR_BRTYPE, name);
}

int append_global_lbtype_record(std::string& out, std::string_view name) {
    return append_checked(out, HDR_GLOBAL_LBTYPE, name);
}

int append_global_attype_record(std::string& out, std::string_view name) {
    return append_checked(out, HDR_GLOBAL_ATTYPE, name);
}

int append_directory_record(std::string& out, std::string_view dir) {
    return append_checked(out, HDR_DIRECTORY, dir);
}

int append_dir_owner_record(std::string& out, std::string_view dir, std::string_view owner, std::string_view group,
                            std::string_view permissions) {
    for (std::string_view field : {owner, group, permissions})
        if (field.find_first_of("<>+") != std::string_view::npos) return 0;
    if (dir.empty()) return 0;
    std::string value(dir);
    value += '<';
    value += owner;
    value += '>';
    value += group;
    value += '+';
    value += permissions;
    return append_checked(out, HDR_DIR_OWNER, value);
}

int append_slink_record(std::string& out, std::string_view path, std::string_view link_text) {
    if (path.empty() || path.find('>') != std::string_view::npos) return 0;
    std::string value(path);
    value += '>';
    value += link_text;
    return append_checked(out, HDR_SLINK, value);
}

int append_checkedout_record(std::string& out, std::string_view name) {
    return append_checked(out, HDR_CHECKEDOUT, name.empty() ? CHECKEDOUT_TOP : name);
}

int read_header_records(std::string_view text, std::vector<HeaderRecord>& records, std::string& error) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(HEADER_RECORD_END, pos);
        if (end == std::string_view::npos) {
            error = "unterminated header record at byte " + std::to_string(pos);
            return 0;
        }
        std::string_view record = text.substr(pos, end - pos);
        if (record.size() < 2 || record[1] != HEADER_LETTER_SEPARATOR) {
            error =
                "malformed header record \"" + std::string(record.substr(0, 80)) + "\" at byte " + std::to_string(pos);
            return 0;
        }
        records.push_back({record[0], std::string(record.substr(2))});
        pos = end + 1;
    }
    return 1;
}

int parse_eltype_value(std::string_view value, std::string& type, std::string& supertype) {
    std::size_t colon = value.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == value.size()) return 0;
    type.assign(value.substr(0, colon));
    supertype.assign(value.substr(colon + 1));
    return 1;
}

int parse_dir_owner_value(std::string_view value, DirOwner& out) {
    std::size_t plus = value.rfind('+');
    if (plus == std::string_view::npos) return 0;
    std::size_t gt = value.rfind('>', plus);
    if (gt == std::string_view::npos) return 0;
    std::size_t lt = value.rfind('<', gt);
    if (lt == std::string_view::npos || lt == 0) return 0;
    out.dir.assign(value.substr(0, lt));
    out.owner.assign(value.substr(lt + 1, gt - lt - 1));
    out.group.assign(value.substr(gt + 1, plus - gt - 1));
    out.permissions.assign(value.substr(plus + 1));
    return 1;
}

int parse_slink_value(std::string_view value, std::string& path, std::string& link_text) {
    std::size_t gt = value.find('>');
    if (gt == std::string_view::npos || gt == 0) return 0;
    path.assign(value.substr(0, gt));
    link_text.assign(value.substr(gt + 1));
    return 1;
}

int read_packet_header(std::string_view text, PacketHeader& header, std::string& error) {
    int ok = read_header_records(text, header.records, error);
    for (const HeaderRecord& r : header.records) {
        switch (r.letter) {
            case HDR_LOCATION:
                header.location = r.value;
                break;
            case HDR_PACKET_TYPE:
                header.packet_type = r.value;
                break;
            case HDR_DEPLOY_LOCATION:
                header.deploy_location = stripped_copy(r.value);
                break;
            case HDR_FORMAT_VERSION:
                header.format_version = r.value;
                break;
            case HDR_PERSONALITY:
                header.personality = r.value;
                break;
            case HDR_ELTYPE: {
                std::string type, super;
                if (parse_eltype_value(r.value, type, super))
                    header.eltypes.emplace_back(std::move(type), std::move(super));
                else
                    header.malformed.push_back(r);
                break;
            }
            case HDR_GLOBAL_BRTYPE:
                header.brtypes.emplace_back(r.value, true);
                break;
            case HDR_BRTYPE:
                header.brtypes.emplace_back(r.value, false);
                break;
            case HDR_GLOBAL_LBTYPE:
                header.global_lbtypes.push_back(r.value);
                break;
            case HDR_GLOBAL_ATTYPE:
                header.global_attypes.push_back(r.value);
                break;
            case HDR_DIRECTORY:
                header.directories.push_back(r.value);
                break;
            case HDR_DIR_OWNER: {
                DirOwner owner;
                if (parse_dir_owner_value(r.value, owner))
                    header.dir_owners.push_back(std::move(owner));
                else
                    header.malformed.push_back(r);
                break;
            }
            case HDR_SLINK: {
                std::string path, target;
                if (parse_slink_value(r.value, path, target))
                    header.slinks.emplace_back(std::move(path), std::move(target));
                else
                    header.malformed.push_back(r);
                break;
            }
            case HDR_CHECKEDOUT:
                header.checkedouts.push_back(r.value);
                break;
            default:
                break;
        }
    }
    return ok;
}

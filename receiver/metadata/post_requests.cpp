#include "receiver/metadata/post_requests.h"

#include <sys/stat.h>

#include <unordered_set>

#include "common/cc_query.h"
#include "common/text_format.h"
#include "receiver/metadata/lock_check.h"
#include "receiver/metadata/metadata_messages.h"
#include "receiver/metadata/section_file.h"
#include "receiver/metadata/type_ops.h"

namespace receiver_metadata {

namespace {

bool is_label_record(char kind) {
    return kind == POST_MAKE_LABEL || kind == POST_REMOVE_LABEL;
}

TypeKind kind_of_record(char kind) {
    return is_label_record(kind) ? TypeKind::Label : TypeKind::Attribute;
}

const char* command_word(char kind) {
    switch (kind) {
        case POST_MAKE_ATTRIBUTE:
            return "mkattr";
        case POST_REMOVE_ATTRIBUTE:
            return "rmattr";
        case POST_MAKE_LABEL:
            return "mklabel";
        default:
            return "rmlabel";
    }
}

}  // namespace

int process_post_section(const std::string& post_path, const MetadataSettings& settings, MetadataPacket& packet,
                         std::size_t limit) {
    std::string text;
    bool cut = false;
    if (!read_section_file(post_path, limit, text, cut)) return 0;
    if (cut) warn(settings, MSG_113);
    process_post_text(text, settings, packet);
    return 1;
}

int process_post_section(const std::string& post_path, const MetadataSettings& settings, MetadataPacket& packet) {
    return process_post_section(post_path, settings, packet, SECTION_TEXT_MAX);
}

void process_post_text(std::string_view text, const MetadataSettings& settings, MetadataPacket& packet,
                       std::size_t table_limit) {
    std::vector<PostRecord> records;
    std::string error;
    const int whole = read_post_section(text, records, error, table_limit);
    make_reference_lists(records, settings, packet);
    for (const PostRecord& record : records) queue_post_record(record, settings, packet);
    if (!whole) warn(settings, fmt_msg(MSG_MALFORMED_SECTION, error.c_str()));
}

void make_reference_lists(const std::vector<PostRecord>& records, const MetadataSettings& settings,
                          MetadataPacket& packet) {
    // Each type is asked for once: labels and attribute types in two sets.
    std::unordered_set<std::string> labels_seen, attributes_seen;
    for (const PostRecord& record : records) {
        const TypeKind kind = kind_of_record(record.kind);
        auto& seen = kind == TypeKind::Label ? labels_seen : attributes_seen;
        if (!seen.insert(record.type).second) continue;
        if (ignored_by_process(settings, kind) || !type_name_acceptable(record.type)) continue;
        if (the_type_exists(settings, kind, record.type)) continue;
        // The type counts as this packet's at once (a removal request of the
        // packet spares it), but it is made after the import: an import that
        // carries the type makes it with its value type and constraints,
        // which a plain mkattype here would fix as a string type.
        replicated_list(packet, kind).push(record.type);
        packet.TYPES_TO_MAKE.emplace_back(kind, record.type);
    }
}

void make_missing_types(const MetadataSettings& settings, MetadataPacket& packet) {
    for (const auto& [kind, name] : packet.TYPES_TO_MAKE) {
        if (the_type_exists(settings, kind, name)) continue;
        Command make = cleartool(kind == TypeKind::Label ? CT_MKLBTYPE : CT_MKATTYPE);
        make.args("-nc", name + "@" + settings.vob_tag).raw(TRASH_ALL);
        make.run();
    }
    packet.TYPES_TO_MAKE.clear();
}

int queue_post_record(const PostRecord& record, const MetadataSettings& settings, MetadataPacket& packet) {
    const TypeKind kind = kind_of_record(record.kind);
    const char* command = command_word(record.kind);
    const std::string shown = get_middle_element_version(settings, record.object);
    if (ignored_by_process(settings, kind)) {
        toc(settings,
            fmt_msg(TOC_REQUEST_LINE, command, record.type.c_str(), shown.c_str(), IGNORED_BY_RECEIVER_PROCESS));
        return 0;
    }
    if (!type_name_acceptable(record.type)) {
        warn(settings,
             fmt_msg(MSG_UNSAFE_TYPE_NAME, command, std::string(kind_capitals(kind)).c_str(), record.type.c_str()));
        return 0;
    }
    if (!object_stays_inside(record.object)) {
        warn(settings, fmt_msg(MSG_UNSAFE_OBJECT, command, record.object.c_str()));
        return 0;
    }
    // Whether the object exists is asked when the command runs, after the
    // import: an element, branch or version this packet creates is a
    // record's object as much as one that existed before.
    const std::string path = get_long_element_version(settings, record.object);

    // The full selector names the packet's VOB, whatever the working directory.
    const std::string type = type_selector(type_keyword(kind), record.type, settings.vob_tag);
    const std::string kind_text(kind_word(kind));
    RepeatCommand repeat{Command(CLEARTOOL), std::string(), record.kind, record.type, path};
    switch (record.kind) {
        case POST_MAKE_ATTRIBUTE:
            repeat.command = cleartool(CT_MKATTR);
            repeat.command.args("-c", fmt_msg(CREATED_TO_MIRROR, settings.program.c_str(), settings.location.c_str()),
                                "-rep", type, "\"" + restore_attr_value_lf(record.value) + "\"", path);
            repeat.trouble = fmt_msg(MSG_114, kind_text.c_str(), record.type.c_str(), shown.c_str());
            break;
        case POST_REMOVE_ATTRIBUTE:
            repeat.command = cleartool(CT_RMATTR);
            repeat.command.args("-c", fmt_msg(REMOVED_TO_MIRROR, settings.program.c_str(), settings.location.c_str()),
                                type, path);
            repeat.trouble = fmt_msg(MSG_114_, kind_text.c_str(), record.type.c_str(), shown.c_str());
            break;
        case POST_MAKE_LABEL:
            repeat.command = cleartool(CT_MKLABEL);
            repeat.command.args("-c", fmt_msg(CREATED_TO_MIRROR, settings.program.c_str(), settings.location.c_str()),
                                "-rep", type, path);
            repeat.trouble = fmt_msg(MSG_114, kind_text.c_str(), record.type.c_str(), shown.c_str());
            break;
        case POST_REMOVE_LABEL:
            repeat.command = cleartool(CT_RMLABEL);
            repeat.command.args("-c", fmt_msg(REMOVED_TO_MIRROR, settings.program.c_str(), settings.location.c_str()),
                                type, path);
            repeat.trouble = fmt_msg(MSG_114_, kind_text.c_str(), record.type.c_str(), shown.c_str());
            break;
        default:
            warn(settings, fmt_msg(MSG_124, "post_entry_type"));
            return 0;
    }
    repeat.command.raw(TRASH_ALL);
    packet.COMMANDS_TO_REPEAT.push_back(std::move(repeat));
    return 1;
}

void run_commands_to_repeat(const MetadataSettings& settings, MetadataPacket& packet) {
    make_missing_types(settings, packet);
    for (const RepeatCommand& repeat : packet.COMMANDS_TO_REPEAT) {
        struct stat st;
        if (!repeat.object.empty() && ::stat(repeat.object.c_str(), &st) != 0) continue;  // not in the VOB
        if (repeat.command.run() == 0) continue;
        warn(settings, repeat.trouble);
        if (is_label_record(repeat.record_kind)) {
            if (quick_label_lock_check(repeat.type, settings, packet))
                warn(settings, fmt_msg(LBTYPE_LOCKED_LOCALLY, repeat.type.c_str()));
        } else if (quick_attribute_lock_check(repeat.type, settings, packet)) {
            warn(settings, fmt_msg(ATTYPE_LOCKED_LOCALLY, repeat.type.c_str()));
        }
    }
}

}  // namespace receiver_metadata

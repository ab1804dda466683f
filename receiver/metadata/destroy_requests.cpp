#include "receiver/metadata/destroy_requests.h"

#include <sys/stat.h>

#include <vector>

#include "common/cc_query.h"
#include "common/text_format.h"
#include "receiver/metadata/metadata_messages.h"
#include "receiver/metadata/section_file.h"
#include "receiver/metadata/type_ops.h"

namespace receiver_metadata {

namespace {

// Writes a section header once per packet.
void header_once(const MetadataSettings& settings, int& not_yet_written, const char* header) {
    if (!not_yet_written) return;
    toc(settings, header);
    not_yet_written = 0;
}

bool safe_object(const MetadataSettings& settings, std::string_view command, const std::string& object) {
    if (object_stays_inside(object)) return true;
    warn(settings, fmt_msg(MSG_UNSAFE_OBJECT, std::string(command).c_str(), object.c_str()));
    return false;
}

bool safe_type_name(const MetadataSettings& settings, std::string_view command, TypeKind kind,
                    const std::string& name) {
    if (type_name_acceptable(name)) return true;
    warn(settings, fmt_msg(MSG_UNSAFE_TYPE_NAME, std::string(command).c_str(), std::string(kind_capitals(kind)).c_str(),
                           name.c_str()));
    return false;
}

int type_removal_allowed(const MetadataSettings& settings, TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return settings.allow.ALLOW_RMLBTYPE_FROM_REMOTE;
        case TypeKind::Branch:
            return settings.allow.ALLOW_RMBRTYPE_FROM_REMOTE;
        case TypeKind::Attribute:
            break;
    }
    return settings.allow.ALLOW_RMATTYPE_FROM_REMOTE;
}

int type_rename_allowed(const MetadataSettings& settings, TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return settings.allow.ALLOW_RNLBTYPE_FROM_REMOTE;
        case TypeKind::Branch:
            return settings.allow.ALLOW_RNBRTYPE_FROM_REMOTE;
        case TypeKind::Attribute:
            break;
    }
    return settings.allow.ALLOW_RNATTYPE_FROM_REMOTE;
}

int type_locks_allowed(const MetadataSettings& settings, TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return settings.allow.ALLOW_LBTYPE_LOCKS_FROM_REMOTE;
        case TypeKind::Branch:
            return settings.allow.ALLOW_BRTYPE_LOCKS_FROM_REMOTE;
        case TypeKind::Attribute:
            break;
    }
    return settings.allow.ALLOW_ATTYPE_LOCKS_FROM_REMOTE;
}

NameList& type_lock_list(MetadataPacket& packet, TypeKind kind, bool lock) {
    switch (kind) {
        case TypeKind::Label:
            return lock ? packet.LABELS_TO_LOCK_LIST : packet.LABELS_TO_UNLOCK_LIST;
        case TypeKind::Branch:
            return lock ? packet.BRANCHES_TO_LOCK_LIST : packet.BRANCHES_TO_UNLOCK_LIST;
        case TypeKind::Attribute:
            break;
    }
    return lock ? packet.ATTRIBUTES_TO_LOCK_LIST : packet.ATTRIBUTES_TO_UNLOCK_LIST;
}

int& type_lock_header_flag(MetadataPacket& packet, TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return packet.BEGIN_OF_LBLOCKS;
        case TypeKind::Branch:
            return packet.BEGIN_OF_BRLOCKS;
        case TypeKind::Attribute:
            break;
    }
    return packet.BEGIN_OF_ATLOCKS;
}

const char* type_lock_header(TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return HEADER_LBTYPE_LOCK;
        case TypeKind::Branch:
            return HEADER_BRTYPE_LOCK;
        case TypeKind::Attribute:
            break;
    }
    return HEADER_ATTYPE_LOCK;
}

bool path_exists(const std::string& path, bool* is_directory = nullptr) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    if (is_directory != nullptr) *is_directory = S_ISDIR(st.st_mode);
    return true;
}

}  // namespace

int process_destroy_section(const std::string& dhist_path, const MetadataSettings& settings, MetadataPacket& packet,
                            std::size_t limit) {
    std::string text;
    bool cut = false;
    if (!read_section_file(dhist_path, limit, text, cut)) return 0;
    if (cut) warn(settings, MSG_115);
    process_destroy_text(text, settings, packet);
    return 1;
}

int process_destroy_section(const std::string& dhist_path, const MetadataSettings& settings, MetadataPacket& packet) {
    return process_destroy_section(dhist_path, settings, packet, SECTION_TEXT_MAX);
}

void process_destroy_text(std::string_view text, const MetadataSettings& settings, MetadataPacket& packet) {
    toc(settings, HEADER_RMELE_RMTYPES_FOLLOW);
    std::vector<DestroyRecord> records;
    std::string error;
    const int whole = read_destroy_section(text, records, error);
    for (const DestroyRecord& record : records) process_destroy_record(record, settings, packet);
    if (!whole) warn(settings, fmt_msg(MSG_MALFORMED_SECTION, error.c_str()));
}

void process_destroy_record(const DestroyRecord& record, const MetadataSettings& settings, MetadataPacket& packet) {
    const std::string& o = record.object;
    switch (record.kind) {
        case DestroyKind::RmelemFile:
            process_element_removal(settings, false, o);
            break;
        case DestroyKind::RmelemDir:
            process_element_removal(settings, true, o);
            break;
        case DestroyKind::Rmbranch:
            process_branch_or_version_removal(settings, true, o);
            break;
        case DestroyKind::Rmver:
            process_branch_or_version_removal(settings, false, o);
            break;
        case DestroyKind::RmLbtype:
            process_type_removal(settings, packet, TypeKind::Label, o);
            break;
        case DestroyKind::RmAttype:
            process_type_removal(settings, packet, TypeKind::Attribute, o);
            break;
        case DestroyKind::RmBrtype:
            process_type_removal(settings, packet, TypeKind::Branch, o);
            break;
        case DestroyKind::MkLbtype:
            process_type_creation_or_modification(settings, packet, TypeKind::Label, false, o);
            break;
        case DestroyKind::MkAttype:
            process_type_creation_or_modification(settings, packet, TypeKind::Attribute, false, o);
            break;
        case DestroyKind::MkBrtype:
            process_type_creation_or_modification(settings, packet, TypeKind::Branch, false, o);
            break;
        case DestroyKind::ModLbtype:
            process_type_creation_or_modification(settings, packet, TypeKind::Label, true, o);
            break;
        case DestroyKind::ModAttype:
            process_type_creation_or_modification(settings, packet, TypeKind::Attribute, true, o);
            break;
        case DestroyKind::ModBrtype:
            process_type_creation_or_modification(settings, packet, TypeKind::Branch, true, o);
            break;
        case DestroyKind::RnLbtype:
            process_type_rename(settings, TypeKind::Label, o);
            break;
        case DestroyKind::RnAttype:
            process_type_rename(settings, TypeKind::Attribute, o);
            break;
        case DestroyKind::RnBrtype:
            process_type_rename(settings, TypeKind::Branch, o);
            break;
        case DestroyKind::LockLbtype:
            process_type_lock_or_unlock(settings, packet, TypeKind::Label, true, o);
            break;
        case DestroyKind::UnlockLbtype:
            process_type_lock_or_unlock(settings, packet, TypeKind::Label, false, o);
            break;
        case DestroyKind::LockAttype:
            process_type_lock_or_unlock(settings, packet, TypeKind::Attribute, true, o);
            break;
        case DestroyKind::UnlockAttype:
            process_type_lock_or_unlock(settings, packet, TypeKind::Attribute, false, o);
            break;
        case DestroyKind::LockBrtype:
            process_type_lock_or_unlock(settings, packet, TypeKind::Branch, true, o);
            break;
        case DestroyKind::UnlockBrtype:
            process_type_lock_or_unlock(settings, packet, TypeKind::Branch, false, o);
            break;
        case DestroyKind::LockElement:
            process_element_lock_or_unlock(settings, packet, true, o);
            break;
        case DestroyKind::UnlockElement:
            process_element_lock_or_unlock(settings, packet, false, o);
            break;
        case DestroyKind::LockBranch:
            process_branch_lock_or_unlock(settings, packet, true, o);
            break;
        case DestroyKind::UnlockBranch:
            process_branch_lock_or_unlock(settings, packet, false, o);
            break;
        case DestroyKind::Rmmerge:
            process_merge_arrow_removal(settings, packet, o);
            break;
        case DestroyKind::Unknown:
            break;
    }
}

void process_element_removal(const MetadataSettings& settings, bool directory, const std::string& object) {
    const int allowed =
        directory ? settings.allow.ALLOW_RMELEM_DIR_FROM_REMOTE : settings.allow.ALLOW_RMELEM_FILE_FROM_REMOTE;
    if (!safe_object(settings, "rmelem", object)) return;
    const std::string shown = get_middle_element_version(settings, object);
    log_ignoring_this_action_to_TOC(settings, 0, allowed, "rmelem", directory ? "directory" : "file", shown);
    if (!allowed) {
        warn(settings, fmt_msg(MSG_116a, "rmelem", directory ? "DIR" : "FILE", shown.c_str()));
        return;
    }
    const std::string path = get_long_element_version(settings, object);
    bool is_directory = false;
    if (!path_exists(path, &is_directory)) return;
    if (is_directory != directory) {
        warn(settings,
             fmt_msg(MSG_117, shown.c_str(), directory ? "DIRECTORY" : "FILE", is_directory ? "DIRECTORY" : "FILE"));
        return;
    }
    Command remove = cleartool(CT_RMELEM);
    remove.args("-force", "-nc", path).raw(TRASH_ALL);
    if (remove.run() != 0) warn(settings, fmt_msg(MSG_114a, shown.c_str()));
}

void process_branch_or_version_removal(const MetadataSettings& settings, bool branch, const std::string& object) {
    const char* command = branch ? "rmbranch" : "rmver";
    const int allowed = branch ? settings.allow.ALLOW_RMBRANCH_FROM_REMOTE : settings.allow.ALLOW_RMVER_FROM_REMOTE;
    if (!safe_object(settings, command, object)) return;
    const std::string shown = get_middle_element_version(settings, object);
    if (!allowed) {
        log_ignoring_this_action_to_TOC(settings, 0, 0, command, "file", shown);
        warn(settings, fmt_msg(MSG_116a, command, branch ? "BRANCH" : "VERSION", shown.c_str()));
        return;
    }
    if (settings.ignore.ignore_received_branch_data && branches_below_main(object, !branch) > 0) {
        log_ignoring_this_action_to_TOC(settings, 1, allowed, command, "file", shown);
        warn(settings, fmt_msg(MSG_116, command, branch ? "BRANCH" : "VERSION", shown.c_str()));
        return;
    }
    const std::string path = get_long_element_version(settings, object);
    if (!path_exists(path)) {
        toc(settings, fmt_msg(TOC_REMOVAL_LINE, command, shown.c_str(), ""));
        return;
    }
    Command remove = cleartool(branch ? CT_RMBRANCH : CT_RMVER);
    remove.arg("-f");
    if (!branch) remove.args("-xbr", "-xla", "-xat", "-xhl");
    remove.arg(path).raw(TRASH_ALL);
    if (remove.run() == 0) {
        toc(settings, fmt_msg(TOC_REMOVAL_LINE, command, shown.c_str(), ""));
        return;
    }
    const std::string failed = fmt_msg(TOC_REMOVAL_LINE, command, shown.c_str(), TOC_FAILED);
    toc(settings, failed);
    warn(settings, failed.substr(0, failed.size() - 1));
}

void process_type_removal(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                          const std::string& name) {
    if (replicated_list(packet, kind).contains(name)) return;
    if (!safe_type_name(settings, "rmtype", kind, name)) return;
    const int ignored = ignored_by_process(settings, kind);
    const int allowed = type_removal_allowed(settings, kind);
    log_ignoring_this_action_to_TOC(settings, ignored, allowed, "rmtype", type_keyword(kind), name);
    if (!ignored && allowed) {
        if_type_exist_remove_type__ignore_errors(settings, kind, name);
    } else {
        if_exist__warn_that_skipped(settings, ignored, allowed, "rmtype", kind, name);
    }
}

void process_type_creation_or_modification(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                                           bool modify, const std::string& record) {
    const char* command = modify ? "modtype" : "mktype";
    const TypeSpec wanted = parse_type_spec(record);
    if (!safe_type_name(settings, command, kind, wanted.name)) return;
    const int ignored = ignored_by_process(settings, kind);
    log_ignoring_this_action_to_TOC(settings, ignored, 1, command, type_keyword(kind), wanted.name);
    if (!ignored) create_or_replace_type__ignore_errors(settings, packet, kind, record);
}

void process_type_rename(const MetadataSettings& settings, TypeKind kind, const std::string& object) {
    std::string old_name, new_name;
    if (!parse_rename(object, old_name, new_name)) return;
    if (!safe_type_name(settings, "rntype", kind, old_name) || !safe_type_name(settings, "rntype", kind, new_name))
        return;
    const int ignored = ignored_by_process(settings, kind);
    const int allowed = type_rename_allowed(settings, kind);
    log_ignoring_this_action_to_TOC(settings, ignored, allowed, "rename", type_keyword(kind), object);
    if (!ignored && allowed) {
        if_type_exist_rename_type__ignore_errors(settings, kind, old_name, new_name);
    } else {
        if_exist__warn_that_rename_skipped(settings, ignored, allowed, "rntype", kind, old_name, new_name);
    }
}

void process_type_lock_or_unlock(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind, bool lock,
                                 const std::string& name) {
    const char* command = lock ? "lock" : "unlock";
    if (!safe_type_name(settings, command, kind, name)) return;
    header_once(settings, type_lock_header_flag(packet, kind), type_lock_header(kind));
    const int ignored = ignored_by_process(settings, kind);
    const int allowed = type_locks_allowed(settings, kind);
    log_ignoring_this_action_to_TOC(settings, ignored, allowed, command, type_keyword(kind), name);
    if (!ignored && allowed) {
        type_lock_list(packet, kind, lock).push(name);
        unlocktype_if_exists_else_maketype__ignore_errors(settings, packet, kind, name);
    } else {
        if_exist__warn_that_skipped(settings, ignored, allowed, command, kind, name);
    }
}

namespace {

void instance_lock_or_unlock(const MetadataSettings& settings, int allowed, int& header_flag, const char* header,
                             const char* kind, const char* kind_in_capitals, NameList& list, bool lock,
                             const std::string& object) {
    const char* command = lock ? "lock" : "unlock";
    if (!safe_object(settings, command, object)) return;
    header_once(settings, header_flag, header);
    log_ignoring_this_action_to_TOC(settings, 0, allowed, command, kind, get_middle_element_version(settings, object));
    const std::string path = get_long_element_version(settings, object);
    if (allowed) {
        list.push(path);
        lock_or_unlock__element_or_branch__if_exists__ignore_errors(CT_UNLOCK, path);
    } else {
        if_element_or_branch_exist__warn_that_skipped(settings, allowed, command, kind_in_capitals, path);
    }
}

}  // namespace

void process_element_lock_or_unlock(const MetadataSettings& settings, MetadataPacket& packet, bool lock,
                                    const std::string& object) {
    instance_lock_or_unlock(settings, settings.allow.ALLOW_ELEMENT_LOCKS_FROM_REMOTE, packet.BEGIN_OF_ELEMENTLOCKS,
                            HEADER_ELEMENT_LOCK, "element", "ELEMENT",
                            lock ? packet.ELEMENTS_TO_LOCK_LIST : packet.ELEMENTS_TO_UNLOCK_LIST, lock, object);
}

void process_branch_lock_or_unlock(const MetadataSettings& settings, MetadataPacket& packet, bool lock,
                                   const std::string& object) {
    instance_lock_or_unlock(settings, settings.allow.ALLOW_BRANCH_LOCKS_FROM_REMOTE, packet.BEGIN_OF_BRANCHLOCKS,
                            HEADER_BRANCH_LOCK, "branch", "BRANCH",
                            lock ? packet.BRANCH_INSTANCES_TO_LOCK_LIST : packet.BRANCH_INSTANCES_TO_UNLOCK_LIST, lock,
                            object);
}

void process_merge_arrow_removal(const MetadataSettings& settings, MetadataPacket& packet, const std::string& object) {
    std::string to_version, from_version;
    if (!parse_merge_removal(object, to_version, from_version)) return;
    if (!safe_object(settings, "rmmerge", to_version) || !safe_object(settings, "rmmerge", from_version)) return;
    header_once(settings, packet.BEGIN_OF_RMMERGES, HEADER_RM_MERGE_ARROW);
    const std::string to_shown = get_middle_element_version(settings, to_version);
    const std::string from_shown = get_middle_element_version(settings, from_version);
    if (settings.ignore.ignore_received_branch_data &&
        (branches_below_main(to_version, true) > 0 || branches_below_main(from_version, true) > 0)) {
        toc(settings,
            fmt_msg(TOC_MERGE_NOT_REMOVED_LINE, to_shown.c_str(), from_shown.c_str(), IGNORED_BY_RECEIVER_PROCESS));
        return;
    }
    Command remove = cleartool(CT_RMMERGE);
    remove.args("-nc", get_long_element_version(settings, from_version), get_long_element_version(settings, to_version))
        .raw(TRASH_ALL);
    if (remove.run() == 0) {
        toc(settings, fmt_msg(TOC_MERGE_REMOVED_LINE, to_shown.c_str(), from_shown.c_str()));
        return;
    }
    const std::string failed =
        fmt_msg(TOC_MERGE_NOT_REMOVED_LINE, to_shown.c_str(), from_shown.c_str(), TOC_FAILED_REASON);
    toc(settings, failed);
    warn(settings, failed.substr(0, failed.size() - 1));
}

}  // namespace receiver_metadata

#include "receiver/metadata/type_ops.h"

#include "codecs/packet_destroy.h"
#include "common/text_format.h"
#include "receiver/metadata/metadata_messages.h"

namespace receiver_metadata {

namespace {

std::string selector_of(const MetadataSettings& settings, TypeKind kind, const std::string& name) {
    return type_selector(type_keyword(kind), name, settings.vob_tag);
}

std::string str(std::string_view text) {
    return std::string(text);
}

CleartoolCommand make_command_of(TypeKind kind) {
    switch (kind) {
        case TypeKind::Label:
            return CT_MKLBTYPE;
        case TypeKind::Branch:
            return CT_MKBRTYPE;
        case TypeKind::Attribute:
            break;
    }
    return CT_MKATTYPE;
}

// "Created by <program> to support <kind>ing from '<location>'"
std::string support_comment(const MetadataSettings& settings, TypeKind kind) {
    return fmt_msg(CREATED_TO_SUPPORT, settings.program.c_str(), str(kind_word(kind)).c_str(),
                   settings.location.c_str());
}

void note_made(MetadataPacket& packet, TypeKind kind, const std::string& name) {
    replicated_list(packet, kind).push(name);
}

}  // namespace

int the_type_exists(const MetadataSettings& settings, TypeKind kind, const std::string& name) {
    return type_exists(type_keyword(kind), name, settings.vob_tag);
}

const char* toc_reason(int ignored, int allowed) {
    if (ignored) return IGNORED_BY_RECEIVER_PROCESS;
    return allowed ? NOT_IGNORED : IGNORED_BY_RECEIVER_KEY;
}

void log_ignoring_this_action_to_TOC(const MetadataSettings& settings, int ignored, int allowed,
                                     std::string_view command, std::string_view kind, std::string_view object) {
    const char* reason = toc_reason(ignored, allowed);
    if (command == "rename") {
        std::string old_name, new_name;
        if (!parse_rename(object, old_name, new_name) || old_name == new_name) return;
        toc(settings, fmt_msg(TOC_RENAME_LINE, str(kind).c_str(), old_name.c_str(), new_name.c_str(), reason));
        return;
    }
    toc(settings, fmt_msg(TOC_REQUEST_LINE, str(command).c_str(), str(kind).c_str(), str(object).c_str(), reason));
}

void modify_MD__ignore_errors(const MetadataSettings& settings, int ignored, int allowed, CleartoolCommand command,
                              TypeKind kind, const std::string& name) {
    const std::string word = str(CLEARTOOL_COMMANDS.at(static_cast<std::size_t>(command)));
    const std::string kind_text = str(kind_word(kind));
    if (ignored) {
        warn(settings, fmt_msg(MSG_122, kind_text.c_str(), word.c_str(), name.c_str(), settings.vob_tag.c_str()));
    } else if (allowed) {
        Command c = cleartool(command);
        c.arg(selector_of(settings, kind, name)).raw(TRASH_ALL);
        c.run();
        warn(settings, fmt_msg(MSG_121, kind_text.c_str(), word.c_str(), name.c_str(), settings.vob_tag.c_str()));
    } else {
        warn(settings, fmt_msg(MSG_122a, kind_text.c_str(), word.c_str(), name.c_str(), settings.vob_tag.c_str()));
    }
}

void if_exist__warn_that_skipped(const MetadataSettings& settings, int ignored, int allowed, std::string_view command,
                                 TypeKind kind, const std::string& name) {
    if (!ignored && allowed) return;
    if (!the_type_exists(settings, kind, name)) return;
    warn(settings,
         fmt_msg(ignored ? MSG_116 : MSG_116a, str(command).c_str(), str(kind_capitals(kind)).c_str(), name.c_str()));
}

void if_exist__warn_that_rename_skipped(const MetadataSettings& settings, int ignored, int allowed,
                                        std::string_view command, TypeKind kind, const std::string& old_name,
                                        const std::string& new_name) {
    if (!ignored && allowed) return;
    if (!the_type_exists(settings, kind, old_name)) return;
    warn(settings, fmt_msg(ignored ? MSG_116b : MSG_116c, str(command).c_str(), str(kind_capitals(kind)).c_str(),
                           old_name.c_str(), new_name.c_str()));
}

void if_element_or_branch_exist__warn_that_skipped(const MetadataSettings& settings, int allowed,
                                                   std::string_view command, std::string_view kind_capitals,
                                                   const std::string& path) {
    if (allowed) return;
    Command describe = cleartool(CT_DESCRIBE);
    describe.args("-s", path).raw(TRASH_ALL);
    if (describe.run() != 0) return;
    warn(settings, fmt_msg(MSG_116a, str(command).c_str(), str(kind_capitals).c_str(), path.c_str()));
}

int lock_or_unlock__element_or_branch__if_exists__ignore_errors(CleartoolCommand command, const std::string& path) {
    Command describe = cleartool(CT_DESCRIBE);
    describe.arg(path).raw(TRASH_ALL);
    if (describe.run() != 0) return 0;
    Command change = cleartool(command);
    change.arg(path).raw(TRASH_ALL);
    return change.run() == 0 ? 1 : 0;
}

void unlocktype_if_exists_else_maketype__ignore_errors(const MetadataSettings& settings, MetadataPacket& packet,
                                                       TypeKind kind, const std::string& name) {
    if (the_type_exists(settings, kind, name)) {
        Command unlock = cleartool(CT_UNLOCK);
        unlock.arg(selector_of(settings, kind, name)).raw(TRASH_ALL);
        unlock.run();
        return;
    }
    Command make = cleartool(make_command_of(kind));
    make.args("-c", IMPORT_COMMENT, name + "@" + settings.vob_tag).raw(TRASH_ALL);
    if (make.run() == 0) note_made(packet, kind, name);
}

int if_type_exist_remove_type__ignore_errors(const MetadataSettings& settings, TypeKind kind, const std::string& name) {
    if (!the_type_exists(settings, kind, name)) return 0;
    Command remove = cleartool(CT_RMTYPE);
    remove.args("-nc", "-f", "-rmall", selector_of(settings, kind, name)).raw(TRASH_ALL);
    if (remove.run() == 0) return 1;
    warn(settings, fmt_msg(MSG_118, str(kind_word(kind)).c_str(), name.c_str()));
    return 0;
}

int if_type_exist_rename_type__ignore_errors(const MetadataSettings& settings, TypeKind kind,
                                             const std::string& old_name, const std::string& new_name) {
    if (!the_type_exists(settings, kind, old_name) || the_type_exists(settings, kind, new_name)) return 0;
    Command rename = cleartool(CT_RENAME);
    rename.args("-nc", selector_of(settings, kind, old_name), selector_of(settings, kind, new_name)).raw(TRASH_ALL);
    if (rename.run() == 0) return 1;
    warn(settings, fmt_msg(MSG_118b, str(kind_word(kind)).c_str(), old_name.c_str(), new_name.c_str()));
    return 0;
}

int if_type_not_exists__create_it__log_errors(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                                              bool global, const std::string& name) {
    if (the_type_exists(settings, kind, name)) return 1;
    Command make = cleartool(make_command_of(kind));
    make.args("-c", support_comment(settings, kind), global ? SWITCH_GLOBAL : SWITCH_ORDINARY,
              name + "@" + settings.vob_tag)
        .raw(TRASH_ALL);
    make.run();
    if (!the_type_exists(settings, kind, name)) {
        warn(settings, fmt_msg(MSG_51a, global ? "global" : "ordinary", str(kind_word(kind)).c_str(), name.c_str(),
                               settings.vob_tag.c_str(), str(kind_plural(kind)).c_str()));
        return 0;
    }
    note_made(packet, kind, name);
    return 1;
}

int create_needed_type(const MetadataSettings& settings, MetadataPacket& packet, std::string_view kind,
                       std::string_view scope, const std::string& name, const std::string& vob,
                       const std::string& location) {
    for (TypeKind k : {TypeKind::Branch, TypeKind::Label, TypeKind::Attribute}) {
        if (kind != kind_word(k)) continue;
        MetadataSettings here = settings;
        here.vob_tag = vob;
        here.location = location;
        return if_type_not_exists__create_it__log_errors(here, packet, k, scope == "global", name);
    }
    return 0;
}

int create_or_replace_type__ignore_errors(const MetadataSettings& settings, MetadataPacket& packet, TypeKind kind,
                                          std::string_view record) {
    const TypeSpec wanted = parse_type_spec(record);
    const bool existed = the_type_exists(settings, kind, wanted.name) != 0;
    Command make = cleartool(make_command_of(kind));
    make.args("-c", support_comment(settings, kind), wanted.global ? SWITCH_GLOBAL : SWITCH_ORDINARY);
    if (kind == TypeKind::Attribute) {
        if (wanted.constraint == 'b') make.arg(SWITCH_VERSIONS_PER_BRANCH);
        if (wanted.constraint == 'e' || wanted.constraint == 'v') make.arg(SWITCH_VERSIONS_PER_VERSION);
    } else if (wanted.constraint == 'b') {
        make.arg(SWITCH_PER_BRANCH);
    }
    if (existed) make.arg(SWITCH_REPLACE);
    make.arg(wanted.name + "@" + settings.vob_tag).raw(TRASH_ALL);
    make.run();
    if (!the_type_exists(settings, kind, wanted.name)) {
        warn(settings, fmt_msg(MSG_51a, wanted.global ? "global" : "ordinary", str(kind_word(kind)).c_str(),
                               wanted.name.c_str(), settings.vob_tag.c_str(), str(kind_plural(kind)).c_str()));
        return 0;
    }
    if (!existed) note_made(packet, kind, wanted.name);
    return 1;
}

}  // namespace receiver_metadata

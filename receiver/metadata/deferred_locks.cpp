#include "receiver/metadata/deferred_locks.h"

#include "receiver/metadata/metadata_messages.h"
#include "receiver/metadata/type_ops.h"

namespace receiver_metadata {

namespace {

void change_types(const MetadataSettings& settings, CleartoolCommand command, TypeKind kind, int allowed,
                  const NameList& names) {
    const int ignored = ignored_by_process(settings, kind);
    for (const std::string& name : names) {
        if (kind == TypeKind::Label && name == CHECKEDOUT_PSEUDO_LABEL) continue;
        modify_MD__ignore_errors(settings, ignored, allowed, command, kind, name);
    }
}

void change_instances(CleartoolCommand command, const NameList& paths) {
    for (const std::string& path : paths) lock_or_unlock__element_or_branch__if_exists__ignore_errors(command, path);
}

void apply(const MetadataSettings& settings, CleartoolCommand command, const NameList& labels, const NameList& branches,
           const NameList& attributes, const NameList& elements, const NameList& branch_instances) {
    change_types(settings, command, TypeKind::Label, settings.allow.ALLOW_LBTYPE_LOCKS_FROM_REMOTE, labels);
    change_types(settings, command, TypeKind::Branch, settings.allow.ALLOW_BRTYPE_LOCKS_FROM_REMOTE, branches);
    change_types(settings, command, TypeKind::Attribute, settings.allow.ALLOW_ATTYPE_LOCKS_FROM_REMOTE, attributes);
    change_instances(command, elements);
    change_instances(command, branch_instances);
}

}  // namespace

void apply_deferred_locks(const MetadataSettings& settings, const MetadataPacket& packet) {
    apply(settings, CT_LOCK, packet.LABELS_TO_LOCK_LIST, packet.BRANCHES_TO_LOCK_LIST, packet.ATTRIBUTES_TO_LOCK_LIST,
          packet.ELEMENTS_TO_LOCK_LIST, packet.BRANCH_INSTANCES_TO_LOCK_LIST);
    apply(settings, CT_UNLOCK, packet.LABELS_TO_UNLOCK_LIST, packet.BRANCHES_TO_UNLOCK_LIST,
          packet.ATTRIBUTES_TO_UNLOCK_LIST, packet.ELEMENTS_TO_UNLOCK_LIST, packet.BRANCH_INSTANCES_TO_UNLOCK_LIST);
}

}  // namespace receiver_metadata

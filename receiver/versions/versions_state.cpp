// Process-wide state of applying element versions.
#include "receiver/versions/versions_state.h"

#include "common/cc_query.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/versions/versions_messages.h"

VersionsSettings VERSIONS_SETTINGS;
VersionsPacket VERSIONS_PACKET;

void reset_versions_packet() {
    VERSIONS_PACKET = VersionsPacket{};
    VERSIONS_PACKET.new_dir_personality = VERSIONS_SETTINGS.new_dir_personality;
}

std::string reserved_attribute_name() {
    return std::string(PROTECTED_VANDREL_ATTRIBUTE) + VERSIONS_PACKET.location;
}

int create_type_if_missing(const std::string& kind, const std::string& scope, const std::string& name,
                           const std::string& vob, const std::string& location) {
    if (VERSIONS_SETTINGS.create_type) return VERSIONS_SETTINGS.create_type(kind, scope, name, vob, location);
    return create_type_if_missing_standin(kind, scope, name, vob, location);
}

namespace {

struct TypeKind {
    const char* word;      // "branch"
    const char* selector;  // "brtype"
    CleartoolCommand make;
    const char* plural;
};

const TypeKind* kind_of(const std::string& kind) {
    static const TypeKind kinds[] = {{BRANCH, BRTYPE, CT_MKBRTYPE, "Branches"},
                                     {LABEL, LBTYPE, CT_MKLBTYPE, "Labels"},
                                     {ATTRIBUTE, ATTYPE, CT_MKATTYPE, "Attributes"}};
    for (const TypeKind& k : kinds)
        if (kind == k.word) return &k;
    return nullptr;
}

}  // namespace

int create_type_if_missing_standin(const std::string& kind, const std::string& scope, const std::string& name,
                                   const std::string& vob, const std::string& location) {
    const TypeKind* k = kind_of(kind);
    if (!k) return 0;
    if (type_exists(k->selector, name, vob)) return 1;
    Command make = cleartool(k->make);
    make.args("-c", fmt_msg(STANDIN_TYPE_COMMENT, SELF, kind.c_str(), location.c_str()),
              scope == "global" ? "-glo" : "-ord", name + "@" + vob)
        .trash_all();
    make.run();
    if (type_exists(k->selector, name, vob)) return 1;
    log_it('w', fmt_msg(STANDIN_MSG_51a, scope.c_str(), kind.c_str(), name.c_str(), vob.c_str(), k->plural));
    return 0;
}

bool is_plain_type_name(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.front() == '-') return false;
    for (unsigned char c : name) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     c == '.' || c == '-' || c >= 0x80;
        if (!plain) return false;
    }
    return true;
}

// Protections of replicated elements.
#include "receiver/apply/protection.h"

#include "common/cc_query.h"
#include "receiver/apply/apply_state.h"

bool permissions_to_octal(std::string_view permissions, std::string& octal) {
    if (permissions.size() != 9) return false;
    std::string_view matrix(PROTECTION_MATRIX);
    std::string digits;
    for (std::size_t i = 0; i < 9; i += 3) {
        std::string_view triple = permissions.substr(i, 3);
        std::size_t at = std::string_view::npos;
        for (std::size_t m = 0; m + 3 <= matrix.size(); m += 4) {
            if (matrix.substr(m, 3) == triple) {
                at = m;
                break;
            }
        }
        if (at == std::string_view::npos) return false;
        digits += PROTECTION_MAP[at];
    }
    octal = digits;
    return true;
}

namespace {

void run_protect(Command command, const std::string& pname) {
    command.arg(pname).trash_all();
    command.run();
}

}  // namespace

void protect_preserving(const std::string& pname, const std::string& owner, const std::string& group,
                        const std::string& permissions) {
    std::string octal;
    if (permissions != NO_PROTECTIONS && permissions_to_octal(permissions, octal))
        run_protect(cleartool(CT_PROTECT).args("-chmod", octal), pname);
    if (!owner.empty() && !group.empty())
        run_protect(cleartool(CT_PROTECT).args("-chown", owner, "-chgrp", group), pname);
    else if (!group.empty())
        run_protect(cleartool(CT_PROTECT).args("-chgrp", group), pname);
    else if (!owner.empty())
        run_protect(cleartool(CT_PROTECT).args("-chown", owner), pname);
}

void protect_exactly(const std::string& pname, const std::string& owner, const std::string& group) {
    run_protect(cleartool(CT_PROTECT).args("-chown", owner, "-chgrp", group), pname);
}

void protect_as_key_line_says(const std::string& pname, const std::string& owner, const std::string& group,
                              const std::string& permissions) {
    const ApplySettings& S = APPLY_SETTINGS;
    if (S.protection == PROTECTION_PRESERVE)
        protect_preserving(pname, owner, group, permissions);
    else if (S.protection == PROTECTION_EXACTLY)
        protect_exactly(pname, S.exact_user, S.exact_group);
}

#include "shipper/pass/vob_checks.h"

#include <string_view>

#include "common/cc_query.h"
#include "common/text_ops.h"
#include "shipper/config/config_file.h"

int vob_has_trigger_types(const std::string& vob_tag) {
    std::string listing;
    if (!get_results(cleartool(CT_LSTYPE).args("-s", "-kind", "trtype", "-invob", vob_tag).raw(TRASH_ERR), listing,
                     LAST_COMMAND_RESULT_SIZE * 16))
        return 0;
    for (const char* name : REQUIRED_TRIGGER_TYPES) {
        bool found = false;
        for (std::string_view line : shipper_config::split_lines(listing))
            if (stripped_copy(line) == name) found = true;
        if (!found) return 0;
    }
    return 1;
}

VobState check_view_and_vob(const std::string& view, const std::string& vob_tag) {
    if (cleartool(CT_STARTVIEW).arg(view).trash_all().run() != 0) return VobState::view_not_started;
    if (cleartool(CT_LSVOB).args("-s", vob_tag).trash_all().run() != 0) return VobState::not_accessible;
    std::string answer;
    get_results(cleartool(CT_LSVOB).arg(vob_tag).raw(TRASH_ERR), answer, CC_ANSWER_SIZE);
    if (stripped_copy(answer).empty()) return VobState::lsvob_failed;
    // "* <tag>  <storage> ...": the tag is the first word from the third
    // character on; it must be this VOB's tag, not merely begin with it.
    std::string_view rest = answer.size() > 2 ? std::string_view(answer).substr(2) : std::string_view();
    if (shipper_config::first_word(rest) != vob_tag) return VobState::gone;
    if (answer.front() != '*' && cleartool(CT_MOUNT).arg(vob_tag).trash_all().run() != 0) return VobState::mount_failed;
    return VobState::ready;
}

int is_a_slink_or_error(const std::string& path) {
    std::string kind;
    int status = 0;
    if (!cleartool(CT_DESCRIBE).args("-fmt", "%m", path).trash_err().capture(kind, CC_ANSWER_SIZE, &status) ||
        status != 0)
        return -1;
    return stripped_copy(kind) == "symbolic link" ? 1 : 0;
}

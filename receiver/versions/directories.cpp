// Directories prepared for the import and finished after it.
#include "receiver/versions/directories.h"

#include "common/cc_query.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/apply/protection.h"
#include "receiver/versions/element_names.h"
#include "receiver/versions/versions_messages.h"
#include "receiver/versions/versions_state.h"

namespace {

// The most of an ls answer that is looked at.
constexpr std::size_t LS_ANSWER_MAX = 2048;

void run_quietly(Command command) {
    command.trash_all();
    command.run();
}

void add_replicated_dir(const std::string& view_path) {
    VersionsPacket& P = VERSIONS_PACKET;
    if (!P.replicated_dirs.insert(view_path).second) return;
    P.REPLICATED_DIR_LIST.push_back(view_path);
    ++P.dirs_checked_out;
}

}  // namespace

int unchecked_out_instead(const std::string& dir) {
    std::string predecessor;
    Command describe = cleartool(CT_DESCRIBE);
    describe.args("-fmt", "%PVn", dir);
    if (!get_stdout_of_command(describe, predecessor, CC_ANSWER_SIZE)) return 0;
    if (predecessor.find_first_not_of(" \t\r\n") == std::string::npos) return 0;
    Command diff = cleartool(CT_DIFF);
    diff.args("-pred", dir).trash_all();
    return diff.run() == 0 ? 1 : 0;
}

int is_shown_in_view(const std::string& view_path) {
    std::string answer;
    Command ls = cleartool(CT_LS);
    ls.args("-dir", view_path).trash_err();
    if (!get_stdout_of_command(ls, answer, LS_ANSWER_MAX + 1)) return 0;
    return answer.starts_with(view_path) ? 1 : 0;
}

int check_out_directory(const std::string& view_path, const char* action, const std::string& vob_tag) {
    if (VERSIONS_PACKET.replicated_dirs.contains(view_path)) return 1;
    run_quietly(cleartool(CT_CHECKOUT).args("-nc", view_path));
    std::string answer;
    Command lsco = cleartool(CT_LSCO);
    lsco.args("-s", "-dir", view_path).trash_err();
    get_stdout_of_command(lsco, answer, LS_ANSWER_MAX + 1);
    if (answer.find_first_not_of(" \t\r\n") == std::string::npos) {
        log_it('w', fmt_msg(MSG_52, action, view_path.c_str(), vob_tag.c_str()));
        return 0;
    }
    add_replicated_dir(view_path);
    return 1;
}

void prepare_replicated_directory(const std::string& rel, const std::string& vob_tag, const std::string& vob_path,
                                  const std::string& owner, const std::string& group) {
    std::string dir;
    get_long_element_version(vob_path, rel, dir);
    if (VERSIONS_PACKET.replicated_dirs.contains(dir)) return;
    if (is_shown_in_view(dir)) {
        check_out_directory(dir, ACTION_DIRECTORY_CHECKOUT, vob_tag);
        return;
    }
    std::string parent;
    get_long_element_version(vob_path, parent_relative_path(rel), parent);
    check_out_directory(parent, ACTION_PARENT_CHECKOUT, vob_tag);
    run_quietly(
        cleartool(CT_MKDIR).args("-c", fmt_msg(COMMENT_REPLICATED_DATA, SELF, VERSIONS_PACKET.location.c_str()), dir));
    if (!is_shown_in_view(dir)) {
        log_it('w', fmt_msg(MSG_52, ACTION_DIRECTORY_CREATION, dir.c_str(), vob_tag.c_str()));
        return;
    }
    add_replicated_dir(dir);
    protect_as_key_line_says(dir, owner, group, NO_PROTECTIONS);
}

void checkin_replicated_dirs() {
    VersionsPacket& P = VERSIONS_PACKET;
    for (const std::string& dir : P.REPLICATED_DIR_LIST) {
        if (P.dirs_checked_out <= 0) break;
        --P.dirs_checked_out;
        if (unchecked_out_instead(dir))
            run_quietly(cleartool(CT_UNCHECKOUT).arg(dir));
        else
            run_quietly(cleartool(CT_CHECKIN).args("-nc", dir));
    }
}

void apply_protected_dirs() {
    for (const ProtectedDir& d : VERSIONS_PACKET.PROTECTED_DIR_LIST)
        protect_as_key_line_says(d.path, d.owner, d.group, d.permissions);
}

#include "receiver/intake/vob_checks.h"

#include "common/cc_query.h"
#include "common/text_format.h"
#include "receiver/config/receiver_messages.h"

namespace {

constexpr const char* TRIGGER_TYPE_NAMES[] = {"QUORLIN_1", "QUORLIN_2", "QUORLIN_3", "QUORLIN_4"};

}  // namespace

bool lslock_answer_locks(const std::string& answer, const std::string& user) {
    if (answer.rfind("Locked for all ", 0) == 0) return true;
    if (answer.rfind("Locked except for ", 0) != 0) return false;
    std::string first_line = answer.substr(0, answer.find('\n'));
    std::size_t colon = first_line.find(": ");
    std::string exceptions = (colon == std::string::npos ? std::string() : first_line.substr(colon)) + " ";
    return exceptions.find(" " + user + " ") == std::string::npos;
}

bool vob_is_locked_for(const std::string& vob_tag, const std::string& user) {
    std::string answer;
    Command lslock(CLEARTOOL);
    lslock.args("lslock", "-fmt", "%c", "vob:" + vob_tag).raw(TRASH_ERR);
    get_stdout_of_command(lslock, answer, LSLOCK_ANSWER_MAX + 1);
    return lslock_answer_locks(answer, user);
}

std::string check_receiving_vob(const std::string& tag, const std::string& data_path) {
    Command registered = cleartool(CT_LSVOB);
    registered.args("-s", tag).raw(TRASH_ALL);
    if (registered.run() != 0) return fmt_msg(MSG_12, tag.c_str(), data_path.c_str());

    Command listing = cleartool(CT_LSVOB);
    listing.arg(tag);
    std::string answer;
    int status = -1;
    if (!listing.capture(answer, LAST_COMMAND_RESULT_SIZE - 1, &status) || status != 0) {
        if (!tag.empty() && tag[0] == '\\') return fmt_msg(MSG_08, tag.c_str(), data_path.c_str());
        return fmt_msg(MSG_09, tag.c_str(), data_path.c_str());
    }
    bool shows_tag = answer.size() > 2 && answer.compare(2, tag.size(), tag) == 0;
    if (!shows_tag && answer.rfind("* ", 0) != 0) return fmt_msg(MSG_10, tag.c_str(), data_path.c_str());
    if (answer.rfind("*", 0) != 0) {
        Command mount = cleartool(CT_MOUNT);
        mount.arg(tag).raw(TRASH_ALL);
        if (mount.run() != 0) return fmt_msg(MSG_11, tag.c_str());
    }

    Command trigger_types = cleartool(CT_LSTYPE);
    trigger_types.args("-s", "-kind", "trtype", "-invob", tag).raw(TRASH_ERR);
    std::string types;
    status = -1;
    bool ok = trigger_types.capture(types, Command::NO_LIMIT, &status) && status == 0;
    for (const char* name : TRIGGER_TYPE_NAMES) ok = ok && types.find(name) != std::string::npos;
    if (!ok) return fmt_msg(MSG_58, tag.c_str());
    return {};
}

bool set_import_config_spec(const std::string& view, const std::string& config_spec) {
    Command setcs = cleartool(CT_SETCS);
    setcs.args("-tag", view, config_spec).raw(TRASH_ALL);
    return setcs.run() == 0;
}

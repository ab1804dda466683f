#include "receiver/metadata/lock_check.h"

#include "common/cc_query.h"

namespace receiver_metadata {

namespace {

constexpr std::string_view LOCKED_FOR_ALL = "Locked for all ";
constexpr std::string_view LOCKED_EXCEPT = "Locked except for ";
constexpr std::size_t LOCK_ANSWER_SIZE = 2048;

int quick_lock_check(std::string_view kind, const std::string& name, const MetadataSettings& settings,
                     LastLockChecked& last) {
    if (!last.name.empty() && last.name == name) return last.locked;
    // lslock is not among the authoring subcommands of the command table.
    Command command(CLEARTOOL);
    command.args("lslock", "-fmt", "%c", type_selector(kind, name, settings.vob_tag)).raw(TRASH_ERR);
    std::string answer;
    int locked = get_results(command, answer, LOCK_ANSWER_SIZE) ? lock_answer_locks_out(answer, settings.user) : 0;
    last.name = name;
    last.locked = locked;
    return locked;
}

}  // namespace

int lock_answer_locks_out(std::string_view answer, std::string_view user) {
    std::string_view line = answer.substr(0, answer.find('\n'));
    if (line.starts_with(LOCKED_FOR_ALL)) return 1;
    if (!line.starts_with(LOCKED_EXCEPT)) return 0;
    std::size_t colon = line.find(": ");
    if (colon == std::string_view::npos || user.empty()) return 1;
    std::string exceptions = " ";
    exceptions += line.substr(colon + 2);
    exceptions += ' ';
    std::string wanted = " ";
    wanted += user;
    wanted += ' ';
    return exceptions.find(wanted) == std::string::npos ? 1 : 0;
}

int quick_label_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet) {
    return quick_lock_check(LBTYPE, name, settings, packet.LAST_LABEL_LOCK_CHECKED);
}

int quick_attribute_lock_check(const std::string& name, const MetadataSettings& settings, MetadataPacket& packet) {
    return quick_lock_check(ATTYPE, name, settings, packet.LAST_ATTRIBUTE_LOCK_CHECKED);
}

}  // namespace receiver_metadata

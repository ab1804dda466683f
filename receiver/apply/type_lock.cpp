// Lock answers of cleartool lslock.
#include "receiver/apply/type_lock.h"

#include "common/cc_query.h"

namespace {

constexpr std::string_view LOCKED = "Locked ";
constexpr std::string_view LOCKED_FOR_ALL_TEXT = "Locked for all ";
// The first line of a type's lock answer is read up to this many bytes.
constexpr std::size_t LOCK_ANSWER_MAX = 2048;

bool list_holds_word(std::string_view list, std::string_view word) {
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t start = list.find_first_not_of(" \t\r", pos);
        if (start == std::string_view::npos) break;
        std::size_t end = list.find_first_of(" \t\r", start);
        if (end == std::string_view::npos) end = list.size();
        if (list.substr(start, end - start) == word) return true;
        pos = end;
    }
    return false;
}

}  // namespace

LockAnswer read_lock_answer(std::string_view answer, std::string_view user) {
    std::string_view line = answer.substr(0, answer.find('\n'));
    if (line.substr(0, LOCKED.size()) != LOCKED) return LockAnswer::UNLOCKED;
    if (line.substr(0, LOCKED_FOR_ALL_TEXT.size()) == LOCKED_FOR_ALL_TEXT) return LockAnswer::LOCKED_FOR_ALL;
    std::size_t colon = line.find(':');
    std::string_view list = colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1);
    if (!user.empty() && list_holds_word(list, user)) return LockAnswer::EXCEPTED;
    return LockAnswer::LOCKED_EXCEPT_OTHERS;
}

LockAnswer ask_lock(std::string_view selector, std::string_view user) {
    Command command(CLEARTOOL);
    command.arg("lslock").args("-fmt", "%c", selector).trash_err();
    std::string answer;
    get_stdout_of_command(command, answer, LOCK_ANSWER_MAX + 1);
    return read_lock_answer(answer, user);
}

LockAnswer ask_type_lock(std::string_view kind, std::string_view name, std::string_view vob, std::string_view user) {
    return ask_lock(type_selector(kind, name, vob), user);
}

int quick_lock_check(LastLockChecked& last, std::string_view kind, std::string_view name, std::string_view vob,
                     std::string_view user) {
    std::string selector = type_selector(kind, name, vob);
    if (!last.selector.empty() && last.selector == selector) return last.locked;
    last.selector = std::move(selector);
    last.locked = locks_out_receiver(ask_lock(last.selector, user)) ? 1 : 0;
    return last.locked;
}

// The lock state of a type in the receiving VOB, decided from the text that
// `cleartool lslock -fmt %c` prints, never from its exit status alone.
#pragma once

#include <string>
#include <string_view>

enum class LockAnswer {
    UNLOCKED,              // no lock listed
    LOCKED_FOR_ALL,        // "Locked for all users." (also the obsolete form)
    LOCKED_EXCEPT_OTHERS,  // locked with an exception list without the receiving user
    EXCEPTED,              // locked with an exception list that holds the receiving user
};

// Reads the first line of an lslock answer. A lock with exceptions lists
// the excepted users after ":", separated by blanks.
LockAnswer read_lock_answer(std::string_view answer, std::string_view user);

inline bool locks_out_receiver(LockAnswer a) {
    return a == LockAnswer::LOCKED_FOR_ALL || a == LockAnswer::LOCKED_EXCEPT_OTHERS;
}

// Asks ClearCase for the lock of one object selector ("vob:<tag>",
// "lbtype:<name>@<vob>", a path, ...), passed as one quoted word. A command
// that cannot run or prints nothing counts as unlocked.
LockAnswer ask_lock(std::string_view selector, std::string_view user);
// The same for the type kind:name@vob (kind "brtype", "lbtype", "attype").
LockAnswer ask_type_lock(std::string_view kind, std::string_view name, std::string_view vob, std::string_view user);

// The last type whose lock a quick check asked for, and its answer.
struct LastLockChecked {
    std::string selector;  // kind:name@vob; empty before the first question
    int locked = 0;
};

// 1 when the type kind:name@vob is locked for `user`, 0 otherwise. The type
// asked last and its answer are kept in `last`, so asking again for the same
// type runs no command.
int quick_lock_check(LastLockChecked& last, std::string_view kind, std::string_view name, std::string_view vob,
                     std::string_view user);

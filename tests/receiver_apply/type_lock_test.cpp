// Reading lock answers: the text decides, for every form lslock prints.
#include "receiver/apply/type_lock.h"

#include <gtest/gtest.h>

TEST(TypeLock, AnswersAreReadFromTheText) {
    struct Case {
        const char* answer;
        LockAnswer expected;
    } cases[] = {
        {"", LockAnswer::UNLOCKED},
        {"cleartool: Error: Lock not found\n", LockAnswer::UNLOCKED},
        {"Locked for all users.\n", LockAnswer::LOCKED_FOR_ALL},
        {"Locked for all users (obsolete).\n", LockAnswer::LOCKED_FOR_ALL},
        {"Locked except for users: alice vrecv bob\n", LockAnswer::EXCEPTED},
        {"Locked except for users: vrecv\n", LockAnswer::EXCEPTED},
        {"Locked except for users: alice bob\n", LockAnswer::LOCKED_EXCEPT_OTHERS},
        // A name that merely contains the user is not the user.
        {"Locked except for users: xvrecv vrecvx\n", LockAnswer::LOCKED_EXCEPT_OTHERS},
        // Only the first line counts.
        {"Locked except for users: alice\nvrecv\n", LockAnswer::LOCKED_EXCEPT_OTHERS},
        {"Locked except for users:\n", LockAnswer::LOCKED_EXCEPT_OTHERS},
    };
    for (const Case& c : cases) EXPECT_EQ(read_lock_answer(c.answer, "vrecv"), c.expected) << c.answer;
    EXPECT_TRUE(locks_out_receiver(LockAnswer::LOCKED_FOR_ALL));
    EXPECT_TRUE(locks_out_receiver(LockAnswer::LOCKED_EXCEPT_OTHERS));
    EXPECT_FALSE(locks_out_receiver(LockAnswer::EXCEPTED));
    EXPECT_FALSE(locks_out_receiver(LockAnswer::UNLOCKED));
}

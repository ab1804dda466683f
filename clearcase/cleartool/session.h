// One cleartool command's session with the store: opens it with the right
// lock, wraps the work in a transaction (with a savepoint per operand, so a
// failing operand does not undo the others), then refreshes the views,
// releases the lock and runs the triggers the operation fired.
#pragma once
#include <string>

#include "clearcase/cleartool/dispatch.h"
#include "clearcase/store/store.h"

#define CC_COMMENT_OPTS                                                   \
    {"comment", 1, true}, {"ncomment", 2, false}, {"cquery", 2, false}, { \
        "cqeach", 3, false                                                \
    }

namespace ccsub {

class Session {
public:
    Store st;
    // Prints an error and returns false when the store cannot be opened.
    bool open(bool writer);
    // Per-operand savepoint handling.
    void begin_operand();
    void end_operand(bool ok);
    // Commits, refreshes views, unlocks and runs triggers; returns status
    // (1 when the commit failed).
    int finish(int status);

private:
    bool writer_ = false, in_txn_ = false;
    size_t trig_mark_ = 0;
};

std::string comment_of(const ParsedOpts& o);

}  // namespace ccsub

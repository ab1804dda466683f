// Lock enforcement: a locked VOB, element, branch or type refuses changes
// by users outside its exception list.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "clearcase/store/store.h"

namespace ccsub {

struct LockScope {
    int64_t vob_id = 0;
    int64_t eid = 0;
    int64_t branch_id = 0;          // also checks the branch's type
    std::vector<int64_t> type_ids;  // label, attribute, branch types used
};

// 1 when the operation may proceed; 0 with "Lock on ... prevents operation"
// in the store's error.
int check_locks(Store& st, const LockScope& scope, const std::string& op);

// Text of the lock for lslock -fmt %c (first line, no newline):
// "Locked for all users.", "Locked except for users: a b",
// "Locked for all users (obsolete)."
std::string lock_text(const LockRec& l);

}  // namespace ccsub

#include "receiver/intake/locked_vobs.h"

#include <algorithm>

bool LockedVobMemory::note_locked(const std::string& tag, std::time_t now) {
    auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.tag == tag; });
    if (it != slots_.end()) {
        bool quiet = now - it->last < LOCKED_VOB_QUIET_SECONDS;
        it->last = now;
        return !quiet;
    }
    // A full memory cannot throttle: the VOB is then reported every time.
    if (slots_.size() < LOCKED_VOB_SLOTS) slots_.push_back({tag, now});
    return true;
}

void LockedVobMemory::note_unlocked(const std::string& tag) {
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.tag == tag; }),
                 slots_.end());
}

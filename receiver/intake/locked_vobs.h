// Memory of VOBs found locked against the receiver. It throttles the
// "skipped packet" warning: a VOB is reported when first found locked, and
// again only after 30 seconds without a look at it.
#pragma once

#include <ctime>
#include <string>
#include <vector>

inline constexpr std::size_t LOCKED_VOB_SLOTS = 400;
inline constexpr std::time_t LOCKED_VOB_QUIET_SECONDS = 30;

class LockedVobMemory {
public:
    // Notes that tag was found locked at now; true when this should be logged.
    bool note_locked(const std::string& tag, std::time_t now);
    // Forgets tag (found unlocked).
    void note_unlocked(const std::string& tag);
    void clear() { slots_.clear(); }

private:
    struct Slot {
        std::string tag;
        std::time_t last = 0;
    };
    std::vector<Slot> slots_;
};

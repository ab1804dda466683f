// The symbolic links below a replicated directory: gathered before the
// history passes, dropped from the export text by manage_any_slinks and
// carried as "L:" header records by the conversion.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline constexpr std::size_t SLINKS_PER_SCALE = 10240;
inline constexpr std::size_t SLINK_ENTRY_MAX = 1023;  // "path>text"

struct SlinkEntry {
    std::string path;  // relative to the replicated directory
    std::string text;  // the link text
};

struct SlinkState {
    int SLINK_SCALE = 1;                           // "slink_scale=", 0 switches gathering off
    int VANDREL_SLINK_PROCESSING_OVERRIDE_ON = 0;  // the environment switch, read at start-up
    std::vector<SlinkEntry> LIST;                  // NUMBER_OF_SLINKS = LIST.size()
    std::size_t real_slink_max() const { return static_cast<std::size_t>(SLINK_SCALE) * SLINKS_PER_SCALE; }
};
extern SlinkState SLINKS;

// Whether links are gathered and carried (scale not 0, override off).
bool slink_processing_on();

// Lists the symbolic links below `view_path` (the replicated directory in
// the export view) into `listing` with `cleartool find`, describes each and
// fills SLINKS.LIST (emptied first). Links under "lost+found/" are skipped
// when the replicated directory is the VOB's top. Returns 1, or 0 after
// logging the tossing message (class 'e'). The listing is removed.
int gather_slinks(const std::string& view_path, const std::string& listing, bool replicated_is_vob_top);

// The export view's config spec: <NNN>.cs, checked and cleaned before it is
// set with `cleartool setcs`. Rules that would let the export see private
// or time-dependent versions are refused; "-nocheckout" is blanked and
// comments are dropped.
#pragma once

#include <cstddef>
#include <string>

// At most this much of the file is read.
inline constexpr std::size_t CONFIG_SPEC_READ_MAX = 199500;
// Longest config spec taken line by line; a longer one is refused whole.
inline constexpr std::size_t CONFIG_SPEC_WORK_MAX = 50000;
// A config spec of this many bytes or fewer is taken as missing.
inline constexpr std::size_t CONFIG_SPEC_MIN = 9;
// The step number the config spec messages carry.
inline constexpr int CONFIG_SPEC_STEP = 4;

struct ConfigSpecEdit {
    std::string kept;   // the lines to set, each followed by a newline
    std::string error;  // empty when the config spec may be set
};

// Checks and cleans `text`, the content of `file` (named in the messages).
ConfigSpecEdit edit_config_spec(const std::string& text, const std::string& file);

// Reads `file`, checks it and sets it on `view` through a private temporary
// file `edited` that is removed again. Returns an empty text on success,
// otherwise the message to fail with.
std::string set_export_config_spec(const std::string& file, const std::string& edited, const std::string& view);

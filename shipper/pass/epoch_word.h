// The first word of a receiver's epoch confirmation: the date-time that
// bounds the next history export.
#pragma once

#include <string_view>

// "6-Dec-2026.7:26:5": day, English month abbreviation, year, hour, minute
// and second (leading zeros allowed). Anything else cannot bound an export.
bool is_since_word(std::string_view word);

// The since text of a packet ("6-Dec-2026.7:26:5 UTC -5") back to seconds.
#pragma once

#include <ctime>
#include <string_view>

// Reads day, month name, year, hour, minute and second from the first 20
// characters of a since text into the local time of the current moment
// (keeping its daylight-saving flag) and returns mktime of it. A missing day
// counts as 0, an unknown month as January, missing time fields as 0.
std::time_t time_of(std::string_view since);

// The daily window in which the receiver leaves packets waiting.
#pragma once

#include <ctime>
#include <string>

struct InactivityWindow {
    bool defined = false;
    std::string text;  // "hh:mm-hh:mm" as configured
    int start_hour = 0;
    int start_minute = 0;
    int end_hour = 0;
    int end_minute = 0;
};

// Parses "hh:mm-hh:mm" (exactly eleven characters, hours 0..23, minutes
// 0..59, start and end different). False leaves window untouched.
bool parse_inactivity_window(const std::string& word, InactivityWindow& window);

// 1 when the window is defined and `now` (local time) lies inside it. A
// window whose end is not after its start crosses midnight.
int in_inactive_time(const InactivityWindow& window, std::time_t now);

// Small text helpers of the trigger program.
#pragma once

#include <string>
#include <vector>

namespace shipout {

// A copy without blanks, tabs and line ends at either end.
std::string strip(const std::string& text);

// Blank- or tab-separated words.
std::vector<std::string> split_words(const std::string& text);

}  // namespace shipout

#include "shipout/text.h"

#include "common/text_ops.h"

namespace shipout {

std::string strip(const std::string& text) {
    std::string copy = text;
    strip_surrounding(copy);
    return copy;
}

std::vector<std::string> split_words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while ((pos = text.find_first_not_of(" \t\r\n", pos)) != std::string::npos) {
        std::size_t end = text.find_first_of(" \t\r\n", pos);
        words.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end;
    }
    return words;
}

}  // namespace shipout

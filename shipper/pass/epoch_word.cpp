#include "shipper/pass/epoch_word.h"

#include <cctype>
#include <cstddef>

#include "common/since.h"

bool is_since_word(std::string_view word) {
    std::size_t i = 0;
    auto digits = [&](std::size_t max) {
        const std::size_t start = i;
        while (i < word.size() && i - start < max && std::isdigit(static_cast<unsigned char>(word[i]))) ++i;
        return i > start;
    };
    auto expect = [&](char c) { return i < word.size() && word[i++] == c; };
    if (!digits(2) || !expect('-')) return false;
    bool month = false;
    for (std::string_view name : MONTHS)
        if (word.substr(i, name.size()) == name) month = true;
    if (!month) return false;
    i += 3;
    return expect('-') && digits(4) && expect('.') && digits(2) && expect(':') && digits(2) && expect(':') &&
           digits(2) && i == word.size();
}

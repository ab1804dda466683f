// A list of names with set semantics and insertion order: membership is
// constant time, iteration follows the order of first insertion, duplicates
// are ignored. Its text form is "|a|b|c|" (just "|" when empty).
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

class NameList {
public:
    // Adds the name unless present; returns true when it was added.
    bool push(std::string_view name);
    bool contains(std::string_view name) const { return index_.count(name) != 0; }
    void clear();
    std::size_t size() const { return names_.size(); }
    bool empty() const { return names_.empty(); }
    std::string text() const;

    auto begin() const { return names_.begin(); }
    auto end() const { return names_.end(); }

private:
    std::deque<std::string> names_;  // deque: elements never move, views stay valid
    std::unordered_set<std::string_view> index_;
};

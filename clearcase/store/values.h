// Attribute values: the stored form is the displayed form (strings in
// double quotes, numbers bare).
#pragma once
#include <string>

namespace ccsub {

// Converts a value given on a command line (quoted or not) to the stored
// form for the attribute type's vtype; false when it does not fit.
bool attr_value_for(const std::string& vtype, const std::string& raw, std::string& out);

}  // namespace ccsub

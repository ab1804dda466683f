#include "clearcase/store/values.h"

#include <cstdlib>

namespace ccsub {

bool attr_value_for(const std::string& vtype, const std::string& raw, std::string& out) {
    std::string v = raw;
    bool quoted = v.size() >= 2 && v.front() == '"' && v.back() == '"';
    if (vtype == "integer") {
        if (quoted) v = v.substr(1, v.size() - 2);
        if (v.empty()) return false;
        size_t i = (v[0] == '-' || v[0] == '+') ? 1 : 0;
        if (i >= v.size() || v.find_first_not_of("0123456789", i) != std::string::npos) return false;
        out = v;
        return true;
    }
    if (vtype == "real") {
        if (quoted) v = v.substr(1, v.size() - 2);
        char* end = nullptr;
        std::strtod(v.c_str(), &end);
        if (v.empty() || *end) return false;
        out = v;
        return true;
    }
    out = quoted ? v : "\"" + v + "\"";
    return true;
}

}  // namespace ccsub

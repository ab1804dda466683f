#include "clearcase/view/configspec.h"

#include <fnmatch.h>

#include <sstream>

#include "clearcase/util/sys.h"

namespace ccsub {

namespace {

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    std::string s;
    while (in >> s) w.push_back(s);
    return w;
}

bool parse_selector(const std::string& s, CsRule& r) {
    if (s == "CHECKEDOUT") {
        r.sel = CsRule::Sel::Checkedout;
        return true;
    }
    if (s == "-none") {
        r.sel = CsRule::Sel::None;
        return true;
    }
    if (s.rfind(".../", 0) == 0) {
        // .../<br>/LATEST
        std::string rest = s.substr(4);
        auto k = rest.find('/');
        if (k == std::string::npos || k == 0 || rest.substr(k + 1) != "LATEST") return false;
        r.sel = CsRule::Sel::AnyBranchLatest;
        r.branch = rest.substr(0, k);
        return true;
    }
    if (!s.empty() && s[0] == '/') {
        auto k = s.rfind('/');
        std::string last = s.substr(k + 1), br = s.substr(0, k);
        if (br.empty() || last.empty()) return false;
        r.branch = br;
        if (last == "LATEST") {
            r.sel = CsRule::Sel::BranchLatest;
            return true;
        }
        if (last.find_first_not_of("0123456789") == std::string::npos && last.size() < 12) {
            r.sel = CsRule::Sel::BranchNum;
            r.num = std::stoll(last);
            return true;
        }
        return false;
    }
    if (s.find('/') != std::string::npos || s.empty()) return false;
    r.sel = CsRule::Sel::Label;
    r.label = s;
    return true;
}

// Component-wise glob with "..." matching any run of components.
bool match_parts(const std::vector<std::string>& pat, size_t pi, const std::vector<std::string>& path, size_t xi) {
    if (pi == pat.size()) return xi == path.size();
    if (pat[pi] == "...") {
        for (size_t k = xi; k <= path.size(); ++k)
            if (match_parts(pat, pi + 1, path, k)) return true;
        return false;
    }
    if (xi == path.size()) return false;
    if (fnmatch(pat[pi].c_str(), path[xi].c_str(), 0) != 0 && pat[pi] != path[xi]) return false;
    return match_parts(pat, pi + 1, path, xi + 1);
}

}  // namespace

// Parses the words of one "element" rule line; false with the reason.
static bool parse_rule(const std::vector<std::string>& w, CsRule& r, std::string& why) {
    if (w[0] != "element") {
        why = "\"" + w[0] + "\" rules are not supported";
        return false;
    }
    size_t i = 1;
    for (; i < w.size() && (w[i] == "-file" || w[i] == "-directory"); ++i) {
        if (w[i] == "-file")
            r.file_only = true;
        else
            r.dir_only = true;
    }
    if (i + 1 >= w.size()) {
        why = "pattern and version selector expected";
        return false;
    }
    r.pattern = w[i++];
    if (!parse_selector(w[i], r)) {
        why = "bad version selector \"" + w[i] + "\"";
        return false;
    }
    for (++i; i < w.size(); ++i) {
        if (w[i] == "-mkbranch" && i + 1 < w.size()) {
            r.mkbranch = w[++i];
        } else if (w[i] == "-nocheckout") {
            r.nocheckout = true;
        } else if (w[i][0] == '#') {
            break;
        } else {
            why = "unsupported option \"" + w[i] + "\"";
            return false;
        }
    }
    for (size_t k = 0; k < w.size(); ++k) r.text += (k ? " " : "") + w[k];
    return true;
}

bool parse_config_spec(const std::string& text, ConfigSpec& out, std::string& err) {
    out.rules.clear();
    std::istringstream in(text);
    std::string line;
    int lineno = 0;
    while (std::getline(in, line)) {
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#') continue;
        CsRule r;
        std::string why;
        if (!parse_rule(w, r, why)) {
            err = "Unsupported or malformed config spec line " + std::to_string(lineno) + ": " + why;
            return false;
        }
        out.rules.push_back(r);
    }
    return true;
}

bool cs_pattern_matches(const std::string& pattern, const std::string& path) {
    auto parts = split_path(path);
    if (pattern.find('/') == std::string::npos) {
        if (parts.empty()) return pattern == "*";
        return fnmatch(pattern.c_str(), parts.back().c_str(), 0) == 0;
    }
    auto pat = split_path(pattern);
    if (pattern[0] != '/' && (pat.empty() || pat[0] != "...")) pat.insert(pat.begin(), "...");
    return match_parts(pat, 0, parts, 0);
}

}  // namespace ccsub

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
        auto parts = split_path(s.substr(4));
        if (parts.size() != 2 || parts[1] != "LATEST") return false;
        r.sel = CsRule::Sel::AnyBranchLatest;
        r.branch = parts[0];
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

bool parse_config_spec(const std::string& text, ConfigSpec& out, std::string& err) {
    out.rules.clear();
    std::istringstream in(text);
    std::string line;
    int lineno = 0;
    while (std::getline(in, line)) {
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto w = words(line);
        if (w.empty() || w[0][0] == '#') continue;
        auto bad = [&](const std::string& why) {
            err = "Unsupported or malformed config spec line " + std::to_string(lineno) + ": " + why;
            return false;
        };
        if (w[0] != "element") return bad("\"" + w[0] + "\" rules are not supported");
        CsRule r;
        size_t i = 1;
        for (; i < w.size() && (w[i] == "-file" || w[i] == "-directory"); ++i)
            (w[i] == "-file" ? r.file_only : r.dir_only) = true;
        if (i + 1 >= w.size()) return bad("pattern and version selector expected");
        r.pattern = w[i++];
        if (!parse_selector(w[i++], r)) return bad("bad version selector \"" + w[i - 1] + "\"");
        for (; i < w.size(); ++i) {
            if (w[i] == "-mkbranch" && i + 1 < w.size())
                r.mkbranch = w[++i];
            else if (w[i] == "-nocheckout")
                r.nocheckout = true;
            else if (w[i][0] == '#')
                break;
            else
                return bad("unsupported option \"" + w[i] + "\"");
        }
        std::string t;
        for (size_t k = 0; k < w.size(); ++k) t += (k ? " " : "") + w[k];
        r.text = t;
        out.rules.push_back(std::move(r));
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

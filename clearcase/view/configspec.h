// Config specs: parsing of the supported rule lines and pattern matching.
//   element [-file|-directory] <pattern> <selector> [-mkbranch <brtype>] [-nocheckout]
// Selectors: CHECKEDOUT, /main/LATEST, /main/<n>, /main/<br>/.../LATEST,
// .../<br>/LATEST, <label>, -none.
#pragma once
#include <string>
#include <vector>

namespace ccsub {

struct CsRule {
    enum class Sel { Checkedout, BranchLatest, BranchNum, AnyBranchLatest, Label, None };
    bool file_only = false, dir_only = false;
    std::string pattern;  // as written
    Sel sel = Sel::None;
    std::string branch;  // "/main/dev" for BranchLatest/BranchNum, "dev" for AnyBranchLatest
    long long num = 0;   // BranchNum
    std::string label;   // Label
    std::string mkbranch;
    bool nocheckout = false;
    std::string text;  // the rule line, trimmed (for "Rule:" displays)
};

struct ConfigSpec {
    std::vector<CsRule> rules;
};

// Parses config spec text; returns false with a message naming the line on
// an unsupported or malformed line.
bool parse_config_spec(const std::string& text, ConfigSpec& out, std::string& err);

// Matches a rule pattern against an element's VOB-tag-rooted path.
// "*"-style patterns without a slash match the last component; "..." matches
// any number of components (none included); relative patterns with a slash
// match at any depth.
bool cs_pattern_matches(const std::string& pattern, const std::string& path);

}  // namespace ccsub

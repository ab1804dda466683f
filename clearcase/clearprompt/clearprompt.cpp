// clearprompt: never blocks a background run. The prompt text (the -prompt
// argument and everything after it) goes to stderr and the answer is the
// default choice, or abort; no terminal or stdin is read.
//   yes_no / proceed: exit 0 = yes/proceed, 1 = no, 2 = abort
//   text / file / list: writes the default (if any) to -outfile, exit 0;
//                       with no default the answer is abort (exit 2)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "clearcase/util/sys.h"

namespace {

bool is_opt(const std::string& a, const char* full, size_t min) {
    if (a.size() < 2 || a[0] != '-') return false;
    std::string w = a.substr(1);
    return w.size() >= min && w.size() <= std::strlen(full) && std::strncmp(full, w.c_str(), w.size()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string kind = args.empty() ? "" : args[0];
    std::string def, prompt, outfile;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&]() { return i + 1 < args.size() ? args[++i] : std::string(); };
        if (is_opt(a, "prompt", 3)) {
            // The prompt and any words after it (an unquoted message).
            for (size_t k = i + 1; k < args.size(); ++k) prompt += (k > i + 1 ? " " : "") + args[k];
            break;
        }
        if (is_opt(a, "default", 3))
            def = next();
        else if (is_opt(a, "outfile", 3))
            outfile = next();
        else if (is_opt(a, "mask", 3) || is_opt(a, "type", 3) || is_opt(a, "items", 3) || is_opt(a, "dfile", 3) ||
                 is_opt(a, "pattern", 3) || is_opt(a, "directory", 3))
            next();
        else if (is_opt(a, "prefer_gui", 3)) {
            // Takes no argument; a following word that is not an option is
            // tolerated and skipped.
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') ++i;
        }
    }
    std::fprintf(stderr, "clearprompt: %s\n", prompt.c_str());
    if (kind == "yes_no" || kind == "proceed") {
        if (def == "yes" || def == "proceed") return 0;
        if (def == "no") return 1;
        return 2;
    }
    if ((kind == "text" || kind == "file" || kind == "list") && !def.empty()) {
        if (!outfile.empty() && !ccsub::write_file(outfile, def + "\n", 0644)) return 2;
        return 0;
    }
    return 2;
}

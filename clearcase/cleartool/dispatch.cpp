#include "clearcase/cleartool/dispatch.h"

#include <cstdio>
#include <cstring>

namespace ccsub {

namespace {
std::map<std::string, CommandFn>& registry() {
    static std::map<std::string, CommandFn> r;
    return r;
}
}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, CommandFn fn) {
    registry()[name] = fn;
}

CommandFn find_command(const std::string& name) {
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}

std::string ParsedOpts::get(const std::string& name, const std::string& def) const {
    auto it = opts.find(name);
    if (it == opts.end() || it->second.empty()) return def;
    return it->second.back();
}

static const OptSpec* match_option(const std::string& word, std::span<const OptSpec> spec, bool& ambiguous) {
    ambiguous = false;
    for (auto& s : spec)
        if (word == s.name) return &s;
    const OptSpec* found = nullptr;
    for (auto& s : spec) {
        size_t n = std::strlen(s.name);
        if (word.size() < static_cast<size_t>(s.min_len) || word.size() > n) continue;
        if (std::strncmp(s.name, word.c_str(), word.size()) != 0) continue;
        if (found) ambiguous = true;
        if (!found) found = &s;
    }
    return found;
}

bool parse_options(const Args& args, std::span<const OptSpec> spec, ParsedOpts& out, std::string& err,
                   bool interleaved) {
    out = ParsedOpts{};
    bool opts_done = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!opts_done && a == "--") {
            opts_done = true;
            continue;
        }
        if (!opts_done && a.size() > 1 && a[0] == '-') {
            bool amb = false;
            const OptSpec* s = match_option(a.substr(1), spec, amb);
            if (!s) {
                err = "Unrecognized option \"" + a + "\"";
                return false;
            }
            if (amb) {
                err = "Ambiguous option \"" + a + "\"";
                return false;
            }
            auto& vals = out.opts[s->name];
            if (s->takes_arg) {
                if (i + 1 >= args.size()) {
                    err = "Option \"" + a + "\" requires an argument.";
                    return false;
                }
                vals.push_back(args[++i]);
            }
            continue;
        }
        out.operands.push_back(a);
        if (!interleaved) opts_done = true;
    }
    return true;
}

int cc_error(const std::string& msg) {
    std::fprintf(stderr, "cleartool: Error: %s\n", msg.c_str());
    return 1;
}

void cc_warning(const std::string& msg) {
    std::fprintf(stderr, "cleartool: Warning: %s\n", msg.c_str());
}

int usage_error(const std::string& cmd, const std::string& msg) {
    std::fprintf(stderr, "cleartool: Error: %s\nUsage: cleartool %s ... (see the substitute's reference page)\n",
                 msg.c_str(), cmd.c_str());
    return 1;
}

int dispatch(int argc, char** argv) {
    if (argc < 2) return usage_error("<command>", "No command given.");
    std::string cmd = argv[1];
    if (cmd == "-ver" || cmd == "-version" || cmd == "-VerAll" || cmd == "-verall") {
        std::printf("ClearCase substitute (Vandrel test platform) version 1.0\n");
        return 0;
    }
    CommandFn fn = find_command(cmd);
    if (!fn) return cc_error("Unrecognized command: \"" + cmd + "\"");
    Args args(argv + 2, argv + argc);
    return fn(args);
}

}  // namespace ccsub

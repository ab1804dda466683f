// cleartool's subcommand dispatcher. Each command file registers its
// handlers with CLEARTOOL_COMMAND("name", fn); fn receives the arguments
// after the subcommand word and returns the exit status.
// Options are parsed per command with parse_options, which accepts any
// unambiguous abbreviation down to the minimal length ClearCase allows.
#pragma once
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace ccsub {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct CommandRegistrar {
    CommandRegistrar(const char* name, CommandFn fn);
};

#define CCSUB_CAT2(a, b) a##b
#define CCSUB_CAT(a, b) CCSUB_CAT2(a, b)
#define CLEARTOOL_COMMAND(name, fn) static ::ccsub::CommandRegistrar CCSUB_CAT(ccsub_cmd_reg_, __LINE__)(name, fn)

// Runs the subcommand named argv[1]; the exit status.
int dispatch(int argc, char** argv);
// Looks up a registered command (exact name).
CommandFn find_command(const std::string& name);

struct OptSpec {
    const char* name;  // full name without '-', e.g. "recurse"
    int min_len;       // shortest accepted abbreviation, e.g. 3 ("-rec")
    bool takes_arg = false;
};

struct ParsedOpts {
    std::map<std::string, std::vector<std::string>> opts;  // by full name
    std::vector<std::string> operands;
    bool has(const std::string& name) const { return opts.count(name) != 0; }
    // Last value given for the option, or def.
    std::string get(const std::string& name, const std::string& def = "") const;
};

// Parses options and operands. Options may come in any order before the
// operands; with `interleaved` they may also follow operands (the query
// forms: find "<V>" -nxname -type l -print). A lone "--" ends the options.
// Returns false with a message on an unknown or ambiguous option or a
// missing argument.
bool parse_options(const Args& args, std::span<const OptSpec> spec, ParsedOpts& out, std::string& err,
                   bool interleaved = false);
inline bool parse_options(const Args& args, std::initializer_list<OptSpec> spec, ParsedOpts& out, std::string& err,
                          bool interleaved = false) {
    return parse_options(args, std::span<const OptSpec>(spec.begin(), spec.size()), out, err, interleaved);
}

// Prints "cleartool: Error: <msg>" on stderr; returns 1.
int cc_error(const std::string& msg);
// Prints "cleartool: Warning: <msg>" on stderr.
void cc_warning(const std::string& msg);
// Usage error for a command.
int usage_error(const std::string& cmd, const std::string& msg);

}  // namespace ccsub

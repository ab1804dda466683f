// Shared pieces of the read-only cleartool commands: option parsing with
// ClearCase's minimal abbreviations, object selectors ("lbtype:REL1@/vobs/src",
// "vob:/vobs/src"), error output, and filling -fmt facts from store records.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "clearcase/cleartool/dispatch.h"
#include "clearcase/fmt/fmt.h"
#include "clearcase/store/records.h"

namespace ccsub {
class Store;
}

namespace ccsub::query {

// One option of a command: its full name (without '-'), the shortest prefix
// accepted, and whether it takes a value. The same as every other command's.
using OptSpec = ::ccsub::OptSpec;

struct ParsedArgs {
    bool ok = true;
    std::string error;                        // set when !ok
    std::map<std::string, std::string> opts;  // full option name -> value ("" for flags)
    std::vector<std::string> operands;

    bool has(std::string_view name) const { return opts.count(std::string(name)) != 0; }
    std::string value(std::string_view name) const {
        auto it = opts.find(std::string(name));
        return it == opts.end() ? std::string() : it->second;
    }
};

// parse_options with options before, between and after the operands; "--"
// ends them. An unknown option is an error (never taken for an operand).
// A repeated option keeps its last value.
ParsedArgs parse_args(const std::vector<std::string>& args, std::span<const OptSpec> specs);

// parse_args, printing the error when the words do not parse; false then.
bool parse_args_or_report(const std::vector<std::string>& args, std::span<const OptSpec> specs, ParsedArgs& out);

// "cleartool: Error: <text>" on stderr.
void print_error(std::string_view text);
// Writes text to stdout unbuffered-safe (one write per call).
void print_out(std::string_view text);

// "kind:name@vob" or "vob:tag"; the VOB part is optional for types (the
// caller supplies the VOB of the cwd). nullopt when the text has no known
// kind prefix.
struct Selector {
    std::string kind;  // "vob", "brtype", "lbtype", "attype", "eltype", "trtype", "hltype"
    std::string name;  // type name, or the VOB tag for "vob"
    std::string vob;   // VOB tag ("" when not given)
};
std::optional<Selector> parse_selector(std::string_view text);
bool is_type_kind(std::string_view kind);

// -fmt facts of a type and of a VOB.
ObjectFacts type_facts(Store& store, const TypeRec& type, const VobRec& vob);
ObjectFacts vob_facts(const VobRec& vob);

// Long listing of a type (lstype -l, describe of a type selector).
std::string type_long_listing(Store& store, const TypeRec& type);

// Opens the store read-only, printing its error when it cannot; false then.
bool open_read_only(Store& store);

// The operands of a command that works on the cwd when given none.
std::vector<std::string> operands_or_cwd(const ParsedArgs& a);

// The VOB named by a selector, or by the VOB tag the cwd (or a setview)
// lies in when the selector names none. Prints an error when not found.
std::optional<VobRec> selector_vob(Store& store, const Selector& sel);

// The VOB tag of the directory the process runs in, seen through a view
// ("/view/W/vobs/src/a" or, inside setview, "/vobs/src/a"); "" when none.
std::string cwd_vob_tag(Store& store);

}  // namespace ccsub::query

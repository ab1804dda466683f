// Which branches, labels and attributes of a VOB travel: the designator and
// the name patterns of each kind, as a VOB key line gives them, and the
// matching rules every history pass applies.
//
// A kind's field in the VOB key line reads "[E]:pat1,pat2" (the listed names
// are excluded) or "[O]:pat1,pat2" (only the listed names travel); without a
// field every name travels. A pattern is a name, "*", "**", "word*" (names
// that begin with word), "*word" (names that end with it) or "*word*" (names
// that contain it); no other wildcard exists.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char DESIGNATOR_ALL = 'A';       // every name travels
inline constexpr char DESIGNATOR_EXCLUDE = 'E';   // matching names are left out
inline constexpr char DESIGNATOR_RESTRICT = 'R';  // only matching names travel
inline constexpr std::size_t MAX_PATTERNS = 12;
inline constexpr std::size_t PATTERN_MAX = 255;
inline constexpr char MARK_EXCLUDE[] = "[E]:";
inline constexpr char MARK_RESTRICT[] = "[O]:";

struct PatternList {
    char designator = DESIGNATOR_ALL;
    std::vector<std::string> patterns;
};

// The selection of the VOB key being shipped; the shipping pass fills it
// from the key line before it runs the history passes.
struct MetadataSelection {
    PatternList BRANCHES;
    PatternList LABELS;
    PatternList ATTRIBUTES;
};
extern MetadataSelection METADATA_SELECTION;

// Reads one kind's field ("[E]:a,b" or "[O]:a,b") into `out`; an empty field
// selects every name. Returns 0 with a reason when the field has neither
// mark, more than MAX_PATTERNS patterns, an empty pattern or one longer than
// PATTERN_MAX, an "[O]:" field without patterns, or (branches only,
// `is_branch`) excludes "main".
int read_pattern_field(std::string_view field, bool is_branch, PatternList& out, std::string& error);

// 1 when the pattern matches the name (rules above).
int pattern_matches(std::string_view pattern, std::string_view name);
// 1 when any pattern of the list matches.
int matches_any_pattern(const PatternList& list, std::string_view name);
// Whether a name of that kind travels: "A" keeps it; "E" keeps it unless it
// matches (an "E" list without patterns keeps everything); "R" keeps it only
// when it matches.
bool keeps_name(const PatternList& list, std::string_view name);
// Whether the list filters anything at all (not "A", not an empty "E" list).
bool selection_filters(const PatternList& list);

// The branch path test: the branch names of a branch path ("/main/dev/fix")
// (after "@@" when it is an extended name) other than "main". "E" fails the path as soon as one name matches, "R"
// unless every name matches; "A" always passes.
bool branch_path_passes(const PatternList& branches, std::string_view branch_path);
// The same for a version path ("/main/dev/3" or "f.c@@/main/dev/3"): its
// version number (the text after the last "/") is cut off first.
bool version_path_passes(const PatternList& branches, std::string_view version_path);

// The matchers of the current selection.
int does_it_match_restricted_excluded_branch_pattern(std::string_view name);
int does_it_match_restricted_excluded_label_pattern(std::string_view name);
int does_it_match_restricted_excluded_attribute_pattern(std::string_view name);
// "label", "branch" or "attribute" to the matcher of that kind; 0 otherwise.
int does_it_match_restricted_excluded_type_pattern(std::string_view kind, std::string_view name);

// Logs (class 'n') what the selection asks for the packet: per pattern
// "- as requested excluding|including <kind> <pattern> for packet (<name>)...",
// or "- as requested including all <kinds> for packet (<name>)..." for a
// kind without patterns.
void log_requested_selection(const std::string& packet_name);

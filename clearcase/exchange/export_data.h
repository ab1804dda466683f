// The export data file: what clearexport_ccase writes and clearimport reads.
//
// A file is a header line, type blocks, then directory and element blocks.
// Values travel on "Tag LEN:value" lines, where LEN is the byte length of the
// value; a value may hold newlines and then continues on the next lines. Block
// lines ("ELEMENT_BEGIN", ...) stand alone on their line. Lines that are not
// understood are ignored by the reader, because the replication system edits
// the stream in between (it may drop a value line and leave its continuation
// lines, or append lines of blanks).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace ccx {

// Any value line the reader does not interpret; carried unchanged.
struct ValueLine {
    std::string tag;
    std::string value;
    bool operator==(const ValueLine&) const = default;
};

struct ExportAttribute {
    std::string name;
    std::string value;  // as describe shows it: strings in double quotes
    bool operator==(const ExportAttribute&) const = default;
};

struct ExportVersion {
    std::string version_id;                 // "/main/dev/2"
    std::string on_branch;                  // bare branch type name
    std::vector<std::string> sub_branches;  // branch types sprouting here
    std::string branch_from;                // origin of a branch (its version 0)
    std::vector<std::string> merges_from;   // "Merge": arrows into this version
    std::vector<std::string> merges_to;     // "FMerge": arrows out of it
    std::vector<std::string> labels;
    std::vector<ExportAttribute> attributes;
    std::vector<ValueLine> extras;
    std::string extract_file;
    bool operator==(const ExportVersion&) const = default;
};

struct ExportElement {
    std::string name;         // relative to ExportFromDir, "." for the top
    std::string el_type;      // "symbolic_link" for a link block
    std::string target_name;  // link text of a symbolic link
    std::vector<ValueLine> extras;
    std::vector<ExportVersion> versions;
    bool is_symlink() const { return el_type == kSymlinkType; }
    bool operator==(const ExportElement&) const = default;
    static constexpr std::string_view kSymlinkType = "symbolic_link";
};

struct ExportDir {
    std::string name;
    std::vector<ValueLine> extras;
    bool operator==(const ExportDir&) const = default;
};

enum class TypeKind { branch, label, attribute };

struct ExportType {
    TypeKind kind = TypeKind::branch;
    std::string name;
    std::vector<ValueLine> extras;  // scope, constraint, value type, ...
    bool operator==(const ExportType&) const = default;
};

struct ExportHeader {
    std::string export_from_dir;
    bool operator==(const ExportHeader&) const = default;
};

using ExportItem = std::variant<ExportHeader, ExportType, ExportDir, ExportElement>;

// Extra value-line tags this program family adds inside blocks. The
// replication system carries or drops them without looking at them.
inline constexpr std::string_view kTagScope = "TypeScope";            // global|ordinary
inline constexpr std::string_view kTagConstraint = "TypeConstraint";  // pbranch|vpelement|...
inline constexpr std::string_view kTagValueType = "ValueType";        // attribute vtype
inline constexpr std::string_view kTagDefault = "DefaultValue";       // attribute default
inline constexpr std::string_view kTagSuperType = "ElSuperType";      // element type's supertype

// Looks up the value of an extra line by tag; empty when absent.
std::string extra_value(const std::vector<ValueLine>& extras, std::string_view tag);

// --- Writing -------------------------------------------------------------
// Each function appends the text of one item to `out`; the caller writes the
// buffer to its file whenever it grows, so memory stays bounded.

// "Tag LEN:value\n".
void append_value_line(std::string& out, std::string_view tag, std::string_view value);
void write_header(std::string& out, std::string_view export_from_dir);
void write_type(std::string& out, const ExportType& type);
void write_dir(std::string& out, const ExportDir& dir);
void write_element(std::string& out, const ExportElement& element);
void write_item(std::string& out, const ExportItem& item);

// --- Reading -------------------------------------------------------------

struct Diagnostic {
    long line = 0;  // 1-based line where the problem was seen
    std::string text;
};

// Pull reader over an open file. next() yields one complete item at a time, so
// an import holds one element in memory, not the whole file. Incomplete blocks
// (cut off by the end of the file or by another block's begin line) are
// dropped and reported in diagnostics().
class ExportReader {
public:
    explicit ExportReader(std::FILE* in) : in_(in) {}
    ~ExportReader();
    ExportReader(const ExportReader&) = delete;
    ExportReader& operator=(const ExportReader&) = delete;

    // Fills `item` and returns true, or returns false at the end of the input.
    bool next(ExportItem& item);

    const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
    bool read_error() const { return read_error_; }

private:
    bool read_line(std::string& line);
    bool take_line(std::string& line);
    void push_back(std::string line);
    void diag(std::string text);
    // Splits a value line; returns false when the line is not one.
    bool parse_value_line(const std::string& line, ValueLine& out);

    std::FILE* in_;
    char* buf_ = nullptr;
    size_t cap_ = 0;
    long line_no_ = 0;
    bool pending_ = false;
    std::string pending_line_;
    std::vector<Diagnostic> diagnostics_;
    bool read_error_ = false;
};

// Reads a whole text (for tests and small files).
std::vector<ExportItem> parse_export_text(std::string_view text, std::vector<Diagnostic>* diagnostics = nullptr);

// Splits "/main/dev/3" into "/main/dev" and 3. Returns false for text that is
// not a version id (no leading "/", no branch, or a non-numeric last part).
bool split_version_id(std::string_view vid, std::string& branch_path, long& number);

// Last component of a branch path: "/main/dev" -> "dev".
std::string_view branch_type_of(std::string_view branch_path);

}  // namespace ccx

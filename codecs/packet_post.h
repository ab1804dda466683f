// Label and attribute section (section 4 of a packet head file): "POST>"
// (or "NONE>") followed by records each ending with ">":
//   M|type|object|value>   attribute set       R|type|object|>   attribute removed
//   m|label|version|>      label attached      r|label|version|> label removed
// Names, objects and values are written in full at their first appearance
// and as back-references afterwards: "=N" for label and attribute type names
// (one shared numbering), "<N" for objects, a bare number for values (a new
// value is written "[text]"). Each numbering holds at most
// BACK_REFERENCE_TABLE_MAX names; later new names are written in full and
// get no number.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "codecs/packet_format.h"

inline constexpr char POST_MAKE_ATTRIBUTE = 'M';
inline constexpr char POST_REMOVE_ATTRIBUTE = 'R';
inline constexpr char POST_MAKE_LABEL = 'm';
inline constexpr char POST_REMOVE_LABEL = 'r';

// Turns an attribute value into its in-packet text: every line break becomes
// "(^LF^)", every ">" a double quote, and the text is cut to at most
// ATTR_VALUE_MAX characters (never inside a "(^LF^)" token).
std::string encode_attr_value(std::string_view value);
// Restores the line breaks of an in-packet value text.
std::string restore_attr_value_lf(std::string_view text);

// One numbering of back-references: names in order of first appearance.
class BackReferenceTable {
public:
    explicit BackReferenceTable(std::size_t limit = BACK_REFERENCE_TABLE_MAX) : limit_(limit) {}
    // Number of a known name, -1 when unknown.
    long find(std::string_view name) const;
    // Adds a name when there is room; returns its number, or -1 when full.
    long add(std::string_view name);
    // Name of a number, nullptr when out of range.
    const std::string* at(long number) const;
    bool full() const { return names_.size() >= limit_; }
    std::size_t size() const { return names_.size(); }
    void clear();

private:
    std::size_t limit_;
    std::vector<std::string> names_;
    std::unordered_map<std::string, long> numbers_;
};

// Writes the records of one packet's section, keeping the three numberings.
class PostSectionWriter {
public:
    explicit PostSectionWriter(std::size_t table_limit = BACK_REFERENCE_TABLE_MAX);
    void reset();

    // Each returns 1 and appends one record to `out`, or returns 0 and leaves
    // everything unchanged when a field cannot be carried: an empty name or
    // object, a name holding "|" or ">" or starting with "=", an object holding
    // "|" or ">" or starting with "<". The attribute value is encoded with
    // encode_attr_value.
    int make_label(std::string& out, std::string_view label, std::string_view version);
    int remove_label(std::string& out, std::string_view label, std::string_view version);
    int make_attribute(std::string& out, std::string_view type, std::string_view object, std::string_view value);
    int remove_attribute(std::string& out, std::string_view type, std::string_view object);

    // The section keyword for a replication ("POST>") or deployment ("NONE>")
    // packet.
    static std::string keyword(bool replication);

private:
    int write(std::string& out, char kind, std::string_view type, std::string_view object,
              const std::string* encoded_value);

    BackReferenceTable types_;
    BackReferenceTable objects_;
    BackReferenceTable values_;
};

// One record with its back-references resolved.
struct PostRecord {
    char kind = 0;
    std::string type;    // label or attribute type name
    std::string object;  // version, branch or element
    std::string value;   // in-packet value text (no brackets), "M" records only
};

// Reads a section. A text that does not begin with "POST>" carries no
// records (result 1, nothing read). Returns 0 at the first malformed record
// (wrong field count, unknown kind, a back-reference to a number not yet
// defined, a value neither "[text]" nor a number), with the records before it
// in `records` and a one-line reason in `error`; a last record without its
// ">" counts as malformed.
int read_post_section(std::string_view text, std::vector<PostRecord>& records, std::string& error,
                      std::size_t table_limit = BACK_REFERENCE_TABLE_MAX);

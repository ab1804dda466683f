// Label and attribute section (see packet_post.h).
#include "codecs/packet_post.h"

#include <charconv>

namespace {
constexpr std::string_view ATTR_LF{ZEB_ATTR_VALUE_LF};
}  // namespace

std::string encode_attr_value(std::string_view value) {
    std::string out;
    out.reserve(std::min(value.size(), ATTR_VALUE_MAX));
    for (char c : value) {
        if (c == '\n') {
            if (out.size() + ATTR_LF.size() > ATTR_VALUE_MAX) break;
            out += ATTR_LF;
        } else {
            if (out.size() + 1 > ATTR_VALUE_MAX) break;
            out += c == SECTION_RECORD_END ? '"' : c;
        }
    }
    return out;
}

std::string restore_attr_value_lf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t hit = text.find(ATTR_LF, pos);
        if (hit == std::string_view::npos) {
            out += text.substr(pos);
            break;
        }
        out += text.substr(pos, hit - pos);
        out += '\n';
        pos = hit + ATTR_LF.size();
    }
    return out;
}

long BackReferenceTable::find(std::string_view name) const {
    auto it = numbers_.find(std::string(name));
    return it == numbers_.end() ? -1 : it->second;
}

long BackReferenceTable::add(std::string_view name) {
    if (full()) return -1;
    long number = static_cast<long>(names_.size());
    names_.emplace_back(name);
    numbers_.emplace(names_.back(), number);
    return number;
}

const std::string* BackReferenceTable::at(long number) const {
    if (number < 0 || static_cast<std::size_t>(number) >= names_.size()) return nullptr;
    return &names_[static_cast<std::size_t>(number)];
}

void BackReferenceTable::clear() {
    names_.clear();
    numbers_.clear();
}

PostSectionWriter::PostSectionWriter(std::size_t table_limit)
    : types_(table_limit), objects_(table_limit), values_(table_limit) {}

void PostSectionWriter::reset() {
    types_.clear();
    objects_.clear();
    values_.clear();
}

std::string PostSectionWriter::keyword(bool replication) {
    std::string k(replication ? POST_KEYWORD : NONE_KEYWORD);
    k += SECTION_RECORD_END;
    return k;
}

namespace {

// Label names and attribute type names share one numbering but are distinct
// entries: a label and an attribute type of the same name get two numbers.
std::string type_key(char kind, std::string_view name) {
    const bool label = kind == POST_MAKE_LABEL || kind == POST_REMOVE_LABEL;
    std::string key(1, label ? '{' : '[');
    key += name;
    key += label ? '}' : ']';
    return key;
}

bool field_ok(std::string_view field, char reference_mark) {
    return !field.empty() && field.front() != reference_mark && field.find_first_of("|>") == std::string_view::npos;
}

}  // namespace

int PostSectionWriter::write(std::string& out, char kind, std::string_view type, std::string_view object,
                             const std::string* encoded_value) {
    if (!field_ok(type, TYPE_BACK_REFERENCE) || !field_ok(object, OBJECT_BACK_REFERENCE)) return 0;
    std::string record(1, kind);
    record += POST_FIELD_SEPARATOR;
    const std::string key = type_key(kind, type);
    if (long n = types_.find(key); n >= 0) {
        record += TYPE_BACK_REFERENCE;
        record += std::to_string(n);
    } else {
        record += type;
        types_.add(key);
    }
    record += POST_FIELD_SEPARATOR;
    if (long n = objects_.find(object); n >= 0) {
        record += OBJECT_BACK_REFERENCE;
        record += std::to_string(n);
    } else {
        record += object;
        objects_.add(object);
    }
    record += POST_FIELD_SEPARATOR;
    if (encoded_value != nullptr) {
        if (long n = values_.find(*encoded_value); n >= 0) {
            record += std::to_string(n);
        } else {
            record += '[';
            record += *encoded_value;
            record += ']';
            values_.add(*encoded_value);
        }
    }
    record += SECTION_RECORD_END;
    out += record;
    return 1;
}

int PostSectionWriter::make_label(std::string& out, std::string_view label, std::string_view version) {
    return write(out, POST_MAKE_LABEL, label, version, nullptr);
}

int PostSectionWriter::remove_label(std::string& out, std::string_view label, std::string_view version) {
    return write(out, POST_REMOVE_LABEL, label, version, nullptr);
}

int PostSectionWriter::make_attribute(std::string& out, std::string_view type, std::string_view object,
                                      std::string_view value) {
    const std::string encoded = encode_attr_value(value);
    return write(out, POST_MAKE_ATTRIBUTE, type, object, &encoded);
}

int PostSectionWriter::remove_attribute(std::string& out, std::string_view type, std::string_view object) {
    return write(out, POST_REMOVE_ATTRIBUTE, type, object, nullptr);
}

namespace {

// A back-reference number: decimal digits only, within a long.
bool parse_number(std::string_view text, long& number) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    return ec == std::errc() && end == text.data() + text.size() && number >= 0;
}

// Resolves an object field: a full name is numbered, a reference is looked
// up. Returns false for an unknown or malformed reference.
bool resolve(std::string_view field, char mark, BackReferenceTable& table, std::string& out) {
    if (!field.empty() && field.front() == mark) {
        long n = 0;
        if (!parse_number(field.substr(1), n)) return false;
        const std::string* name = table.at(n);
        if (name == nullptr) return false;
        out = *name;
        return true;
    }
    if (field.empty()) return false;
    out.assign(field);
    if (table.find(field) < 0) table.add(field);
    return true;
}

// Resolves a type field; the table holds the bracketed keys of type_key, and
// a reference must name an entry of the record's own kind.
bool resolve_type(std::string_view field, char kind, BackReferenceTable& table, std::string& out) {
    if (!field.empty() && field.front() == TYPE_BACK_REFERENCE) {
        long n = 0;
        if (!parse_number(field.substr(1), n)) return false;
        const std::string* key = table.at(n);
        if (key == nullptr || key->size() < 2 || (*key)[0] != type_key(kind, "")[0]) return false;
        out = key->substr(1, key->size() - 2);
        return true;
    }
    if (field.empty()) return false;
    out.assign(field);
    const std::string key = type_key(kind, field);
    if (table.find(key) < 0) table.add(key);
    return true;
}

}  // namespace

int read_post_section(std::string_view text, std::vector<PostRecord>& records, std::string& error,
                      std::size_t table_limit) {
    std::string head(POST_KEYWORD);
    head += SECTION_RECORD_END;
    if (text.substr(0, head.size()) != head) return 1;
    BackReferenceTable types(table_limit), objects(table_limit), values(table_limit);
    std::size_t pos = head.size();
    std::size_t index = 0;
    auto fail = [&](const std::string& why, std::string_view record) {
        error = "label/attribute record " + std::to_string(index + 1) + " " + why + ": \"" +
                std::string(record.substr(0, 120)) + "\"";
        return 0;
    };
    while (pos < text.size()) {
        std::size_t end = text.find(SECTION_RECORD_END, pos);
        std::string_view record = text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
        if (end == std::string_view::npos) {
            // Trailing blanks or newlines after the last record are not a record.
            if (record.find_first_not_of(" \t\r\n") == std::string_view::npos) break;
            return fail("is not terminated", record);
        }
        std::size_t s1 = record.find(POST_FIELD_SEPARATOR);
        std::size_t s2 = s1 == std::string_view::npos ? s1 : record.find(POST_FIELD_SEPARATOR, s1 + 1);
        std::size_t s3 = s2 == std::string_view::npos ? s2 : record.find(POST_FIELD_SEPARATOR, s2 + 1);
        if (s1 != 1 || s3 == std::string_view::npos) return fail("has too few fields", record);
        PostRecord r;
        r.kind = record[0];
        if (r.kind != POST_MAKE_ATTRIBUTE && r.kind != POST_REMOVE_ATTRIBUTE && r.kind != POST_MAKE_LABEL &&
            r.kind != POST_REMOVE_LABEL)
            return fail("has an unknown kind", record);
        if (!resolve_type(record.substr(s1 + 1, s2 - s1 - 1), r.kind, types, r.type))
            return fail("has a bad type name or reference", record);
        if (!resolve(record.substr(s2 + 1, s3 - s2 - 1), OBJECT_BACK_REFERENCE, objects, r.object))
            return fail("has a bad object or reference", record);
        std::string_view value = record.substr(s3 + 1);
        if (r.kind == POST_MAKE_ATTRIBUTE) {
            if (value.size() >= 2 && value.front() == '[' && value.back() == ']') {
                r.value.assign(value.substr(1, value.size() - 2));
                if (values.find(r.value) < 0) values.add(r.value);
            } else {
                long n = 0;
                const std::string* known = parse_number(value, n) ? values.at(n) : nullptr;
                if (known == nullptr) return fail("has a bad value or reference", record);
                r.value = *known;
            }
        } else if (!value.empty()) {
            return fail("has a value where none belongs", record);
        }
        records.push_back(std::move(r));
        ++index;
        pos = end + 1;
    }
    return 1;
}

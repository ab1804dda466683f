#include "clearcase/exchange/export_data.h"

#include <cstdlib>
#include <cstring>

namespace ccx {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string trim_right(std::string s) {
    while (!s.empty() && is_blank(s.back())) s.pop_back();
    return s;
}

enum class Block {
    none,
    element_begin,
    element_end,
    version_begin,
    version_end,
    dir_begin,
    dir_end,
    brtype_begin,
    brtype_end,
    lbtype_begin,
    lbtype_end,
    attype_begin,
    attype_end,
};

Block classify(std::string_view line) {
    struct Entry {
        std::string_view text;
        Block block;
    };
    static constexpr Entry kBlocks[] = {
        {"ELEMENT_BEGIN", Block::element_begin}, {"ELEMENT_END", Block::element_end},
        {"VERSION_BEGIN", Block::version_begin}, {"VERSION_END", Block::version_end},
        {"DIR_BEGIN", Block::dir_begin},         {"DIR_END", Block::dir_end},
        {"BRTYPE_BEGIN", Block::brtype_begin},   {"BRTYPE_END", Block::brtype_end},
        {"LBTYPE_BEGIN", Block::lbtype_begin},   {"LBTYPE_END", Block::lbtype_end},
        {"ATTYPE_BEGIN", Block::attype_begin},   {"ATTYPE_END", Block::attype_end},
    };
    std::string_view t = trim(line);
    for (const auto& e : kBlocks)
        if (t == e.text) return e.block;
    return Block::none;
}

struct TypeBlockText {
    std::string_view begin, name_tag, end;
};

TypeBlockText type_block_text(TypeKind kind) {
    switch (kind) {
        case TypeKind::branch:
            return {"BRTYPE_BEGIN", "BrType", "BRTYPE_END"};
        case TypeKind::label:
            return {"LBTYPE_BEGIN", "LbType", "LBTYPE_END"};
        case TypeKind::attribute:
            return {"ATTYPE_BEGIN", "AttrType", "ATTYPE_END"};
    }
    return {"BRTYPE_BEGIN", "BrType", "BRTYPE_END"};
}

void append_line(std::string& out, std::string_view text) {
    out.append(text);
    out.push_back('\n');
}

void append_extras(std::string& out, const std::vector<ValueLine>& extras) {
    for (const auto& e : extras)
        if (!e.tag.empty() && !e.value.empty()) append_value_line(out, e.tag, e.value);
}

// Largest value length accepted; longer claims are treated as damage.
constexpr unsigned long kMaxValueLength = 1UL << 30;

}  // namespace

std::string extra_value(const std::vector<ValueLine>& extras, std::string_view tag) {
    for (const auto& e : extras)
        if (e.tag == tag) return e.value;
    return {};
}

// --- Writing -------------------------------------------------------------

void append_value_line(std::string& out, std::string_view tag, std::string_view value) {
    out.append(tag);
    out.push_back(' ');
    out.append(std::to_string(value.size()));
    out.push_back(':');
    out.append(value);
    out.push_back('\n');
}

void write_header(std::string& out, std::string_view export_from_dir) {
    append_value_line(out, "ExportFromDir", export_from_dir);
}

void write_type(std::string& out, const ExportType& type) {
    const TypeBlockText t = type_block_text(type.kind);
    append_line(out, t.begin);
    append_value_line(out, t.name_tag, type.name);
    append_extras(out, type.extras);
    append_line(out, t.end);
}

void write_dir(std::string& out, const ExportDir& dir) {
    append_line(out, "DIR_BEGIN");
    append_value_line(out, "DirName", dir.name);
    append_extras(out, dir.extras);
    append_line(out, "DIR_END");
}

static void write_version(std::string& out, const ExportVersion& v) {
    append_line(out, "VERSION_BEGIN");
    append_value_line(out, "VersionId", v.version_id);
    append_value_line(out, "OnBranch", v.on_branch);
    for (const auto& b : v.sub_branches) append_value_line(out, "SubBranch", b);
    if (!v.branch_from.empty()) append_value_line(out, "BranchFrom", v.branch_from);
    for (const auto& m : v.merges_from) append_value_line(out, "Merge", m);
    for (const auto& m : v.merges_to) append_value_line(out, "FMerge", m);
    for (const auto& l : v.labels) append_value_line(out, "Label", l);
    for (const auto& a : v.attributes) append_value_line(out, "Attrib", a.name + "=" + a.value);
    append_extras(out, v.extras);
    append_value_line(out, "ExtractFile", v.extract_file);
    append_line(out, "VERSION_END");
}

void write_element(std::string& out, const ExportElement& element) {
    append_line(out, "ELEMENT_BEGIN");
    append_value_line(out, "Name", element.name);
    append_value_line(out, "ElType", element.el_type);
    if (element.is_symlink()) append_value_line(out, "TargetName", element.target_name);
    append_extras(out, element.extras);
    for (const auto& v : element.versions) write_version(out, v);
    append_line(out, "ELEMENT_END");
}

void write_item(std::string& out, const ExportItem& item) {
    std::visit(
        [&out](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, ExportHeader>)
                write_header(out, x.export_from_dir);
            else if constexpr (std::is_same_v<T, ExportType>)
                write_type(out, x);
            else if constexpr (std::is_same_v<T, ExportDir>)
                write_dir(out, x);
            else
                write_element(out, x);
        },
        item);
}

// --- Reading -------------------------------------------------------------

ExportReader::~ExportReader() {
    std::free(buf_);
}

bool ExportReader::read_line(std::string& line) {
    ssize_t n = getline(&buf_, &cap_, in_);
    if (n < 0) {
        if (std::ferror(in_)) read_error_ = true;
        return false;
    }
    ++line_no_;
    size_t len = static_cast<size_t>(n);
    if (len > 0 && buf_[len - 1] == '\n') --len;
    line.assign(buf_, len);
    return true;
}

bool ExportReader::take_line(std::string& line) {
    if (pending_) {
        pending_ = false;
        line = std::move(pending_line_);
        return true;
    }
    return read_line(line);
}

void ExportReader::push_back(std::string line) {
    pending_ = true;
    pending_line_ = std::move(line);
}

void ExportReader::diag(std::string text) {
    diagnostics_.push_back({line_no_, std::move(text)});
}

bool ExportReader::parse_value_line(const std::string& line, ValueLine& out) {
    size_t i = 0;
    while (i < line.size() && is_blank(line[i])) ++i;  // lines of blanks may run into a tag
    const size_t tag_start = i;
    while (i < line.size() && ((line[i] >= 'A' && line[i] <= 'Z') || (line[i] >= 'a' && line[i] <= 'z') ||
                               (i > tag_start && ((line[i] >= '0' && line[i] <= '9') || line[i] == '_'))))
        ++i;
    if (i == tag_start || i >= line.size() || line[i] != ' ') return false;
    const size_t tag_end = i++;
    const size_t digits = i;
    unsigned long len = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9' && i - digits < 12) {
        len = len * 10 + static_cast<unsigned long>(line[i] - '0');
        ++i;
    }
    if (i == digits || i >= line.size() || line[i] != ':') return false;
    ++i;
    out.tag.assign(line, tag_start, tag_end - tag_start);
    if (len > kMaxValueLength) {
        diag("value of \"" + out.tag + "\" claims an impossible length");
        return false;
    }
    out.value.assign(line, i, std::string::npos);
    // A value longer than its line continues on the following lines; the
    // newlines between them belong to the value.
    std::string more;
    while (out.value.size() < len) {
        if (pending_ || !read_line(more)) {
            diag("value of \"" + out.tag + "\" ends before its length");
            return true;
        }
        out.value.push_back('\n');
        out.value.append(more);
    }
    if (out.value.size() > len) {
        if (!trim(std::string_view(out.value).substr(len)).empty())
            diag("text after the value of \"" + out.tag + "\" ignored");
        out.value.resize(len);
    }
    return true;
}

namespace {

// Identifier-like values lose trailing blanks (writers on other systems pad).
void set_name(std::string& field, std::string value) {
    field = trim_right(std::move(value));
}

}  // namespace

bool ExportReader::next(ExportItem& item) {
    enum class State { top, type, dir, element, version };
    State state = State::top;
    ExportType type;
    ExportDir dir;
    ExportElement element;
    ExportVersion version;
    std::string line;
    ValueLine v;

    // Abandons the open block; the line that interrupted it is read again at
    // the top level so that the block it begins is not lost.
    auto interrupt = [&](const char* what) {
        diag(std::string("unterminated ") + what + " block dropped");
        push_back(std::move(line));
        state = State::top;
    };

    while (take_line(line)) {
        const Block block = classify(line);
        switch (state) {
            case State::top:
                switch (block) {
                    case Block::brtype_begin:
                        type = {TypeKind::branch, {}, {}};
                        state = State::type;
                        break;
                    case Block::lbtype_begin:
                        type = {TypeKind::label, {}, {}};
                        state = State::type;
                        break;
                    case Block::attype_begin:
                        type = {TypeKind::attribute, {}, {}};
                        state = State::type;
                        break;
                    case Block::dir_begin:
                        dir = {};
                        state = State::dir;
                        break;
                    case Block::element_begin:
                        element = {};
                        state = State::element;
                        break;
                    case Block::none:
                        if (parse_value_line(line, v) && v.tag == "ExportFromDir") {
                            item = ExportHeader{trim_right(std::move(v.value))};
                            return true;
                        }
                        break;  // anything else outside a block is ignored
                    default:
                        break;  // stray end lines (left over from edits) are ignored
                }
                break;

            case State::type: {
                const Block end = type.kind == TypeKind::branch  ? Block::brtype_end
                                  : type.kind == TypeKind::label ? Block::lbtype_end
                                                                 : Block::attype_end;
                if (block == end) {
                    state = State::top;
                    if (type.name.empty()) {
                        diag("type block without a name ignored");
                        break;
                    }
                    item = std::move(type);
                    return true;
                }
                if (block != Block::none) {
                    interrupt("type");
                    break;
                }
                if (parse_value_line(line, v)) {
                    if (v.tag == type_block_text(type.kind).name_tag)
                        set_name(type.name, std::move(v.value));
                    else
                        type.extras.push_back(std::move(v));
                }
                break;
            }

            case State::dir:
                if (block == Block::dir_end) {
                    state = State::top;
                    if (dir.name.empty()) {
                        diag("directory block without a name ignored");
                        break;
                    }
                    item = std::move(dir);
                    return true;
                }
                if (block != Block::none) {
                    interrupt("directory");
                    break;
                }
                if (parse_value_line(line, v)) {
                    if (v.tag == "DirName")
                        set_name(dir.name, std::move(v.value));
                    else
                        dir.extras.push_back(std::move(v));
                }
                break;

            case State::element:
                if (block == Block::element_end) {
                    state = State::top;
                    if (element.name.empty()) {
                        diag("element block without a name ignored");
                        break;
                    }
                    item = std::move(element);
                    return true;
                }
                if (block == Block::version_begin) {
                    version = {};
                    state = State::version;
                    break;
                }
                if (block == Block::version_end) {
                    diag("stray VERSION_END ignored");
                    break;
                }
                if (block != Block::none) {
                    interrupt("element");
                    break;
                }
                if (parse_value_line(line, v)) {
                    if (v.tag == "Name")
                        set_name(element.name, std::move(v.value));
                    else if (v.tag == "ElType")
                        set_name(element.el_type, std::move(v.value));
                    else if (v.tag == "TargetName")
                        element.target_name = std::move(v.value);
                    else
                        element.extras.push_back(std::move(v));
                }
                break;

            case State::version:
                if (block == Block::version_end) {
                    state = State::element;
                    if (version.version_id.empty())
                        diag("version block without VersionId ignored");
                    else
                        element.versions.push_back(std::move(version));
                    break;
                }
                if (block == Block::element_end) {
                    // The version never closed: drop it, keep the element.
                    diag("unterminated version block dropped");
                    push_back(std::move(line));
                    state = State::element;
                    break;
                }
                if (block != Block::none) {
                    interrupt("element");
                    break;
                }
                if (parse_value_line(line, v)) {
                    if (v.tag == "VersionId")
                        set_name(version.version_id, std::move(v.value));
                    else if (v.tag == "OnBranch")
                        set_name(version.on_branch, std::move(v.value));
                    else if (v.tag == "SubBranch")
                        version.sub_branches.push_back(trim_right(std::move(v.value)));
                    else if (v.tag == "BranchFrom")
                        set_name(version.branch_from, std::move(v.value));
                    else if (v.tag == "Merge")
                        version.merges_from.push_back(trim_right(std::move(v.value)));
                    else if (v.tag == "FMerge")
                        version.merges_to.push_back(trim_right(std::move(v.value)));
                    else if (v.tag == "Label")
                        version.labels.push_back(trim_right(std::move(v.value)));
                    else if (v.tag == "ExtractFile")
                        set_name(version.extract_file, std::move(v.value));
                    else if (v.tag == "Attrib") {
                        const size_t eq = v.value.find('=');
                        if (eq == std::string::npos || eq == 0)
                            diag("attribute without a name ignored");
                        else
                            version.attributes.push_back({trim_right(v.value.substr(0, eq)), v.value.substr(eq + 1)});
                    } else
                        version.extras.push_back(std::move(v));
                }
                break;
        }
    }
    switch (state) {
        case State::top:
            break;
        case State::type:
            diag("unterminated type block dropped");
            break;
        case State::dir:
            diag("unterminated directory block dropped");
            break;
        case State::element:
        case State::version:
            diag("unterminated element block dropped");
            break;
    }
    return false;
}

std::vector<ExportItem> parse_export_text(std::string_view text, std::vector<Diagnostic>* diagnostics) {
    std::vector<ExportItem> items;
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (text.empty() || f == nullptr) {
        if (f) std::fclose(f);
        return items;
    }
    {
        ExportReader reader(f);
        ExportItem item;
        while (reader.next(item)) items.push_back(std::move(item));
        if (diagnostics) *diagnostics = reader.diagnostics();
    }
    std::fclose(f);
    return items;
}

bool split_version_id(std::string_view vid, std::string& branch_path, long& number) {
    if (vid.size() < 3 || vid.front() != '/') return false;
    const size_t slash = vid.rfind('/');
    if (slash == 0 || slash + 1 >= vid.size()) return false;
    std::string_view num = vid.substr(slash + 1);
    if (num.size() > 9) return false;
    long n = 0;
    for (char c : num) {
        if (c < '0' || c > '9') return false;
        n = n * 10 + (c - '0');
    }
    std::string_view br = vid.substr(0, slash);
    if (br.substr(0, 5) != "/main" || (br.size() > 5 && br[5] != '/')) return false;
    if (br.find("//") != std::string_view::npos || br.back() == '/') return false;
    branch_path.assign(br);
    number = n;
    return true;
}

std::string_view branch_type_of(std::string_view branch_path) {
    const size_t slash = branch_path.rfind('/');
    return slash == std::string_view::npos ? branch_path : branch_path.substr(slash + 1);
}

}  // namespace ccx

#include "shipper/history/label_history.h"

#include <fstream>
#include <string_view>

#include "codecs/packet_post.h"
#include "common/cc_query.h"
#include "common/cc_type_cache.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/history/export_text.h"
#include "shipper/history/history_messages.h"
#include "shipper/history/metadata_selection.h"

namespace {

constexpr char HISTORY_FORMAT[] = "%o %m %e %n|%Nc\\n";

// Reads the history one event at a time: a line, or an attribute event
// whose value spans lines together with its continuation lines, so that a
// line inside a value is never read as an event.
class HistoryReader {
public:
    explicit HistoryReader(const std::string& path) : in_(path, std::ios::binary) {}
    bool next(std::string& event) {
        if (!std::getline(in_, event)) return false;
        if (!event.starts_with("mkattr ")) return true;
        const std::size_t value = event.find("\" with value \"");
        if (value == std::string::npos) return true;
        std::string more;
        while (!ends_value(event, value) && std::getline(in_, more)) event.append("\n").append(more);
        return true;
    }
    bool bad() const { return in_.bad(); }

private:
    // The value ends with a double quote and "." at a line's end.
    static bool ends_value(const std::string& event, std::size_t value_at) {
        const std::size_t start = value_at + 14;
        return event.size() >= start + 2 && event.compare(event.size() - 2, 2, "\".") == 0;
    }
    std::ifstream in_;
};

enum class ObjectKind { Version, Element, Branch };

struct EventRule {
    std::string_view prefix;
    char operation;
    ObjectKind object;
};

constexpr EventRule LABEL_RULES[] = {
    {"mklabel version make label \"", 'm', ObjectKind::Version},
    {"rmlabel version remove label \"", 'r', ObjectKind::Version},
};
constexpr EventRule ATTRIBUTE_RULES[] = {
    {"mkattr version make attribute \"", 'M', ObjectKind::Version},
    {"rmattr version remove attribute \"", 'R', ObjectKind::Version},
    {"mkattr file element make attribute \"", 'M', ObjectKind::Element},
    {"rmattr file element remove attribute \"", 'R', ObjectKind::Element},
    {"mkattr branch make attribute \"", 'M', ObjectKind::Branch},
    {"rmattr branch remove attribute \"", 'R', ObjectKind::Branch},
};

// One event, taken apart.
struct Event {
    std::string name;    // label or attribute type
    std::string object;  // VOB-tag-rooted extended name
    std::string value;   // attribute value (make attribute only), line breaks kept
};

// Name between the first two double quotes; object quoted after "\" on " or
// "\" from ". False when neither follows the name.
bool parse_event(const std::string& line, Event& event) {
    const std::size_t open = line.find('"');
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos) return false;
    event.name = line.substr(open + 1, close - open - 1);
    std::size_t at = line.find("\" on ", close);
    const std::size_t from = line.find("\" from ", close);
    if (at != close) at = from == close ? from : std::string::npos;
    if (at == std::string::npos) return false;
    const std::size_t object_open = line.find('"', at + 1);
    const std::size_t object_close = object_open == std::string::npos ? object_open : line.find('"', object_open + 1);
    if (object_close == std::string::npos) return false;
    event.object = line.substr(object_open + 1, object_close - object_open - 1);
    event.value.clear();
    const std::size_t value = line.find("\" with value \"", object_close);
    if (value != std::string::npos) {
        const std::size_t start = value + 14;
        std::size_t end = line.size();
        if (end >= start + 2 && line.compare(end - 2, 2, "\".") == 0) end -= 2;
        if (end > start) event.value = line.substr(start, end - start);
        // Only the first ATTR_VALUE_MAX characters travel; the rest is dropped.
        if (event.value.size() > ATTR_VALUE_MAX) event.value.resize(ATTR_VALUE_MAX);
    }
    return true;
}

// The object relative to the replicated directory ("." for the directory
// itself); false when it lies outside.
bool relative_object(const HistoryScope& scope, std::string object, std::string& relative) {
    if (object.starts_with(scope.view_root + "/")) object.erase(0, scope.view_root.size());
    const std::string& dir = scope.repl_dir;
    if (object.starts_with(dir + "/")) {
        relative = object.substr(dir.size() + 1);
        return !relative.empty();
    }
    if (object.starts_with(dir + "@@")) {
        relative = "." + object.substr(dir.size());
        return true;
    }
    return false;
}

enum class Verdict { Travels, Carried, Filtered };

// The filters that an event passes before it becomes a record. Carried: the
// version travels and carries the label or attribute itself.
Verdict event_travels(const HistoryScope& scope, const EventRule& rule, bool label, const Event& event,
                      const std::string& relative) {
    const bool make = rule.operation == 'm' || rule.operation == 'M';
    if (make &&
        !(label ? label_type_exists(event.name, scope.vob_tag) : attribute_type_exists(event.name, scope.vob_tag)))
        return Verdict::Filtered;
    if (!keeps_name(label ? METADATA_SELECTION.LABELS : METADATA_SELECTION.ATTRIBUTES, event.name))
        return Verdict::Filtered;
    if (rule.object == ObjectKind::Version && !version_path_passes(METADATA_SELECTION.BRANCHES, event.object))
        return Verdict::Filtered;
    if (rule.object == ObjectKind::Branch && !branch_path_passes(METADATA_SELECTION.BRANCHES, event.object))
        return Verdict::Filtered;
    const std::size_t co = event.object.find("/CHECKEDOUT");
    if (co != std::string::npos && co + 11 != event.object.size()) return Verdict::Filtered;
    std::string view_object = event.object;
    if (!view_object.starts_with(scope.view_root + "/")) view_object = scope.view_root + view_object;
    // A version that travels carries its labels and attributes itself.
    if (make && rule.object == ObjectKind::Version && scope.exported_versions &&
        scope.exported_versions->count(view_object))
        return Verdict::Carried;
    const std::size_t at = view_object.find("@@");
    if (!_is_visible(view_object.substr(0, at))) return Verdict::Filtered;
    return under_lost_and_found(relative) ? Verdict::Filtered : Verdict::Travels;
}

const EventRule* rule_of(const std::string& line, bool label) {
    if (label) {
        for (const EventRule& r : LABEL_RULES)
            if (line.starts_with(r.prefix)) return &r;
    } else {
        for (const EventRule& r : ATTRIBUTE_RULES)
            if (line.starts_with(r.prefix)) return &r;
    }
    return nullptr;
}

int unexpected_history(const HeadFile& head, const std::string& line) {
    log_it('e', fmt_msg(history_msg::MSG_00d, 10, head.path().c_str(), line.c_str()));
    return 0;
}

int write_pass(const std::string& history_file, const HistoryScope& scope, HeadFile& head, bool label,
               PostSectionWriter& writer) {
    HistoryReader in(history_file);
    // Each label or attribute on an object once: the newest event wins.
    std::unordered_set<std::string> seen;
    std::string line, record;
    Event event;
    while (in.next(line)) {
        const EventRule* rule = rule_of(line, label);
        if (!rule) continue;
        if (scope.whole_history && rule->object == ObjectKind::Version) continue;
        if (rule->operation == 'r' && line.find("|Moved label \"") != std::string::npos) continue;
        if (!parse_event(line, event)) return unexpected_history(head, line);
        std::string relative;
        if (!relative_object(scope, event.object, relative)) continue;
        // A label type has one instance per element: the newest event of a
        // label on an element decides, so a label moved since the last
        // packet is not moved back by its older event. Attributes are kept
        // per object.
        std::string key = "|" + event.name + ":" + (label ? relative.substr(0, relative.find("@@")) : relative) + "|";
        if (seen.count(key)) continue;
        const Verdict verdict = event_travels(scope, *rule, label, event, relative);
        if (verdict == Verdict::Carried) seen.insert(key);
        if (verdict != Verdict::Travels) continue;
        if (scope.whole_history && rule->operation == 'R') {
            // Removed before the first packet: the receiving site never had it.
            seen.insert(std::move(key));
            continue;
        }
        record.clear();
        int made = 0;
        switch (rule->operation) {
            case 'm':
                made = writer.make_label(record, event.name, relative);
                break;
            case 'r':
                made = writer.remove_label(record, event.name, relative);
                break;
            case 'M':
                made = writer.make_attribute(record, event.name, relative, event.value);
                break;
            default:
                made = writer.remove_attribute(record, event.name, relative);
                break;
        }
        seen.insert(std::move(key));
        if (!made) {
            log_it('w', fmt_msg("-- history event cannot be carried in a packet: left out (%s)", line.c_str()));
            continue;
        }
        if (!head.append(record)) return portion_failed(9, history_msg::POST_PROCESS, head);
    }
    return 1;
}

}  // namespace

int gather_label_history(const std::string& view_tag, const std::string& repl_dir, const std::string& view_path,
                         bool is_dir, const std::string& since_local, const std::string& history_file) {
    // The output file is made here, privately and exclusively; the command
    // only writes into it.
    if (!create_private_file(history_file)) return 0;
    Command lshistory = cleartool(CT_LSHISTORY).args("-fmt", HISTORY_FORMAT);
    if (is_dir) lshistory.arg("-rec");
    lshistory.arg("-minor");
    if (since_local.size() > 1) lshistory.args("-since", since_local);
    int status = 0;
    if (is_dir) {
        lshistory.out_to(history_file);
        Command inner = Command::shell_text("cd");
        inner.arg(repl_dir).raw(";").raw(lshistory.line());
        Command setview = cleartool(CT_SETVIEW).args("-exec", inner.line(), view_tag);
        status = setview.run();
    } else {
        lshistory.arg(view_path).out_to(history_file);
        status = lshistory.run();
    }
    return status == 0 ? 1 : 0;
}

int write_label_and_attribute_records(const std::string& history_file, const HistoryScope& scope, HeadFile& head) {
    PostSectionWriter writer;
    if (!scope.whole_history && !write_pass(history_file, scope, head, true, writer)) return 0;
    return write_pass(history_file, scope, head, false, writer);
}

// What the label, attribute, type, lock and removal requests of a packet
// need to know about the receiver and the packet in hand, and the state they
// keep for one packet.
//
// The service loop fills MetadataSettings from the receiver process's
// settings, the receiver key line the packet arrived on and the packet's
// header records, and gives every packet a fresh MetadataPacket (or calls
// reset()). Nothing here is process-wide.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/command.h"
#include "common/name_list.h"
#include "receiver/apply/type_lock.h"

namespace receiver_metadata {

// The permission flags of the receiver key line the packet arrived on,
// 1 = allowed. All default to "not allowed", as a key line without options.
struct ReceiverKeyPermissions {
    int ALLOW_RMELEM_DIR_FROM_REMOTE = 0;
    int ALLOW_RMELEM_FILE_FROM_REMOTE = 0;
    int ALLOW_RMBRANCH_FROM_REMOTE = 0;
    int ALLOW_RMVER_FROM_REMOTE = 0;
    int ALLOW_RMLBTYPE_FROM_REMOTE = 0;
    int ALLOW_RMBRTYPE_FROM_REMOTE = 0;
    int ALLOW_RMATTYPE_FROM_REMOTE = 0;
    int ALLOW_RNLBTYPE_FROM_REMOTE = 0;
    int ALLOW_RNBRTYPE_FROM_REMOTE = 0;
    int ALLOW_RNATTYPE_FROM_REMOTE = 0;
    int ALLOW_LBTYPE_LOCKS_FROM_REMOTE = 0;
    int ALLOW_BRTYPE_LOCKS_FROM_REMOTE = 0;
    int ALLOW_ATTYPE_LOCKS_FROM_REMOTE = 0;
    int ALLOW_ELEMENT_LOCKS_FROM_REMOTE = 0;
    int ALLOW_BRANCH_LOCKS_FROM_REMOTE = 0;
};

// The receiver process's "ignore_received_*_data" settings, 1 for "yes".
struct ProcessIgnoreSettings {
    int ignore_received_label_data = 0;
    int ignore_received_branch_data = 0;
    int ignore_received_attribute_data = 0;
};

// Where the requests report: `toc` receives table-of-contents text to be
// written verbatim (log class 't'), `warn` one log line (log class 'w').
struct MetadataSink {
    std::function<void(const std::string&)> toc;
    std::function<void(const std::string&)> warn;
    // The receiver's log files (log_text 't' and log_it 'w').
    static MetadataSink logs();
};

struct MetadataSettings {
    ReceiverKeyPermissions allow;
    ProcessIgnoreSettings ignore;
    std::string vob_tag;   // T, the receiving VOB
    std::string view;      // tag of the import view
    std::string vob_path;  // P, the VOB path below the view root ("/vobs/src")
    std::string location;  // L, the packet's "l:" record
    std::string program = "vandrel_receiver";
    // The calculated user of the receiver: a type locked "except for" a list
    // holding this user is not locked for the receiver.
    std::string user;
    MetadataSink sink = MetadataSink::logs();
};

// The three kinds of type a request may name (the name table in
// metadata_context.cpp follows this order).
enum class TypeKind { Label, Branch, Attribute };

std::string_view kind_word(TypeKind kind);      // "label", "branch", "attribute"
std::string_view type_keyword(TypeKind kind);   // "lbtype", "brtype", "attype"
std::string_view kind_plural(TypeKind kind);    // "Labels", "Branches", "Attributes"
std::string_view kind_capitals(TypeKind kind);  // "LABEL", "BRANCH", "ATTRIBUTE"
// 1 when the receiver process ignores received data of that kind.
int ignored_by_process(const MetadataSettings& settings, TypeKind kind);

// A label or attribute command queued until after the import, with the
// message that is logged when it fails.
struct RepeatCommand {
    Command command;
    std::string trouble;
    char record_kind = 0;  // 'M', 'R', 'm' or 'r'
    std::string type;      // label or attribute type name
    std::string object;    // the object's view path: the command runs only when it exists then
};

// The per-packet state.
struct MetadataPacket {
    MetadataPacket() = default;
    MetadataPacket(MetadataPacket&&) = default;
    MetadataPacket& operator=(MetadataPacket&&) = default;
    // The name lists index into their own storage: never copied.
    MetadataPacket(const MetadataPacket&) = delete;
    MetadataPacket& operator=(const MetadataPacket&) = delete;

    // Types this packet created; a removal request of the same packet leaves
    // them alone.
    NameList REPLICATED_LABELS;
    NameList REPLICATED_BRANCHES;
    NameList REPLICATED_ATTRIBUTES;

    // Locks and unlocks deferred until after the import: type names, and
    // view paths of elements and branches.
    NameList LABELS_TO_LOCK_LIST;
    NameList LABELS_TO_UNLOCK_LIST;
    NameList BRANCHES_TO_LOCK_LIST;
    NameList BRANCHES_TO_UNLOCK_LIST;
    NameList ATTRIBUTES_TO_LOCK_LIST;
    NameList ATTRIBUTES_TO_UNLOCK_LIST;
    NameList ELEMENTS_TO_LOCK_LIST;
    NameList ELEMENTS_TO_UNLOCK_LIST;
    NameList BRANCH_INSTANCES_TO_LOCK_LIST;
    NameList BRANCH_INSTANCES_TO_UNLOCK_LIST;

    // Label and attribute commands run after the import, in packet order.
    std::vector<RepeatCommand> COMMANDS_TO_REPEAT;

    // Label and attribute types the records use that the VOB lacked: made
    // after the import, and only when the import did not bring them with
    // their own definition (an integer attribute type stays an integer).
    std::vector<std::pair<TypeKind, std::string>> TYPES_TO_MAKE;

    // 1 while the table-of-contents header of the section is not yet written.
    int BEGIN_OF_LBLOCKS = 1;
    int BEGIN_OF_BRLOCKS = 1;
    int BEGIN_OF_ATLOCKS = 1;
    int BEGIN_OF_ELEMENTLOCKS = 1;
    int BEGIN_OF_BRANCHLOCKS = 1;
    int BEGIN_OF_RMMERGES = 1;

    // The quick lock checks of label and attribute types after the import.
    LastLockChecked LAST_LABEL_LOCK_CHECKED;
    LastLockChecked LAST_ATTRIBUTE_LOCK_CHECKED;

    void reset() { *this = MetadataPacket(); }
};

NameList& replicated_list(MetadataPacket& packet, TypeKind kind);

// Hand one warning line (one table-of-contents text) to the settings' sink,
// when it has one.
void warn(const MetadataSettings& settings, const std::string& line);
void toc(const MetadataSettings& settings, const std::string& text);

// "/view/<view><vob path>/<name>": the object as the import view shows it.
std::string get_long_element_version(const MetadataSettings& settings, std::string_view name);
// "<vob path>/<name>": the object as the table of contents names it.
std::string get_middle_element_version(const MetadataSettings& settings, std::string_view name);
// False for an object path from a packet that could leave the replicated
// directory: one with a ".." component (before or after "@@") or a NUL.
bool object_stays_inside(std::string_view name);
// False for a type name that cleartool could not take as one plain name: an
// empty one, one holding "@" (it would name another VOB) or NUL, one
// beginning with "-" (it would be read as an option).
bool type_name_acceptable(std::string_view name);

}  // namespace receiver_metadata

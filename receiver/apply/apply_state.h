// What the packet application steps know about the receiver and the packet
// in hand. The service loop fills ApplySettings from the configuration
// (fixed for the life of the process) and from the receiver key line being
// served, and resets ApplyPacket before every packet.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Protection choices of a receiver key line.
inline constexpr int PROTECTION_PROCESS = 1;   // the receiver process's own protections
inline constexpr int PROTECTION_PRESERVE = 2;  // the sender's protections
inline constexpr int PROTECTION_EXACTLY = 3;   // exact_user:exact_group

struct ApplySettings {
    // "view=": tag of the import view; version paths are /view/<tag><vob path>/...
    std::string IMPORT_VIEW;
    // The user the receiver runs as (lower case). A type "Locked except for"
    // a list holding this user is not locked for the receiver. Empty: the
    // calculated user of the process is asked.
    std::string RECEIVER_USER;

    // "yes"/"no" settings of the configuration, 1 for "yes".
    int read_ignore_received_label_data = 0;
    int read_ignore_received_branch_data = 0;
    int read_ignore_received_attribute_data = 0;
    int read_suppress_locked_label_checking = 0;
    int read_suppress_locked_branch_checking = 0;
    int read_suppress_locked_attribute_checking = 0;

    // The receiver key line being served: its protection choice and, for
    // PROTECTION_EXACTLY, the owner and group.
    int protection = PROTECTION_PROCESS;
    std::string exact_user;
    std::string exact_group;
};
extern ApplySettings APPLY_SETTINGS;

// The view paths of the versions of a packet that did not exist before the
// import, in packet order, each once. Paths are stored once; the index
// refers to them (a deque never moves its elements), so the list is moved,
// never copied.
class NewVersionList {
public:
    NewVersionList() = default;
    NewVersionList(NewVersionList&&) = default;
    NewVersionList& operator=(NewVersionList&&) = default;
    NewVersionList(const NewVersionList&) = delete;
    NewVersionList& operator=(const NewVersionList&) = delete;

    // False when the path is listed already.
    bool add(const std::string& path);
    bool contains(std::string_view path) const { return index_.contains(path); }
    // Removes the path added last.
    void drop_last();
    void clear();
    const std::deque<std::string>& paths() const { return paths_; }
    std::vector<std::string> list() const { return {paths_.begin(), paths_.end()}; }

private:
    std::deque<std::string> paths_;
    std::unordered_set<std::string_view> index_;
};

// The per-packet state of the application steps.
struct ApplyPacket {
    // Number of element versions named by the packet descriptor; -1 unknown.
    long VERSIONS_IN_PACKET = -1;
    // 1 once the first table line of the element description showed a
    // deployment listing ("D:" or "F:"), 0 for element versions.
    int IS_DEPLOYMENT = 0;
    // Set once the e-mail digest of this packet has been started.
    int EMAIL_IS_POPULATED = 0;
    // Set when an import output shows the import utility's closing line.
    int found_string_Closing_directories = 0;
    // View paths of the versions that did not exist before the import.
    NewVersionList VERSIONED_FILE_LIST;
    // Types found locked for this receiver during normalisation.
    std::unordered_set<std::string> LOCKED_BRTYPES;
    std::unordered_set<std::string> LOCKED_LBTYPES;
    std::unordered_set<std::string> LOCKED_ATTYPES;
};
extern ApplyPacket APPLY_PACKET;

// Back to the state before any packet (the settings are left alone).
void reset_apply_packet();
// The releases of the locked-type lists around one normalisation.
void free_lock_types();
// Adds a path to the new-version list (once); false when listed already.
bool add_versioned_file(const std::string& view_path);
// The receiving user: APPLY_SETTINGS.RECEIVER_USER, else the calculated user.
std::string receiving_user();
// "/view/<import view><vob path>/<name>".
std::string view_path_of(const std::string& vob_path, const std::string& name);

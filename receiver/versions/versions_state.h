// What applying element versions knows about the receiver and the packet in
// hand. The service loop fills VersionsSettings from the configuration and
// the receiver key line being served, and calls reset_versions_packet()
// before every packet (the other settings, ignored data kinds, protection
// and the import view, are ApplySettings of receiver/apply).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The location of a packet without an "l:" record.
inline constexpr char UNDEFINED_LOCATION[] = "____undefined____";
// The integer attribute type (its name ends with the sending location) that
// marks every element branch checked out at that location.
inline constexpr char PROTECTED_VANDREL_ATTRIBUTE[] = "Remotely_Checked_Out_To__";
// Directory labelling switch handed to the import utility.
inline constexpr char LABEL_DIRECTORIES_ON[] = " ";
inline constexpr char LABEL_DIRECTORIES_OFF[] = "-nolab";

// Creates a branch, label or attribute type when it does not exist, warning
// when it still does not exist afterwards. kind is "branch", "label" or
// "attribute"; scope "global" or "ordinary"; location the sending location.
// Returns 1 when the type exists afterwards.
using TypeCreator = std::function<int(const std::string& kind, const std::string& scope, const std::string& name,
                                      const std::string& vob, const std::string& location)>;

struct VersionsSettings {
    // "new_dir_personality=": 1 "main" (the import makes new directories),
    // 0 "branch" (directories are prepared on the branch the config spec
    // selects).
    int new_dir_personality = 1;
    // "ignore_received_slinks=yes".
    int IGNORE_RECEIVED_SLINKS_VALUE = 0;
    // The receiver key line's "label_dir" (1) or "no_label_dir" (0).
    int label_directories = 1;
    // The type creation for the packet in hand (the hand-over sets one that
    // notes the types made in the packet's metadata state). Empty: the
    // types are made the same way, noted nowhere.
    TypeCreator create_type;
};
extern VersionsSettings VERSIONS_SETTINGS;

// One protection entry of a directory, applied after the import.
struct ProtectedDir {
    std::string path;  // view path
    std::string owner;
    std::string group;
    std::string permissions;
};

struct DeferredSlink {
    std::string link;    // view path of the link
    std::string text;    // what it points to
    std::string parent;  // view path of its directory
};

struct VersionsPacket {
    // The "l:" record: the location the packet comes from.
    std::string location = UNDEFINED_LOCATION;
    // The "D:" record ("vob" or "flat") and the "B:" record (deployment
    // location, surrounding blanks removed).
    std::string packet_type;
    std::string deploy_location;
    // Personality of new directories for this packet: the configured one,
    // "main" for a deployment.
    int new_dir_personality = 1;
    // View paths of the directories this packet checked out or created, in
    // order, each once; all of them are checked in (or their checkouts
    // cancelled) after the import.
    std::vector<std::string> REPLICATED_DIR_LIST;
    std::unordered_set<std::string> replicated_dirs;
    int dirs_checked_out = 0;
    // Protections of directories, applied after the import, each once.
    std::vector<ProtectedDir> PROTECTED_DIR_LIST;
    std::unordered_set<std::string> protected_dirs;
    // 1 until the first symbolic link of the packet wrote its TOC header.
    int BEGIN_OF_SLINK = 1;
    // Links whose directory the import has still to make.
    std::vector<DeferredSlink> DEFERRED_SLINKS;
};
extern VersionsPacket VERSIONS_PACKET;

void reset_versions_packet();

// The name of the reserved attribute type for the packet's location.
std::string reserved_attribute_name();

// Creates the type through VERSIONS_SETTINGS.create_type, or, when none is
// set, with receiver_metadata::create_needed_type.
int create_type_if_missing(const std::string& kind, const std::string& scope, const std::string& name,
                           const std::string& vob, const std::string& location);

// Whether a type name from a packet can be handed to cleartool as a type:
// letters, digits, "_", "." and "-" (and bytes above 127), not beginning
// with "-" and not "." or "..". Anything else could name an option or
// another VOB's object ("@", ":", "/").
bool is_plain_type_name(std::string_view name);

// Removal and lock section (section 5 of a packet head file): "DESTROY>"
// (or "NONE>") followed by requests "<kind>|<object>>", the object text with
// every ">" written as a blank.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "codecs/packet_format.h"

enum class DestroyKind {
    RmelemFile,  // "rmelem.f"  element path (file)
    RmelemDir,   // "rmelem.d"  element path (directory)
    Rmver,       // "rmver."    version
    Rmbranch,    // "rmbranch." branch
    MkLbtype,
    MkAttype,
    MkBrtype,  // "mktype.L/A/B"  name[:flags]
    ModLbtype,
    ModAttype,
    ModBrtype,  // "modtype.L/A/B" name[:flags]
    RmLbtype,
    RmAttype,
    RmBrtype,  // "rmtype.L/A/B"  name
    RnLbtype,
    RnAttype,
    RnBrtype,  // "rntype.L/A/B"  old:new
    LockLbtype,
    UnlockLbtype,  // "lock.L" / "unlock.L"
    LockAttype,
    UnlockAttype,  // "lock.A" / "unlock.A"
    LockBrtype,
    UnlockBrtype,  // "lock.B" / "unlock.B"
    LockBranch,
    UnlockBranch,  // "Lock.b" / "Unlock.b"
    LockElement,
    UnlockElement,  // "Lock.e" / "Unlock.e"
    Rmmerge,        // "rmmerge."  to<from
    Unknown,
};

// The request keyword of a kind ("rmelem.f", "lock.L", ...); empty for Unknown.
std::string_view destroy_kind_text(DestroyKind kind);
// The kind of a request keyword; Unknown when it is none of the above.
// Keywords are case-sensitive ("lock.B" a branch type, "Lock.b" a branch).
DestroyKind destroy_kind_of(std::string_view keyword);

// The section keyword for a replication ("DESTROY>") or deployment
// ("NONE>") packet.
std::string destroy_section_keyword(bool replication);

// Appends "<kind>|<object>>" with every ">" of the object replaced by a
// blank. Returns 0 (nothing appended) for Unknown or an empty object.
int append_destroy_record(std::string& out, DestroyKind kind, std::string_view object);

struct DestroyRecord {
    DestroyKind kind = DestroyKind::Unknown;
    std::string keyword;  // the request keyword as written
    std::string object;
};

// Reads a section. A text not beginning with "DESTROY>" carries no records
// (result 1). Records of unknown kinds are kept with kind Unknown (the
// receiver ignores them). Returns 0 for a record without "|" or a last record
// without its ">", with the records before it and a reason in `error`.
int read_destroy_section(std::string_view text, std::vector<DestroyRecord>& records, std::string& error);

// Type request objects: "name" or "name:flags"; the first flag letter "g"
// means global, the second selects the instance constraint.
struct TypeSpec {
    std::string name;
    bool global = false;
    char constraint = 0;  // 'b', 'e', 'v' or 0
};
TypeSpec parse_type_spec(std::string_view object);
// "old:new" of a rename; 0 without ":" or with an empty side.
int parse_rename(std::string_view object, std::string& old_name, std::string& new_name);
// "to<from" of a merge-arrow removal; 0 without "<" or with an empty side.
int parse_merge_removal(std::string_view object, std::string& to_version, std::string& from_version);

// The pending removal and lock requests of one packet, as the shipper
// gathers them from the destruction history:
//  - removals (element, version, branch) are written at once, but only the
//    first event for an object;
//  - lock and unlock events fold into one final state per object, the last
//    event in history order winning, kept at the place of the object's first
//    event;
//  - merge-arrow removals are collected once each.
// The lock states and merge removals are written after the history, grouped
// in the order the section requires.
class DestroyRequestTable {
public:
    void reset();
    // True when the object has not been removed before in this packet (the
    // caller then writes the request).
    bool note_removal(std::string_view object);
    // Records a lock or unlock event; other kinds are ignored (false).
    bool note_lock_event(DestroyKind kind, std::string_view name);
    // Records a merge-arrow removal; false when already recorded.
    bool note_merge_removal(std::string_view object);

    // The grouped requests: label-type locks, label-type unlocks, attribute-type
    // locks, unlocks, branch-type locks, unlocks, branch locks, unlocks,
    // element locks, unlocks, then merge-arrow removals.
    std::vector<std::pair<DestroyKind, std::string>> grouped_requests() const;
    // Appends the grouped requests as records; 0 when one cannot be written.
    int append_grouped(std::string& out) const;

private:
    struct LockState {
        int family = 0;  // index into the lock families
        bool locked = false;
        std::string name;
    };
    std::unordered_set<std::string> removed_;
    std::vector<LockState> locks_;
    std::unordered_map<std::string, std::size_t> lock_index_;  // family + name -> locks_
    std::vector<std::string> merges_;
    std::unordered_set<std::string> merge_set_;
};

// One event of a destruction history file, after unscrambling:
// "<seconds><<kind><<object>".
struct DestructionEvent {
    long long time = 0;
    std::string kind;    // at most 255 characters
    std::string object;  // at most 1023 characters, every ">" as a blank
};
inline constexpr std::size_t DESTRUCTION_TIME_FIELD_MAX = 19;
inline constexpr std::size_t DESTRUCTION_KIND_MAX = 255;
inline constexpr std::size_t DESTRUCTION_OBJECT_MAX = 1023;
// Returns 0 for a line to skip: fewer than two "<", a time that is not
// decimal digits ending within the first 19 characters, an empty or
// over-long kind, nothing after the second "<", or an object longer than
// the limit (skipped whole rather than cut, since a cut path could name a
// different object).
int parse_destruction_event(std::string_view line, DestructionEvent& event);
// Unscrambles one line of a destruction history file (replication-key form)
// and parses it; 0 when it does not unscramble or does not parse.
int read_destruction_line(std::string_view scrambled_line, DestructionEvent& event);

// The removal and lock section of a packet: the events the VOB's triggers
// appended to the destruction file (removed elements, versions, branches and
// types, type creations, changes and renames, locks and unlocks, removed
// merge arrows), turned into requests for the receiving site.
//
// Removals and type requests are written as the file lists them; lock and
// unlock events fold into one final state per object (the last event wins)
// and are written afterwards, grouped by kind, followed by the merge-arrow
// removals. Every event passes the VOB key's selection (METADATA_SELECTION)
// first. The TOC gets one line per request and a header per group.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "codecs/packet_destroy.h"
#include "shipper/history/packet_streams.h"

// "<ship dir>/_dhist/dhist.<NNN>.<location>".
std::string destruction_file(const std::string& ship_dir, int vob_id, const std::string& location);

// TOC texts of the section.
inline constexpr char HEADER_RMELEM_FOLLOW[] = "   ======== any rmelem, rmver, rmbranch or type \"request\" follow:\n";
inline constexpr char HEADER_RMELEM_SKIP[] =
    "   ======== skipping destructive history procesing when mirroring from VOB creation...\n";

// Appends one record to the head file; on failure logs "failed ctar on step
// 9 - failed destruct_process portion of (<head>): <error>" (class 'e'),
// removes the packet's files (remove_ship_files) and returns 0.
int append_to_destruction(HeadFile& head, std::string_view record);

// The events of one packet and the table they fold into.
struct DestructionPass {
    DestroyRequestTable KNOWN_DESTROYS;
    // A packet that carries the VOB's whole history carries only what is
    // locked now: removals, type requests and unlocks describe changes to a
    // history the packet brings whole anyway.
    bool current_locks_only = false;
    HeadFile* head = nullptr;
    TocLog* toc = nullptr;
};

// The handlers, one per event family; each returns 1 when the event was
// handled or ignored and 0 when a write failed.
int process_a_removal(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_a_mktype_or_modtype(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_a_rmtype(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_a_rntype(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_a_type_lock_or_unlock(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_an_element_lock_or_unlock(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_a_branch_lock_or_unlock(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);
int process_a_rmmerge(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event);

// Which events of the destruction file a packet carries.
enum class EventWindow {
    SinceTime,    // every event not older than the packet's since time
    WholeHistory  // the packet starts at VOB creation: the final lock state of each object, whatever its age
};

// Writes the section's requests after its keyword: the events of
// `destruction_path` in `window` (a missing file holds none), then the
// grouped lock requests and merge-arrow removals. Returns 1, or 0 when a
// write failed.
int write_destruction_requests(const std::string& destruction_path, std::time_t since, EventWindow window,
                               HeadFile& head, TocLog& toc);

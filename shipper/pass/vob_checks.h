// The checks of the VOB and the export view before a packet is built.
#pragma once

#include <string>

// The trigger types the trigger program installs in a replicated VOB.
inline constexpr const char* REQUIRED_TRIGGER_TYPES[] = {"QUORLIN_1", "QUORLIN_2", "QUORLIN_3", "QUORLIN_4"};

// 1 when `cleartool lstype -s -kind trtype -invob <tag>` lists all four.
int vob_has_trigger_types(const std::string& vob_tag);

enum class VobState {
    ready,  // mounted (or mounted now)
    view_not_started,
    not_accessible,  // lsvob -s fails
    lsvob_failed,    // lsvob prints nothing
    gone,            // lsvob names another VOB
    mount_failed,
};

// Starts the view, then asks lsvob about the VOB and mounts it when it is
// not mounted.
VobState check_view_and_vob(const std::string& view, const std::string& vob_tag);

// Whether a view path is a symbolic link: 1 it is, 0 it is not, -1 the
// describe failed.
int is_a_slink_or_error(const std::string& path);

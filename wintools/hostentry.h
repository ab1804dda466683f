// The passkey dialogue of vandrel_hostentry: asks for machine, login,
// password and receiving directory and prints the passkey that a shipping
// site stores in its host map.
#pragma once

#include "wintools/console.h"

inline constexpr char HOSTENTRY_NAME[] = "vandrel_hostentry";
inline constexpr std::size_t HOSTENTRY_WORD_FIELD = 81;
inline constexpr std::size_t HOSTENTRY_DIR_FIELD = 1024;

// Runs the dialogue; returns the exit status (0 passkey printed or the
// operator declined, 1 error).
int run_hostentry_dialogue(Console& console);

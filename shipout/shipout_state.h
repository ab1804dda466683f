// Process-wide state of the trigger program.
#pragma once

#include "shipout/key_list.h"

#include <bitset>
#include <string>

namespace shipout {

struct ShipoutState {
    std::string depot;
    std::string bay;                             // <depot>/m_bay
    std::string conf_dir;                        // <bay>/config
    std::string ship_dir;                        // <bay>/_ship_out, or where its relocation token points
    RequestedKeys keys;                          // LOOK_FOR_KEY, NUMBER_OF_KEYS_TO_LOOK_FOR
    std::bitset<10> defined_additional_classes;  // DEFINED_ADDITIONAL_CLASSES
    bool prefer_dialog = false;                  // show failures with clearprompt instead of stdout
};

// The environment variable that asks for failures to be shown with
// clearprompt (set it to "clearprompt" in the trigger definition).
inline constexpr char DIALOG_ENV[] = "VANDREL_SHIPOUT_DIALOG";

}  // namespace shipout

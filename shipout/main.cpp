// vandrel_shipout: run by ClearCase triggers; leaves one shipping request per
// receiving location of each requested VOB key.
#include "common/frame.h"
#include "shipout/shipout.h"
#include "shipout/shipout_messages.h"
#include "shipout/shipout_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    set_identity(shipout::SELF, "");
    if (argc >= 2 && std::strcmp(argv[1], "FUBR") == 0) return 0;
    if (argc == 2 && std::strcmp(argv[1], "-ver") == 0) {
        std::printf(VERSION_FORMAT, shipout::SELF, VERSION, BUILD);
        return 0;
    }
    if (argc != 3) {
        std::printf(shipout::USAGE_MSG, shipout::SELF, VERSION, "", BUILD);
        std::printf("\n");
        return 99;
    }
    const char* dialog = std::getenv(shipout::DIALOG_ENV);
    bool prefer_dialog = dialog != nullptr && std::strcmp(dialog, "clearprompt") == 0;
    shipout::RunResult result = shipout::run_shipout(argv[1], argv[2]);
    for (const std::string& warning : result.warnings) shipout::show_message(warning, prefer_dialog);
    if (!result.message.empty()) shipout::show_message(result.message, prefer_dialog);
    return result.code;
}

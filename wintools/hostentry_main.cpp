// vandrel_hostentry: the receiving site's passkey tool.
#include <cstdio>
#include <cstring>

#include "common/frame.h"
#include "wintools/hostentry.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-ver") == 0) {
        std::printf("%s Version (%s) build (%s)\n", HOSTENTRY_NAME, VERSION, BUILD);
        return 0;
    }
    if (argc != 1) {
        std::printf("%s USAGE: %s [-ver] \n", HOSTENTRY_NAME, argv[0]);
        return argc == 2 ? 1 : 2;
    }
    Console console;
    return run_hostentry_dialogue(console);
}

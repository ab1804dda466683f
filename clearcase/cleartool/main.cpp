// cleartool: entry point of the substitute's command-line tool.
#include "clearcase/cleartool/dispatch.h"

int main(int argc, char** argv) {
    return ccsub::dispatch(argc, argv);
}

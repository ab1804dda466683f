// Test helper: unscrambles a passkey and prints the four words, one per line
// (machine, user, password, directory). Exit 1 when the passkey is refused.
#include <cstdio>

#include "codecs/scramble.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string text;
    PasskeyWords w;
    if (!return_pkey(argv[1], text) || !split_pkey(text, w)) return 1;
    std::printf("%s\n%s\n%s\n%s\n", w.machine.c_str(), w.user.c_str(), w.password.c_str(), w.directory.c_str());
    return 0;
}

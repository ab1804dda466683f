// vandrel_crypt_key_gen: writes a new random packet encryption key, as the
// first 768 characters of a key file followed by a banner, to standard
// output.
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/frame.h"
#include "wintools/key_gen.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "-ver") == 0) {
        std::printf("%s Version (%s) build (%s)\n", "vandrel_crypt_key_gen", VERSION, BUILD);
        return 0;
    }
    KeyTable key{};
    if (!generate_key(key)) {
        std::fprintf(stderr, "vandrel_crypt_key_gen: no random bytes available from the system\n");
        return 1;
    }
    std::time_t now = std::time(nullptr);
    const char* stamp = std::asctime(std::localtime(&now));
    int status = 1;
    const std::string out = key_gen_output(key, stamp != nullptr ? stamp : "\n", status);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? status : 1;
}

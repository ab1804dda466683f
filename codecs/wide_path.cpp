#include "codecs/wide_path.h"

namespace {

// Which path the codec loops take; decided once from the processor.
struct WideCodecPath {
    bool available = false;
    bool on = false;
    WideCodecPath() {
#ifdef VANDREL_WIDE_CODECS
        __builtin_cpu_init();
        available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                    __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
                    __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi");
#endif
        on = available;
    }
};

WideCodecPath& path() {
    static WideCodecPath p;
    return p;
}

}  // namespace

bool wide_codec_path() {
    return path().on;
}

void set_wide_codec_path_for_tests(bool on) {
    path().on = on && path().available;
}

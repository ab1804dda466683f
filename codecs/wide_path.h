// The 64-byte path of the codec loops: on processors with 512-bit byte
// permutes and byte compression the substitution and run-coding loops work
// 64 bytes per step, elsewhere plain loops do the same work. Either path
// gives the same bytes.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define VANDREL_WIDE_CODECS 1
// Functions of the 64-byte path are compiled for these instructions and
// called only when the processor has them.
#define VANDREL_WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt,bmi")))
#endif

// Whether the 64-byte path is in use (false when the processor lacks it).
bool wide_codec_path();
// Turns the 64-byte path off (or back on where the processor has it), so
// that tests check the plain loops on machines that would not use them.
void set_wide_codec_path_for_tests(bool on);

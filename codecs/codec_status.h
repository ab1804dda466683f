// Why the last codec call failed, in one line, for callers that show it to
// an operator (the packet tool). The daemons log their own texts instead.
#pragma once

#include <string>

struct CodecStatus {
    std::string last_error;
};
extern CodecStatus CODEC_STATUS;

// Records the reason and returns 0, so a failing path can end with
// "return codec_fail(...)".
int codec_fail(std::string reason);
inline const std::string& codec_last_error() {
    return CODEC_STATUS.last_error;
}

#include "codecs/codec_status.h"

#include <utility>

CodecStatus CODEC_STATUS;

int codec_fail(std::string reason) {
    CODEC_STATUS.last_error = std::move(reason);
    return 0;
}

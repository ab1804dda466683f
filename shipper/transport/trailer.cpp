#include "shipper/transport/trailer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "codecs/packet_integrity.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/transport/transport.h"

namespace {

inline constexpr char TRAILER_MSG_FAILED[] = "-- packet trailer (%s) not written: %s";

bool has_control_or(std::string_view text, std::string_view also) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || also.find(c) != std::string_view::npos) return true;
    }
    return false;
}

int fail(const std::string& trailer, const std::string& reason) {
    log_it('e', fmt_msg(TRAILER_MSG_FAILED, trailer.c_str(), reason.c_str()));
    return 0;
}

}  // namespace

int write_packet_trailer(const std::string& trailer, const std::string& epoch_text, bool is_deployment,
                         const std::string& vob_destination, long versions, const std::string& packet,
                         int extra_parts) {
    // Each field is one line of the trailer, read back by the receiver.
    if (epoch_text.empty() || has_control_or(epoch_text, "<>[]")) return fail(trailer, "invalid epoch text");
    if (!is_deployment && (vob_destination.empty() || has_control_or(vob_destination, "<>")))
        return fail(trailer, "invalid VOB destination");
    std::string integrity;
    std::string error;
    if (!make_packet_integrity_line(packet, extra_parts, integrity, error)) return fail(trailer, error);

    std::string text = epoch_text;
    if (!is_deployment) text += "\n<" + vob_destination + ">" + fmt_msg("\n[%ld]", versions);
    text += "\n" + integrity;

    std::string temporary = trailer + ".tmp_XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) return fail(trailer, std::strerror(errno));
    int err = write_whole(fd, text) ? 0 : errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && std::rename(temporary.c_str(), trailer.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temporary.c_str());
        return fail(trailer, std::strerror(err));
    }
    return 1;
}

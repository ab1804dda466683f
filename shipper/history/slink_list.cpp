#include "shipper/history/slink_list.h"

#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/messages.h"
#include "common/text_format.h"
#include "shipper/history/export_text.h"
#include "shipper/history/history_messages.h"

SlinkState SLINKS;

namespace {

// The answer of `describe` for one link is read up to this many bytes.
constexpr std::size_t SLINK_DESCRIBE_SIZE = 2048;

int toss(const std::string& listing, const std::string& text) {
    log_it('e', text);
    unlink_remove(listing);
    return 0;
}

}  // namespace

bool slink_processing_on() {
    return SLINKS.SLINK_SCALE != 0 && SLINKS.VANDREL_SLINK_PROCESSING_OVERRIDE_ON == 0;
}

int gather_slinks(const std::string& view_path, const std::string& listing, bool replicated_is_vob_top) {
    using namespace history_msg;
    SLINKS.LIST.clear();
    if (!create_private_file(listing))
        return toss(listing, fmt_msg(MSG_65b, READ_FAILED, SHIPPER_NAME, listing.c_str()));
    cleartool(CT_FIND).arg(view_path).args("-nxname", "-type", "l", "-print").out_to(listing).trash_err().run();
    ExportReader in(listing);
    if (!in.is_open()) return toss(listing, fmt_msg(MSG_65b, READ_FAILED, SHIPPER_NAME, listing.c_str()));
    const std::string prefix = view_path + "/";
    const std::size_t max = SLINKS.real_slink_max();
    std::string path, text;
    while (in.next(path)) {
        if (path.empty()) continue;
        if (SLINKS.LIST.size() >= max)
            return toss(listing, fmt_msg(MSG_65c, READ_FAILED, SHIPPER_NAME, static_cast<int>(max)));
        int status = 0;
        Command describe = cleartool(CT_DESCRIBE).args("-fmt", "%[slink_text]p", path);
        if (!describe.capture(text, SLINK_DESCRIBE_SIZE - 1, &status) || status != 0 || text.empty())
            return toss(listing, fmt_msg(MSG_65f, READ_FAILED, SHIPPER_NAME, path.c_str()));
        if (!path.starts_with(prefix)) continue;
        std::string relative = path.substr(prefix.size());
        if (relative.size() + text.size() + 1 > SLINK_ENTRY_MAX)
            return toss(listing, fmt_msg(MSG_65d, READ_FAILED, SHIPPER_NAME, path.c_str()));
        if (replicated_is_vob_top && relative.starts_with("lost+found/")) continue;
        SLINKS.LIST.push_back({std::move(relative), text});
    }
    if (in.failed()) return toss(listing, fmt_msg(MSG_65b, READ_FAILED, SHIPPER_NAME, listing.c_str()));
    unlink_remove(listing);
    return 1;
}

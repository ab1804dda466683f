#include "receiver/versions/symbolic_links.h"

#include "common/cc_query.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/versions/directories.h"
#include "receiver/versions/versions_messages.h"
#include "receiver/versions/versions_state.h"

void make_symbolic_link(const std::string& link, const std::string& text, const std::string& parent,
                        const std::string& vob_tag) {
    if (is_shown_in_view(link)) return;
    check_out_directory(parent, ACTION_PARENT_CHECKOUT, vob_tag);
    Command ln = cleartool(CT_LN);
    ln.args("-s", "-c", fmt_msg(COMMENT_REPLICATED_DATA, SELF, VERSIONS_PACKET.location.c_str()), text, link)
        .trash_all();
    ln.run();
    if (!is_shown_in_view(link)) log_it('w', fmt_msg(MSG_52, ACTION_SLINK_CREATION, parent.c_str(), vob_tag.c_str()));
}

void defer_symbolic_link(const std::string& link, const std::string& text, const std::string& parent) {
    VERSIONS_PACKET.DEFERRED_SLINKS.push_back({link, text, parent});
}

void make_deferred_slinks(const std::string& vob_tag) {
    for (const DeferredSlink& s : VERSIONS_PACKET.DEFERRED_SLINKS)
        make_symbolic_link(s.link, s.text, s.parent, vob_tag);
    VERSIONS_PACKET.DEFERRED_SLINKS.clear();
}

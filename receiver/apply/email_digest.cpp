// The e-mail digest of the packet in hand.
#include "receiver/apply/email_digest.h"

#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/apply/apply_messages.h"
#include "receiver/apply/apply_state.h"

void start_email_digest() {
    if (APPLY_PACKET.EMAIL_IS_POPULATED) return;
    const std::string& mail = LOG_FILES.MLOG_FILE;
    if (!mail.empty()) {
        touch_file(mail, "", ATTR_LEAVE);
        make_private(mail);
    }
    if (mail.empty() || !this_file_exists(mail)) {
        log_it('w', fmt_msg(MSG_83, mail.c_str()));
        return;
    }
    APPLY_PACKET.EMAIL_IS_POPULATED = 1;
    HAS_WARNINGS = 1;
}

void start_digest_report(const std::string& banner) {
    start_email_digest();
    log_it_banner('E', banner);
    log_it_banner('w', banner);
}

void log_to_digest_and_warnings(const std::string& text) {
    log_text('E', text);
    log_text('w', text);
}

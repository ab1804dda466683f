#include "shipper/transport/confirmation.h"

#include "common/file_ops.h"
#include "shipper/transport/instructions.h"
#include "shipper/transport/session.h"

ConfirmationResult fetch_confirmation(const Transport& transport, const std::string& base, const std::string& script,
                                      const std::string& output, const std::string& errors,
                                      const std::string& location) {
    const std::string probe = base + ".holla";
    const std::string busy_flag = base + ".pack_pending";
    unlink_remove(busy_flag);
    if (!make_verify_up_to_date_instructions(transport, script, transport_base_name(base) + ".epoc", probe, busy_flag))
        return ConfirmationResult::ScriptNotWritten;
    ConfirmationResult result = ConfirmationResult::NoConfirmation;
    if (follow_instructions(transport, script, output, errors, probe, location, true))
        result = file_size_or_zero(busy_flag) > 0 ? ConfirmationResult::ReceiverBusy : ConfirmationResult::Confirmed;
    unlink_remove(script);
    unlink_remove(busy_flag);
    return result;
}

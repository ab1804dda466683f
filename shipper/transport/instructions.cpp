#include "shipper/transport/instructions.h"

#include "common/log.h"
#include "shipper/transport/transfer_script.h"
#include "shipper/transport/transport_messages.h"

std::string transport_base_name(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int make_verify_up_to_date_instructions(const Transport& transport, const std::string& script,
                                        const std::string& remote_epoch_name, const std::string& probe,
                                        const std::string& busy_flag) {
    const std::string probe_name = transport_base_name(probe);
    const std::string busy_name = transport_base_name(busy_flag);
    if (!check_transfer_script_values(transport, script, {remote_epoch_name, probe_name, busy_name})) return 0;

    TransferScript s(transport);
    s.open_session();
    s.put(probe_name);
    s.local_delete(probe_name);
    s.get(remote_epoch_name);
    s.get(busy_name);
    s.get(probe_name);
    s.remote_delete(probe_name);
    s.quit();

    return write_transfer_script(script, s.text(), true) == ScriptWrite::Written ? 1 : 0;
}

int make_instructions(const Transport& transport, const std::string& script, const std::string& packet, int extra_parts,
                      const std::string& trailer, const std::string& probe) {
    const std::string packet_name = transport_base_name(packet);
    const std::string trailer_name = transport_base_name(trailer);
    const std::string probe_name = transport_base_name(probe);
    if (extra_parts < 0) extra_parts = 0;
    if (!check_transfer_script_values(transport, script, {packet_name, trailer_name, probe_name})) return 0;

    TransferScript s(transport);
    s.open_session();
    s.put(probe_name);
    // Stale copies of an earlier attempt: the trailer first, so that the
    // receiver never sees a trailer over a packet being replaced; the part
    // after this packet's last one would be taken for a part of it.
    s.remote_delete(trailer_name);
    s.remote_delete(packet_name);
    s.remote_delete(packet_name + "_" + std::to_string(extra_parts + 1));
    s.local_delete(probe_name);
    s.binary();
    s.stop_at_failures();
    s.put(packet_name);
    for (int i = 1; i <= extra_parts; ++i) s.put(packet_name + "_" + std::to_string(i));
    s.ascii();
    // The trailer goes last: once it is there, the receiver takes the packet.
    s.put(trailer_name);
    s.get(probe_name);
    s.remote_delete(probe_name);
    s.quit();

    switch (write_transfer_script(script, s.text(), false)) {
        case ScriptWrite::Written:
            return 1;
        case ScriptWrite::NotCreated:
            log_it('n', TRANSPORT_MSG_CREATION_FAILED);
            return 0;
        case ScriptWrite::NotWritten:
            log_it('n', TRANSPORT_MSG_APPENDING_FAILED);
            return 0;
    }
    return 0;
}

// The pass's calls into the transport and history libraries.
#include <cerrno>

#include "shipper/history/conversion.h"
#include "shipper/history/deployment_export.h"
#include "shipper/history/destruction.h"
#include "shipper/history/metadata_passes.h"
#include "shipper/history/metadata_selection.h"
#include "shipper/history/slink_list.h"
#include "shipper/pass/pass_services.h"
#include "shipper/transport/confirmation.h"
#include "shipper/transport/host_map.h"
#include "shipper/transport/instructions.h"
#include "shipper/transport/session.h"
#include "shipper/transport/trailer.h"
#include "shipper/transport/transport.h"

namespace {

Transport TRANSPORT;

PatternList patterns_of(const shipper_config::Designators& designators) {
    PatternList list;
    list.designator = designators.letter == 'E'   ? DESIGNATOR_EXCLUDE
                      : designators.letter == 'R' ? DESIGNATOR_RESTRICT
                                                  : DESIGNATOR_ALL;
    list.patterns = designators.names;
    return list;
}

}  // namespace

void pass_select_metadata(const shipper_config::VobKey& key, int slink_scale, bool slink_override) {
    METADATA_SELECTION.BRANCHES = patterns_of(key.branches);
    METADATA_SELECTION.LABELS = patterns_of(key.labels);
    METADATA_SELECTION.ATTRIBUTES = patterns_of(key.attributes);
    SLINKS.SLINK_SCALE = slink_scale;
    SLINKS.VANDREL_SLINK_PROCESSING_OVERRIDE_ON = slink_override ? 1 : 0;
    SLINKS.LIST.clear();
    REPLICATED_TYPES = {};
}

bool pass_slinks_on() {
    return slink_processing_on();
}

int pass_gather_slinks(const std::string& view_path, const std::string& listing, bool replicated_is_vob_top) {
    return gather_slinks(view_path, listing, replicated_is_vob_top);
}

int pass_describe_deployment(const std::string& view_path, bool is_dir, const std::string& export_path,
                             std::string& error) {
    return describe_deployment_tree(view_path, is_dir, export_path, error);
}

int pass_metadata_passes(const std::string& export_path, MetadataFailure& failure) {
    failure = {};
    if (!manage_any_slinks(export_path)) {
        failure.failed = 's';
        return 0;
    }
    if (!manage_any_excluded_or_restricted_metadata('B', export_path)) {
        failure = {'B', 1};
        return 0;
    }
    if (!manage_any_merges_to_ignore(export_path)) {
        failure.failed = 'm';
        return 0;
    }
    for (char kind : {'L', 'A'}) {
        if (!manage_any_excluded_or_restricted_metadata(kind, export_path)) {
            failure = {kind, 1};
            return 0;
        }
    }
    for (char kind : {'B', 'L', 'A'}) {
        if (!manage_any_unused_metadata(kind, export_path)) {
            failure = {kind, 2};
            return 0;
        }
    }
    return 1;
}

int pass_convert(const PassConversion& c) {
    ConversionRequest rq;
    rq.export_path = c.names->history;
    rq.head_path = c.names->content;
    rq.nele_path = c.names->new_elements;
    rq.config_spec_path = c.names->config_spec;
    rq.destruction_path = destruction_file(c.ship_dir, c.key->vob_id, c.location);
    rq.tmp_dir = c.tmp_dir;
    rq.vob_tag = c.key->vob_tag;
    rq.repl_dir = c.is_dir ? c.replicated_path : c.replicated_path.substr(0, c.replicated_path.rfind('/'));
    rq.orig_portion = c.key->orig_portion;
    rq.view_tag = c.view;
    rq.view_path = c.view_path;
    rq.is_dir = c.is_dir;
    rq.location = c.location;
    rq.bay_dir = c.receiver_bay;
    rq.is_deployment = c.key->is_deployment;
    rq.deploy_location = c.key->deployment_location;
    rq.hard_deployment = c.key->hard_deployment;
    rq.preserve_personality = true;
    rq.requires_post_label_processing = c.post_label_processing;
    rq.requires_destructive_commands_processing = c.destructive_processing;
    rq.do_lshistory = c.do_lshistory;
    rq.since = c.since;
    CONVERSION = {};
    return convert_file(rq);
}

long pass_versions_in_packet() {
    return CONVERSION.VERSIONS_IN_PACKET;
}

std::string pass_file_working_on() {
    return CONVERSION.CURRENT_VERSION_FILE_WORKING_ON;
}

void pass_set_transport(const shipper_config::ShipperSettings& settings, const std::string& hostmaps_dir,
                        const std::string& epocs_dir) {
    TRANSPORT.settings.program = settings.TRANSPORT_PROGRAM;
    TRANSPORT.settings.kind = settings.transport_kind;
    TRANSPORT.settings.hostmaps_dir = hostmaps_dir;
    TRANSPORT.settings.local_dir = epocs_dir;
    TRANSPORT.settings.session_seconds = static_cast<unsigned>(settings.TRANSPORT_TIME_LIMIT);
}

int pass_read_host_map(const std::string& location) {
    return get_receiver_data(TRANSPORT, location);
}

std::string pass_receiver_directory() {
    return TRANSPORT.receiver.directory;
}

Confirmation pass_fetch_confirmation(const PassNames& names, const std::string& location) {
    switch (fetch_confirmation(TRANSPORT, names.base, names.script, names.output, names.errors, location)) {
        case ConfirmationResult::Confirmed:
            return Confirmation::confirmed;
        case ConfirmationResult::ReceiverBusy:
            return Confirmation::receiver_busy;
        case ConfirmationResult::NoConfirmation:
            return Confirmation::no_confirmation;
        case ConfirmationResult::ScriptNotWritten:
            break;
    }
    return Confirmation::script_not_written;
}

int pass_write_trailer(const std::string& trailer, const std::string& epoch_text, bool is_deployment,
                       const std::string& vob_destination, long versions, const std::string& packet, int parts) {
    return write_packet_trailer(trailer, epoch_text, is_deployment, vob_destination, versions, packet, parts);
}

int pass_make_instructions(const PassNames& names, int parts) {
    return make_instructions(TRANSPORT, names.script, names.encrypted, parts, names.trailer, names.probe);
}

int pass_follow_instructions(const PassNames& names, const std::string& location) {
    return follow_instructions(TRANSPORT, names.script, names.output, names.errors, names.probe, location, true);
}

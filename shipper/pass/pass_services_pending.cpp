// The pass's services in a build without the transport and history
// libraries: every packet-building step reports that it is not available,
// so a pass fails cleanly after its own checks.
#include <cerrno>

#include "common/log.h"
#include "common/text_format.h"
#include "shipper/pass/pass_services.h"

namespace {

int not_available(const char* what) {
    log_it('e', fmt_msg("-- %s not available in this shipper", what));
    errno = ENOSYS;
    return 0;
}

}  // namespace

bool pass_services_available() {
    return false;
}

void pass_select_metadata(const shipper_config::VobKey&, int, bool, const std::string&) {}

bool pass_slinks_on() {
    return false;
}

int pass_gather_slinks(const std::string&, const std::string&, bool) {
    return not_available("symbolic link gathering");
}

int pass_describe_deployment(const std::string&, bool, const std::string&, std::string& error) {
    error = "deployment description not available in this shipper";
    return not_available("deployment description");
}

int pass_metadata_passes(const std::string&, MetadataFailure& failure) {
    failure.failed = 's';
    return not_available("metadata management");
}

int pass_convert(const PassConversion&) {
    return not_available("history conversion");
}

long pass_versions_in_packet() {
    return 0;
}

std::string pass_file_working_on() {
    return "??";
}

int pass_extra_parts() {
    return 0;
}

void pass_set_transport(const shipper_config::ShipperSettings&, const std::string&, const std::string&) {}

int pass_read_host_map(const std::string&) {
    return not_available("the transport");
}

std::string pass_receiver_directory() {
    return {};
}

Confirmation pass_fetch_confirmation(const PassNames&, const std::string&) {
    return Confirmation::script_not_written;
}

int pass_write_trailer(const std::string&, const std::string&, bool, const std::string&, long, const std::string&,
                       int) {
    return not_available("the packet trailer");
}

int pass_make_instructions(const PassNames&, int) {
    return not_available("the transport");
}

int pass_follow_instructions(const PassNames&, const std::string&) {
    return not_available("the transport");
}

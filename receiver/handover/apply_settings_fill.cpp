#include "receiver/handover/apply_settings_fill.h"

#include "receiver/apply/apply_state.h"
#include "receiver/versions/versions_state.h"

void fill_apply_settings(const ReceiverSettings& settings, const std::string& receiving_user) {
    ApplySettings& S = APPLY_SETTINGS;
    S.IMPORT_VIEW = settings.IMPORT_VIEW;
    S.RECEIVER_USER = receiving_user;
    S.read_ignore_received_label_data = settings.yes_no[IGNORE_RECEIVED_LABEL_DATA] ? 1 : 0;
    S.read_ignore_received_branch_data = settings.yes_no[IGNORE_RECEIVED_BRANCH_DATA] ? 1 : 0;
    S.read_ignore_received_attribute_data = settings.yes_no[IGNORE_RECEIVED_ATTRIBUTE_DATA] ? 1 : 0;
    S.read_suppress_locked_label_checking = settings.yes_no[SUPPRESS_LOCKED_LABEL_CHECKING] ? 1 : 0;
    S.read_suppress_locked_branch_checking = settings.yes_no[SUPPRESS_LOCKED_BRANCH_CHECKING] ? 1 : 0;
    S.read_suppress_locked_attribute_checking = settings.yes_no[SUPPRESS_LOCKED_ATTRIBUTE_CHECKING] ? 1 : 0;
    VERSIONS_SETTINGS.new_dir_personality = settings.new_dir_personality;
    VERSIONS_SETTINGS.IGNORE_RECEIVED_SLINKS_VALUE = settings.yes_no[IGNORE_RECEIVED_SLINKS] ? 1 : 0;
}

void begin_packet_application(const ReceiverKeyLine& key, long versions_in_packet) {
    reset_apply_packet();
    reset_versions_packet();
    VERSIONS_SETTINGS.label_directories = key.label_dir ? 1 : 0;
    APPLY_PACKET.VERSIONS_IN_PACKET = versions_in_packet;
    ApplySettings& S = APPLY_SETTINGS;
    switch (key.protection) {
        case Protection::Preserve:
            S.protection = PROTECTION_PRESERVE;
            break;
        case Protection::Exactly:
            S.protection = PROTECTION_EXACTLY;
            break;
        default:
            S.protection = PROTECTION_PROCESS;
            break;
    }
    S.exact_user = key.exact_user;
    S.exact_group = key.exact_group;
}

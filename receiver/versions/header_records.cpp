// Header records applied to the receiving VOB.
#include "receiver/versions/header_records.h"

#include <unordered_map>

#include "common/cc_query.h"
#include "common/file_ops.h"
#include "common/frame.h"
#include "common/log.h"
#include "common/text_format.h"
#include "receiver/apply/apply_state.h"
#include "receiver/apply/normalize.h"
#include "receiver/versions/directories.h"
#include "receiver/versions/element_names.h"
#include "receiver/versions/symbolic_links.h"
#include "receiver/versions/versions_messages.h"
#include "receiver/versions/versions_state.h"
#include "common/text_ops.h"

namespace {

// A header-records file larger than this is not a header.
constexpr std::size_t HEADER_FILE_MAX = 64u << 20;

bool answer_lists_something(const Command& command) {
    std::string answer;
    get_stdout_of_command(command, answer, CC_ANSWER_SIZE);
    return answer.find_first_not_of(" \t\r\n") != std::string::npos;
}

bool type_is_listed(const std::string& selector) {
    Command lstype = cleartool(CT_LSTYPE);
    lstype.args("-s", selector).trash_err();
    return answer_lists_something(lstype);
}

// Everything one packet's records need while they are applied.
class HeaderApplier {
public:
    HeaderApplier(const std::string& data_path, const std::string& vob_tag, const std::string& vob_path)
        : packet_(packet_file_name(data_path)), vob_tag_(vob_tag), vob_path_(vob_path) {}

    void collect_owners(const std::vector<HeaderRecord>& records);
    void apply(const HeaderRecord& r);

private:
    void refuse_path(const char* what, const std::string& value) {
        log_it('w', fmt_msg(MSG_REFUSED_PATH, what, value.c_str(), packet_.c_str(), vob_tag_.c_str()));
    }
    void refuse_name(const char* what, const std::string& value) {
        log_it('w', fmt_msg(MSG_REFUSED_NAME, what, value.c_str(), packet_.c_str(), vob_tag_.c_str()));
    }
    void renew_reserved_attribute_type();
    void element_type(const std::string& value);
    void used_type(const char* kind, const char* scope, const char* what, const std::string& name);
    void directory(const std::string& value);
    void directory_protection(const std::string& value);
    void symbolic_link(const std::string& value);
    void remote_checkout(const std::string& value);

    std::string packet_;
    std::string vob_tag_;
    std::string vob_path_;
    // Owner and group of each directory, from its "o:" record.
    std::unordered_map<std::string, DirOwner> owners_;
    // False once an "l:" record named a location unfit for a type name.
    bool location_usable_ = true;
};

void HeaderApplier::collect_owners(const std::vector<HeaderRecord>& records) {
    for (const HeaderRecord& r : records) {
        DirOwner owner;
        if (r.letter == HDR_DIR_OWNER && parse_dir_owner_value(r.value, owner) && packet_path_stays_inside(owner.dir))
            owners_.emplace(tidy_relative_path(owner.dir), owner);
    }
}

void HeaderApplier::apply(const HeaderRecord& r) {
    const ApplySettings& S = APPLY_SETTINGS;
    switch (r.letter) {
        case HDR_LOCATION:
            renew_reserved_attribute_type();
            break;
        case HDR_ELTYPE:
            element_type(r.value);
            break;
        case HDR_GLOBAL_BRTYPE:
            if (!S.read_ignore_received_branch_data) used_type(BRANCH, "global", WHAT_BRTYPE, r.value);
            break;
        case HDR_BRTYPE:
            if (!S.read_ignore_received_branch_data) used_type(BRANCH, "ordinary", WHAT_BRTYPE, r.value);
            break;
        case HDR_GLOBAL_LBTYPE:
            if (!S.read_ignore_received_label_data) used_type(LABEL, "global", WHAT_LBTYPE, r.value);
            break;
        case HDR_GLOBAL_ATTYPE:
            if (!S.read_ignore_received_attribute_data) used_type(ATTRIBUTE, "global", WHAT_ATTYPE, r.value);
            break;
        case HDR_DIRECTORY:
            if (VERSIONS_PACKET.new_dir_personality == 0) directory(r.value);
            break;
        case HDR_DIR_OWNER:
            if (S.protection == PROTECTION_PRESERVE) directory_protection(r.value);
            break;
        case HDR_SLINK:
            symbolic_link(r.value);
            break;
        case HDR_CHECKEDOUT:
            if (!S.read_ignore_received_attribute_data) remote_checkout(r.value);
            break;
        default:
            break;
    }
}

void HeaderApplier::renew_reserved_attribute_type() {
    const std::string& location = VERSIONS_PACKET.location;
    std::string name = reserved_attribute_name();
    location_usable_ = is_plain_type_name(name);
    if (!location_usable_) {
        refuse_name(WHAT_LOCATION, location);
        return;
    }
    std::string selector = type_selector(ATTYPE, name, vob_tag_);
    Command rmtype = cleartool(CT_RMTYPE);
    rmtype.args("-nc", "-f", "-rmall", selector).trash_all();
    rmtype.run();
    if (type_is_listed(selector))
        log_it('w', fmt_msg(MSG_53, "remove", PROTECTED_VANDREL_ATTRIBUTE, location.c_str(), vob_tag_.c_str(),
                            location.c_str()));
    Command mkattype = cleartool(CT_MKATTYPE);
    mkattype.args("-c", fmt_msg(COMMENT_RESERVED_ATTYPE, SELF), "-vtype", "integer", "-def", "1", name + "@" + vob_tag_)
        .trash_all();
    mkattype.run();
    if (!type_is_listed(selector))
        log_it('w', fmt_msg(MSG_53, "create", PROTECTED_VANDREL_ATTRIBUTE, location.c_str(), vob_tag_.c_str(),
                            location.c_str()));
}

void HeaderApplier::element_type(const std::string& value) {
    std::string type, super;
    if (!parse_eltype_value(value, type, super) || !is_plain_type_name(type) || !is_plain_type_name(super)) {
        refuse_name(WHAT_ELTYPE, value);
        return;
    }
    std::string selector = type_selector("eltype", type, vob_tag_);
    if (type_is_listed(selector)) return;
    Command mkeltype = cleartool(CT_MKELTYPE);
    mkeltype
        .args("-c", fmt_msg(COMMENT_ELTYPE, SELF, VERSIONS_PACKET.location.c_str()), "-sup", super,
              type + "@" + vob_tag_)
        .trash_all();
    mkeltype.run();
    if (!type_is_listed(selector)) log_it('w', fmt_msg(MSG_51, type.c_str(), super.c_str(), vob_tag_.c_str()));
}

void HeaderApplier::used_type(const char* kind, const char* scope, const char* what, const std::string& name) {
    if (!is_plain_type_name(name)) {
        refuse_name(what, name);
        return;
    }
    create_type_if_missing(kind, scope, name, vob_tag_, VERSIONS_PACKET.location);
}

void HeaderApplier::directory(const std::string& value) {
    if (!packet_path_stays_inside(value)) {
        refuse_path(WHAT_DIRECTORY, value);
        return;
    }
    std::string rel = tidy_relative_path(value);
    std::string owner, group;
    if (auto found = owners_.find(rel); found != owners_.end()) {
        owner = found->second.owner;
        group = found->second.group;
    }
    prepare_replicated_directory(rel, vob_tag_, vob_path_, owner, group);
}

void HeaderApplier::directory_protection(const std::string& value) {
    DirOwner d;
    if (!parse_dir_owner_value(value, d)) {
        log_it('w', fmt_msg(MSG_52, ACTION_READ_PROTECTION, value.c_str(), vob_tag_.c_str()) + MSG_52a);
        return;
    }
    if (!packet_path_stays_inside(d.dir)) {
        refuse_path(WHAT_DIRECTORY_PROTECTION, value);
        return;
    }
    std::string path;
    get_long_element_version(vob_path_, tidy_relative_path(d.dir), path);
    std::string key = ";" + path + "<" + d.owner + ">" + d.group + "|" + d.permissions + ";";
    if (!VERSIONS_PACKET.protected_dirs.insert(key).second) return;
    VERSIONS_PACKET.PROTECTED_DIR_LIST.push_back({path, d.owner, d.group, d.permissions});
}

void HeaderApplier::symbolic_link(const std::string& value) {
    VersionsPacket& P = VERSIONS_PACKET;
    bool ignored = VERSIONS_SETTINGS.IGNORE_RECEIVED_SLINKS_VALUE != 0;
    if (P.BEGIN_OF_SLINK) {
        P.BEGIN_OF_SLINK = 0;
        log_text('t', ignored ? IGNORE_SLINKS_FOLLOW : HEADER_SLINKS_FOLLOW);
    }
    std::string rel, text;
    if (!parse_slink_value(value, rel, text)) {
        refuse_path(WHAT_SLINK, value);
        return;
    }
    log_text('t', fmt_msg(TOC_SLINK_LINE, (vob_path_ + "/" + rel).c_str(), text.c_str()));
    if (ignored) return;
    if (!packet_path_stays_inside(rel) || tidy_relative_path(rel) == ".") {
        refuse_path(WHAT_SLINK, value);
        return;
    }
    rel = tidy_relative_path(rel);
    std::string link;
    get_long_element_version(vob_path_, rel, link);
    if (is_shown_in_view(link)) return;
    std::string parent;
    get_long_element_version(vob_path_, parent_relative_path(rel), parent);
    // A directory the packet brings is made by the import: its links follow.
    if (!is_shown_in_view(parent))
        defer_symbolic_link(link, text, parent);
    else
        make_symbolic_link(link, text, parent, vob_tag_);
}

void HeaderApplier::remote_checkout(const std::string& value) {
    std::size_t at = value.find("@@");
    std::string element = value.substr(0, at);
    std::string branch = at == std::string::npos ? std::string() : value.substr(at + 2);
    if (!packet_path_stays_inside(element) || (!branch.empty() && !packet_path_stays_inside("." + branch))) {
        refuse_path(WHAT_CHECKOUT, value);
        return;
    }
    if (!location_usable_) return;
    std::string path;
    get_long_element_version(vob_path_, value, path);
    std::string answer;
    int status = 0;
    Command ls = cleartool(CT_LS);
    ls.args("-s", "-dir", path).trash_err();
    if (!ls.capture(answer, CC_ANSWER_SIZE, &status) || status != 0 || !answer.starts_with(path)) return;
    std::string created;
    Command mkattr = cleartool(CT_MKATTR);
    mkattr.args("-c", fmt_msg(COMMENT_CHECKOUT_MARK, SELF), "-rep", "-def", reserved_attribute_name(), path)
        .trash_err();
    get_stdout_of_command(mkattr, created, CC_ANSWER_SIZE);
    if (!created.starts_with("Created"))
        log_it('w', fmt_msg(MSG_54, PROTECTED_VANDREL_ATTRIBUTE, VERSIONS_PACKET.location.c_str(), value.c_str(),
                            VERSIONS_PACKET.location.c_str()));
}

}  // namespace

void split_header_records(std::string_view text, std::vector<HeaderRecord>& records) {
    std::size_t pos = 0;
    for (std::size_t end; (end = text.find(HEADER_RECORD_END, pos)) != std::string_view::npos; pos = end + 1) {
        std::string_view record = text.substr(pos, end - pos);
        if (record.size() >= 2 && record[1] == HEADER_LETTER_SEPARATOR)
            records.push_back({record[0], std::string(record.substr(2))});
    }
}

int apply_header_records(const std::string& pre_path, const std::string& data_path, const std::string& vob_tag,
                         const std::string& vob_path, std::string& toss_message) {
    reset_versions_packet();
    VersionsPacket& P = VERSIONS_PACKET;
    std::string text;
    if (!this_file_exists(pre_path) || static_cast<std::size_t>(file_size_or_zero(pre_path)) > HEADER_FILE_MAX ||
        !get_file_results(pre_path, text, Command::NO_LIMIT) || (text.empty() && !file_is_empty(pre_path))) {
        toss_message = fmt_msg(MSG_50, pre_path.c_str(), data_path.c_str());
        return 0;
    }
    std::vector<HeaderRecord> records;
    split_header_records(text, records);

    std::string version;
    for (const HeaderRecord& r : records) {
        if (r.letter == HDR_LOCATION) P.location = r.value;
        if (r.letter == HDR_PACKET_TYPE) P.packet_type = r.value;
        if (r.letter == HDR_DEPLOY_LOCATION) P.deploy_location = stripped_copy(r.value);
        if (r.letter == HDR_FORMAT_VERSION) version = r.value;
    }
    bool deployment = P.packet_type == PACKET_TYPE_FLAT;
    if (deployment) {
        APPLY_PACKET.IS_DEPLOYMENT = 1;
        P.new_dir_personality = 1;
    }
    // Checked before anything is changed: a packet of another format leaves
    // no checked-out directory or half-made type behind.
    if (version != MIN_SENDER_VERSION) {
        toss_message = fmt_msg(MSG_81, std::string(MIN_SENDER_VERSION).c_str());
        return 0;
    }
    if (deployment || vob_tag.empty()) return 1;

    // The location of each "l:" record counts from that record on.
    P.location = UNDEFINED_LOCATION;
    HeaderApplier applier(data_path, vob_tag, vob_path);
    applier.collect_owners(records);
    for (const HeaderRecord& r : records) {
        if (r.letter == HDR_LOCATION) P.location = r.value;
        applier.apply(r);
    }
    return 1;
}

#include "shipper/history/destruction.h"

#include <fstream>

#include "codecs/scramble.h"
#include "common/file_ops.h"
#include "common/log.h"
#include "common/text_format.h"
#include "shipper/history/history_messages.h"
#include "shipper/history/metadata_selection.h"

namespace {

constexpr std::size_t TYPE_NAME_MAX = 123;

// The type kind of a type request: the selection that filters it and the
// keyword the TOC shows.
struct TypeKind {
    const PatternList* list;
    const char* keyword;
};

TypeKind type_kind_of(DestroyKind kind) {
    switch (kind) {
        case DestroyKind::MkBrtype:
        case DestroyKind::ModBrtype:
        case DestroyKind::RmBrtype:
        case DestroyKind::RnBrtype:
        case DestroyKind::LockBrtype:
        case DestroyKind::UnlockBrtype:
            return {&METADATA_SELECTION.BRANCHES, "brtype"};
        case DestroyKind::MkLbtype:
        case DestroyKind::ModLbtype:
        case DestroyKind::RmLbtype:
        case DestroyKind::RnLbtype:
        case DestroyKind::LockLbtype:
        case DestroyKind::UnlockLbtype:
            return {&METADATA_SELECTION.LABELS, "lbtype"};
        default:
            return {&METADATA_SELECTION.ATTRIBUTES, "attype"};
    }
}

int write_request(DestructionPass& pass, DestroyKind kind, std::string_view object) {
    std::string record;
    if (!append_destroy_record(record, kind, object)) return 1;  // nothing that could be carried
    return append_to_destruction(*pass.head, record);
}

// A TOC line "   <what> => "<name>"".
std::string toc_line(const char* what, const std::string& name) {
    return std::string("   ").append(what).append(" => \"").append(name).append("\"\n");
}

// A version path of a merge-arrow removal: it must name a version on the
// main branch's tree and not a checkout.
bool carried_merge_end(std::string_view version) {
    if (version.empty() || version.find("@@/main") == std::string_view::npos) return false;
    const std::size_t slash = version.rfind('/');
    return !version.substr(slash).starts_with("/CHECKEDOUT");
}

}  // namespace

std::string destruction_file(const std::string& ship_dir, int vob_id, const std::string& location) {
    return fmt_msg("%s%c_dhist%cdhist.%03d.%s", ship_dir.c_str(), '/', '/', vob_id, location.c_str());
}

int append_to_destruction(HeadFile& head, std::string_view record) {
    if (head.append(record)) return 1;
    portion_failed(9, history_msg::DESTRUCT_PROCESS, head);
    remove_ship_files();
    return 0;
}

int process_a_removal(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    const PatternList& branches = METADATA_SELECTION.BRANCHES;
    if (kind == DestroyKind::Rmver && !version_path_passes(branches, event.object)) return 1;
    if (kind == DestroyKind::Rmbranch && !branch_path_passes(branches, event.object)) return 1;
    if (!pass.KNOWN_DESTROYS.note_removal(event.object)) return 1;
    if (!write_request(pass, kind, event.object)) return 0;
    const char* toc = kind == DestroyKind::RmelemFile  ? "rmelem file"
                      : kind == DestroyKind::RmelemDir ? "rmelem directory"
                      : kind == DestroyKind::Rmver     ? "rmver file"
                                                       : "rmbranch file";
    pass.toc->add(toc_line(toc, event.object));
    return 1;
}

int process_a_mktype_or_modtype(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    const TypeKind tk = type_kind_of(kind);
    std::string name = event.object.substr(0, event.object.find(':'));
    if (name.size() > TYPE_NAME_MAX) name.resize(TYPE_NAME_MAX);
    if (!keeps_name(*tk.list, name)) return 1;
    if (!write_request(pass, kind, event.object)) return 0;
    const bool mk = kind == DestroyKind::MkBrtype || kind == DestroyKind::MkLbtype || kind == DestroyKind::MkAttype;
    pass.toc->add(fmt_msg("   %s %s => \"%s\"\n", mk ? "mktype" : "modtype", tk.keyword, name.c_str()));
    return 1;
}

int process_a_rmtype(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    const TypeKind tk = type_kind_of(kind);
    if (!keeps_name(*tk.list, event.object)) return 1;
    if (!write_request(pass, kind, event.object)) return 0;
    pass.toc->add(fmt_msg("   rmtype %s => \"%s\"\n", tk.keyword, event.object.c_str()));
    return 1;
}

int process_a_rntype(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    std::string old_name, new_name;
    if (!parse_rename(event.object, old_name, new_name)) return 1;
    const TypeKind tk = type_kind_of(kind);
    const PatternList& list = *tk.list;
    const bool old_match = matches_any_pattern(list, old_name) != 0;
    const bool new_match = matches_any_pattern(list, new_name) != 0;
    if (list.designator == DESIGNATOR_EXCLUDE && (old_match || new_match)) return 1;
    if (list.designator == DESIGNATOR_RESTRICT && !(old_match && new_match)) return 1;
    if (!write_request(pass, kind, event.object)) return 0;
    pass.toc->add(fmt_msg("   rntype %s => \"%s\" -> \"%s\" \n", tk.keyword, old_name.c_str(), new_name.c_str()));
    return 1;
}

int process_a_type_lock_or_unlock(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    if (keeps_name(*type_kind_of(kind).list, event.object)) pass.KNOWN_DESTROYS.note_lock_event(kind, event.object);
    return 1;
}

int process_an_element_lock_or_unlock(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    pass.KNOWN_DESTROYS.note_lock_event(kind, event.object);
    return 1;
}

int process_a_branch_lock_or_unlock(DestructionPass& pass, DestroyKind kind, const DestructionEvent& event) {
    if (branch_path_passes(METADATA_SELECTION.BRANCHES, event.object))
        pass.KNOWN_DESTROYS.note_lock_event(kind, event.object);
    return 1;
}

int process_a_rmmerge(DestructionPass& pass, DestroyKind, const DestructionEvent& event) {
    const std::size_t lt = event.object.find('<');
    if (lt == std::string::npos) return 1;
    const PatternList& branches = METADATA_SELECTION.BRANCHES;
    if (!version_path_passes(branches, std::string_view(event.object).substr(lt + 1)) ||
        !version_path_passes(branches, std::string_view(event.object).substr(0, lt)))
        return 1;
    pass.KNOWN_DESTROYS.note_merge_removal(event.object);
    return 1;
}

namespace {

bool is_unlock(DestroyKind kind) {
    return kind == DestroyKind::UnlockLbtype || kind == DestroyKind::UnlockAttype ||
           kind == DestroyKind::UnlockBrtype || kind == DestroyKind::UnlockBranch || kind == DestroyKind::UnlockElement;
}

bool is_lock_event(DestroyKind kind) {
    return is_unlock(kind) || kind == DestroyKind::LockLbtype || kind == DestroyKind::LockAttype ||
           kind == DestroyKind::LockBrtype || kind == DestroyKind::LockBranch || kind == DestroyKind::LockElement;
}

int dispatch(DestructionPass& pass, const DestructionEvent& event) {
    const DestroyKind kind = destroy_kind_of(event.kind);
    if (pass.current_locks_only && !is_lock_event(kind)) return 1;
    switch (kind) {
        case DestroyKind::RmelemFile:
        case DestroyKind::RmelemDir:
        case DestroyKind::Rmver:
        case DestroyKind::Rmbranch:
            return process_a_removal(pass, kind, event);
        case DestroyKind::MkLbtype:
        case DestroyKind::MkAttype:
        case DestroyKind::MkBrtype:
        case DestroyKind::ModLbtype:
        case DestroyKind::ModAttype:
        case DestroyKind::ModBrtype:
            return process_a_mktype_or_modtype(pass, kind, event);
        case DestroyKind::RmLbtype:
        case DestroyKind::RmAttype:
        case DestroyKind::RmBrtype:
            return process_a_rmtype(pass, kind, event);
        case DestroyKind::RnLbtype:
        case DestroyKind::RnAttype:
        case DestroyKind::RnBrtype:
            return process_a_rntype(pass, kind, event);
        case DestroyKind::LockLbtype:
        case DestroyKind::UnlockLbtype:
        case DestroyKind::LockAttype:
        case DestroyKind::UnlockAttype:
        case DestroyKind::LockBrtype:
        case DestroyKind::UnlockBrtype:
            return process_a_type_lock_or_unlock(pass, kind, event);
        case DestroyKind::LockBranch:
        case DestroyKind::UnlockBranch:
            return process_a_branch_lock_or_unlock(pass, kind, event);
        case DestroyKind::LockElement:
        case DestroyKind::UnlockElement:
            return process_an_element_lock_or_unlock(pass, kind, event);
        case DestroyKind::Rmmerge:
            return process_a_rmmerge(pass, kind, event);
        default:
            return 1;  // unknown kinds and kind letters are ignored
    }
}

// The grouped requests: a TOC header per group, then its lines.
struct Group {
    const char* header;
    DestroyKind lock;
    const char* lock_line;
    DestroyKind unlock;
    const char* unlock_line;
};
constexpr Group LOCK_GROUPS[] = {
    {"   ======== any lock:lbtype or unlock:lbtypes \"request\" follow:\n", DestroyKind::LockLbtype, "lock lbtype",
     DestroyKind::UnlockLbtype, "unlock lbtype"},
    {"   ======== any lock:attype or unlock:attypes \"request\" follow:\n", DestroyKind::LockAttype, "lock attype",
     DestroyKind::UnlockAttype, "unlock attype"},
    {"   ======== any lock:brtype or unlock:brtypes \"request\" follow:\n", DestroyKind::LockBrtype, "lock brtype",
     DestroyKind::UnlockBrtype, "unlock brtype"},
    {"   ======== any lock:branches or unlock:branches \"request\" follow:\n", DestroyKind::LockBranch, "lock branch",
     DestroyKind::UnlockBranch, "unlock branch"},
    {"   ======== any lock:elements or unlock:elements \"request\" follow:\n", DestroyKind::LockElement, "lock element",
     DestroyKind::UnlockElement, "unlock element"},
};
constexpr char MERGE_GROUP_HEADER[] = "   ======== any merge arrow removal \"request\" follow:\n";

int write_grouped(DestructionPass& pass) {
    // grouped_requests() lists the groups in the order written here.
    const auto requests = pass.KNOWN_DESTROYS.grouped_requests();
    std::size_t i = 0;
    for (const Group& g : LOCK_GROUPS) {
        pass.toc->add(g.header);
        for (; i < requests.size() && (requests[i].first == g.lock || requests[i].first == g.unlock); ++i) {
            const auto& [kind, name] = requests[i];
            if (pass.current_locks_only && is_unlock(kind)) continue;
            if (!write_request(pass, kind, name)) return 0;
            pass.toc->add(toc_line(kind == g.lock ? g.lock_line : g.unlock_line, name));
        }
    }
    pass.toc->add(MERGE_GROUP_HEADER);
    for (; i < requests.size(); ++i) {
        const std::string& object = requests[i].second;
        std::string to, from;
        if (!parse_merge_removal(object, to, from) || !carried_merge_end(to) || !carried_merge_end(from)) continue;
        if (!write_request(pass, DestroyKind::Rmmerge, object)) return 0;
        pass.toc->add(fmt_msg("   remove merge arrow => \"%s\" <- \"%s\"\n", to.c_str(), from.c_str()));
    }
    return 1;
}

}  // namespace

int write_destruction_requests(const std::string& destruction_path, std::time_t since, EventWindow window,
                               HeadFile& head, TocLog& toc) {
    DestructionPass pass;
    pass.head = &head;
    pass.toc = &toc;
    pass.current_locks_only = window == EventWindow::WholeHistory;
    std::ifstream in(destruction_path, std::ios::binary);
    std::string line;
    DestructionEvent event;
    while (in && std::getline(in, line)) {
        if (line.empty() || !read_destruction_line(line, event)) continue;
        if (window == EventWindow::SinceTime && event.time < static_cast<long long>(since)) continue;
        if (!dispatch(pass, event)) return 0;
    }
    return write_grouped(pass);
}

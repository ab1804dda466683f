// Removal and lock section (see packet_destroy.h).
#include "codecs/packet_destroy.h"

#include <array>
#include <charconv>
#include <utility>

#include "codecs/scramble.h"

namespace {

constexpr std::array<std::pair<DestroyKind, std::string_view>, 28> KIND_TEXTS = {{
    {DestroyKind::RmelemFile, "rmelem.f"}, {DestroyKind::RmelemDir, "rmelem.d"},
    {DestroyKind::Rmver, "rmver."},        {DestroyKind::Rmbranch, "rmbranch."},
    {DestroyKind::MkLbtype, "mktype.L"},   {DestroyKind::MkAttype, "mktype.A"},
    {DestroyKind::MkBrtype, "mktype.B"},   {DestroyKind::ModLbtype, "modtype.L"},
    {DestroyKind::ModAttype, "modtype.A"}, {DestroyKind::ModBrtype, "modtype.B"},
    {DestroyKind::RmLbtype, "rmtype.L"},   {DestroyKind::RmAttype, "rmtype.A"},
    {DestroyKind::RmBrtype, "rmtype.B"},   {DestroyKind::RnLbtype, "rntype.L"},
    {DestroyKind::RnAttype, "rntype.A"},   {DestroyKind::RnBrtype, "rntype.B"},
    {DestroyKind::LockLbtype, "lock.L"},   {DestroyKind::UnlockLbtype, "unlock.L"},
    {DestroyKind::LockAttype, "lock.A"},   {DestroyKind::UnlockAttype, "unlock.A"},
    {DestroyKind::LockBrtype, "lock.B"},   {DestroyKind::UnlockBrtype, "unlock.B"},
    {DestroyKind::LockBranch, "Lock.b"},   {DestroyKind::UnlockBranch, "Unlock.b"},
    {DestroyKind::LockElement, "Lock.e"},  {DestroyKind::UnlockElement, "Unlock.e"},
    {DestroyKind::Rmmerge, "rmmerge."},    {DestroyKind::Unknown, ""},
}};

}  // namespace

std::string_view destroy_kind_text(DestroyKind kind) {
    for (const auto& [k, text] : KIND_TEXTS)
        if (k == kind) return text;
    return {};
}

DestroyKind destroy_kind_of(std::string_view keyword) {
    if (keyword.empty()) return DestroyKind::Unknown;
    for (const auto& [k, text] : KIND_TEXTS)
        if (text == keyword) return k;
    return DestroyKind::Unknown;
}

std::string destroy_section_keyword(bool replication) {
    std::string k(replication ? DESTROY_KEYWORD : NONE_KEYWORD);
    k += SECTION_RECORD_END;
    return k;
}

int append_destroy_record(std::string& out, DestroyKind kind, std::string_view object) {
    std::string_view keyword = destroy_kind_text(kind);
    if (keyword.empty() || object.empty()) return 0;
    out += keyword;
    out += DESTROY_FIELD_SEPARATOR;
    for (char c : object) out += c == SECTION_RECORD_END ? ' ' : c;
    out += SECTION_RECORD_END;
    return 1;
}

int read_destroy_section(std::string_view text, std::vector<DestroyRecord>& records, std::string& error) {
    const std::string head = destroy_section_keyword(true);
    if (text.substr(0, head.size()) != head) return 1;
    std::size_t pos = head.size();
    while (pos < text.size()) {
        std::size_t end = text.find(SECTION_RECORD_END, pos);
        std::string_view record = text.substr(pos, end == std::string_view::npos ? text.npos : end - pos);
        if (end == std::string_view::npos) {
            if (record.find_first_not_of(" \t\r\n") == std::string_view::npos) break;
            error = "removal record " + std::to_string(records.size() + 1) + " is not terminated: \"" +
                    std::string(record.substr(0, 120)) + "\"";
            return 0;
        }
        std::size_t bar = record.find(DESTROY_FIELD_SEPARATOR);
        if (bar == std::string_view::npos) {
            error = "removal record " + std::to_string(records.size() + 1) + " has no \"|\": \"" +
                    std::string(record.substr(0, 120)) + "\"";
            return 0;
        }
        DestroyRecord r;
        r.keyword.assign(record.substr(0, bar));
        r.kind = destroy_kind_of(r.keyword);
        r.object.assign(record.substr(bar + 1));
        records.push_back(std::move(r));
        pos = end + 1;
    }
    return 1;
}

TypeSpec parse_type_spec(std::string_view object) {
    TypeSpec spec;
    std::size_t colon = object.find(':');
    spec.name.assign(object.substr(0, colon));
    if (colon != std::string_view::npos) {
        std::string_view flags = object.substr(colon + 1);
        if (!flags.empty()) spec.global = flags[0] == 'g';
        if (flags.size() > 1 && (flags[1] == 'b' || flags[1] == 'e' || flags[1] == 'v')) spec.constraint = flags[1];
    }
    return spec;
}

int parse_rename(std::string_view object, std::string& old_name, std::string& new_name) {
    std::size_t colon = object.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == object.size()) return 0;
    old_name.assign(object.substr(0, colon));
    new_name.assign(object.substr(colon + 1));
    return 1;
}

int parse_merge_removal(std::string_view object, std::string& to_version, std::string& from_version) {
    std::size_t lt = object.find('<');
    if (lt == std::string_view::npos || lt == 0 || lt + 1 == object.size()) return 0;
    to_version.assign(object.substr(0, lt));
    from_version.assign(object.substr(lt + 1));
    return 1;
}

namespace {

// Lock families in the order their groups are written: the lock kind and
// the unlock kind of each.
constexpr std::pair<DestroyKind, DestroyKind> LOCK_FAMILIES[] = {
    {DestroyKind::LockLbtype, DestroyKind::UnlockLbtype},   {DestroyKind::LockAttype, DestroyKind::UnlockAttype},
    {DestroyKind::LockBrtype, DestroyKind::UnlockBrtype},   {DestroyKind::LockBranch, DestroyKind::UnlockBranch},
    {DestroyKind::LockElement, DestroyKind::UnlockElement},
};

}  // namespace

void DestroyRequestTable::reset() {
    removed_.clear();
    locks_.clear();
    lock_index_.clear();
    merges_.clear();
    merge_set_.clear();
}

bool DestroyRequestTable::note_removal(std::string_view object) {
    return removed_.emplace(object).second;
}

bool DestroyRequestTable::note_lock_event(DestroyKind kind, std::string_view name) {
    int family = -1;
    bool locked = false;
    for (int f = 0; f < static_cast<int>(std::size(LOCK_FAMILIES)); ++f) {
        if (LOCK_FAMILIES[f].first == kind) {
            family = f;
            locked = true;
        } else if (LOCK_FAMILIES[f].second == kind) {
            family = f;
        }
    }
    if (family < 0) return false;
    std::string key(1, static_cast<char>('0' + family));
    key += name;
    auto it = lock_index_.find(key);
    if (it != lock_index_.end()) {
        locks_[it->second].locked = locked;
    } else {
        lock_index_.emplace(std::move(key), locks_.size());
        locks_.push_back({family, locked, std::string(name)});
    }
    return true;
}

bool DestroyRequestTable::note_merge_removal(std::string_view object) {
    if (!merge_set_.emplace(object).second) return false;
    merges_.emplace_back(object);
    return true;
}

std::vector<std::pair<DestroyKind, std::string>> DestroyRequestTable::grouped_requests() const {
    std::vector<std::pair<DestroyKind, std::string>> out;
    out.reserve(locks_.size() + merges_.size());
    for (int f = 0; f < static_cast<int>(std::size(LOCK_FAMILIES)); ++f) {
        for (bool locked : {true, false}) {
            for (const LockState& s : locks_) {
                if (s.family == f && s.locked == locked)
                    out.emplace_back(locked ? LOCK_FAMILIES[f].first : LOCK_FAMILIES[f].second, s.name);
            }
        }
    }
    for (const std::string& m : merges_) out.emplace_back(DestroyKind::Rmmerge, m);
    return out;
}

int DestroyRequestTable::append_grouped(std::string& out) const {
    std::string records;
    for (const auto& [kind, object] : grouped_requests())
        if (!append_destroy_record(records, kind, object)) return 0;
    out += records;
    return 1;
}

int parse_destruction_event(std::string_view line, DestructionEvent& event) {
    std::size_t first = line.find('<');
    if (first == std::string_view::npos || first == 0 || first > DESTRUCTION_TIME_FIELD_MAX) return 0;
    std::size_t second = line.find('<', first + 1);
    if (second == std::string_view::npos) return 0;
    long long seconds = 0;
    auto [end, ec] = std::from_chars(line.data(), line.data() + first, seconds);
    if (ec != std::errc() || end != line.data() + first || seconds < 0) return 0;
    std::string_view kind = line.substr(first + 1, second - first - 1);
    std::string_view object = line.substr(second + 1);
    if (kind.empty() || kind.size() > DESTRUCTION_KIND_MAX) return 0;
    if (object.empty() || object.size() > DESTRUCTION_OBJECT_MAX) return 0;
    event.time = seconds;
    event.kind.assign(kind);
    event.object.assign(object);
    for (char& c : event.object)
        if (c == SECTION_RECORD_END) c = ' ';
    return 1;
}

int read_destruction_line(std::string_view scrambled_line, DestructionEvent& event) {
    std::string line;
    if (!unscramble_replication_text(std::string(scrambled_line).c_str(), line)) return 0;
    return parse_destruction_event(line, event);
}

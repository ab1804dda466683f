// Credential scrambling (see scramble.h).
#include "codecs/scramble.h"

#include <algorithm>
#include <array>
#include <cstring>

// Password alphabet: the printable characters '$' to '~' without '%', '\'',
// '{' and '}' (and without '!', '"', '#' and the blank). Codes 87 apart would
// share a remainder; this selection keeps every remainder 0..86 exactly once
// while keeping all letters, digits, '|', '<', '>' and the usual path
// characters. Ordered digits, lower case, upper case, punctuation.
const char PW_HASH_CHAR[PW_HASH_SIZE + 1] =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "$&()*+,-./:;<=>?@[\\]^_`|~";

// Passkey alphabet: the blank to 'z', 91 consecutive codes, so the
// remainders modulo 91 are all distinct. It keeps '!', '"', '#' (common in
// passwords) and drops '{', '|', '}', '~'.
const char PKEY_HASH_CHAR[PKEY_HASH_SIZE + 1] =
    " 0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "!\"#$%&'()*+,-./:;<=>?@[\\]^_`";

ScrambleBuffers SCRAMBLE;

namespace {

// Position of every byte in an alphabet, -1 when absent.
using PositionTable = std::array<int, 256>;

PositionTable make_positions(const char* alphabet) {
    PositionTable pos{};
    pos.fill(-1);
    for (int i = 0; alphabet[i] != '\0'; ++i) pos[static_cast<unsigned char>(alphabet[i])] = i;
    return pos;
}

const PositionTable& pw_positions() {
    static const PositionTable table = make_positions(PW_HASH_CHAR);
    return table;
}

const PositionTable& pkey_positions() {
    static const PositionTable table = make_positions(PKEY_HASH_CHAR);
    return table;
}

// Characters are taken as signed 8-bit values. Sums of such values may be
// negative for non-ASCII bytes; the remainder is always brought into 0..n-1
// so it can index the alphabet.
int code_of(char c) {
    return static_cast<signed char>(c);
}

int mod_n(long value, int n) {
    long r = value % n;
    return static_cast<int>(r < 0 ? r + n : r);
}

bool missing(const char* text) {
    return text == nullptr || *text == '\0';
}

// ASCII-only lower-casing; other bytes are kept as they are.
std::string lower_copy(const char* text, bool backslash_to_slash) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (backslash_to_slash && c == '\\') c = '/';
    }
    return out;
}

// Character of a text at position i with the padding rule: the text itself
// below its length, 0 exactly at its end, the padding letter beyond it.
int padded(const std::string& text, std::size_t i, char pad) {
    if (i < text.size()) return code_of(text[i]);
    if (i == text.size()) return 0;
    return code_of(pad);
}

// The extra contributes 0 everywhere when absent or empty.
int padded_extra(const std::string* extra, std::size_t i) {
    return extra == nullptr ? 0 : padded(*extra, i, 'L');
}

struct PasswordWords {
    std::string machine;
    std::string user;
    std::string extra_text;
    const std::string* extra = nullptr;
};

bool prepare_words(const char* machine, const char* user, const char* extra, PasswordWords& w) {
    if (missing(machine) || missing(user)) return false;
    if (std::strlen(machine) > SCRAMBLE_MAX_WORD || std::strlen(user) > SCRAMBLE_MAX_WORD) return false;
    if (extra != nullptr && std::strlen(extra) > SCRAMBLE_MAX_EXTRA) return false;
    w.machine = lower_copy(machine, false);
    w.user = lower_copy(user, true);
    if (!missing(extra)) {
        w.extra_text = extra;
        w.extra = &w.extra_text;
    }
    return true;
}

int key_sum(const PasswordWords& w, std::size_t i) {
    return padded(w.machine, i, 'I') + padded(w.user, i, 'J') + padded_extra(w.extra, i);
}

}  // namespace

int return_crypted_password(const char* machine, const char* user, const char* extra, const char* password,
                            std::string& out) {
    PasswordWords w;
    if (!prepare_words(machine, user, extra, w) || missing(password)) return 0;
    const std::string pw(password);
    if (pw.size() > SCRAMBLE_MAX_WORD) return 0;
    // Only alphabet characters survive a round trip; anything else (blank,
    // tab, newline included) is refused rather than scrambled into a text that
    // unscrambles to something else.
    const PositionTable& pos = pw_positions();
    for (char c : pw)
        if (pos[static_cast<unsigned char>(c)] < 0) return 0;

    std::size_t longest =
        std::max({w.machine.size(), w.user.size(), pw.size(), w.extra != nullptr ? w.extra->size() : std::size_t{0}});
    long check = 0;
    for (std::size_t i = 0; i < longest; ++i) check = mod_n(key_sum(w, i) + padded(pw, i, 'K') + check, PW_HASH_SIZE);

    std::string result;
    result.reserve(pw.size() + 1);
    result.push_back(PW_HASH_CHAR[check]);
    int prev = code_of(result.back());
    for (std::size_t i = 0; i < pw.size(); ++i) {
        int x = mod_n(static_cast<long>(key_sum(w, i)) + code_of(pw[i]) + prev, PW_HASH_SIZE);
        result.push_back(PW_HASH_CHAR[x]);
        prev = code_of(result.back());
    }
    out = std::move(result);
    return 1;
}

int return_password(const char* machine, const char* user, const char* extra, const char* scrambled, std::string& out) {
    PasswordWords w;
    if (!prepare_words(machine, user, extra, w) || missing(scrambled)) return 0;
    const std::string s(scrambled);
    if (s.size() < 2 || s.size() > SCRAMBLE_MAX_SCRAMBLED) return 0;
    const PositionTable& pos = pw_positions();
    // Since the alphabet's codes are distinct modulo its size, the character j
    // with (sum + code(j) + prev) mod n == t is unique: it is the one whose code
    // has the remainder t - sum - prev. A table lookup replaces the search.
    static const PositionTable by_remainder = [] {
        PositionTable t{};
        t.fill(-1);
        for (int j = 0; j < PW_HASH_SIZE; ++j) t[mod_n(code_of(PW_HASH_CHAR[j]), PW_HASH_SIZE)] = j;
        return t;
    }();
    std::string result;
    result.reserve(s.size() - 1);
    int prev = code_of(s[0]);
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
        int t = pos[static_cast<unsigned char>(s[i + 1])];
        if (t < 0) return 0;
        int j = by_remainder[mod_n(static_cast<long>(t) - key_sum(w, i) - prev, PW_HASH_SIZE)];
        if (j < 0) return 0;
        result.push_back(PW_HASH_CHAR[j]);
        prev = code_of(s[i + 1]);
    }
    out = std::move(result);
    return 1;
}

int return_crypted_password(const char* machine, const char* user, const char* extra, const char* password) {
    return return_crypted_password(machine, user, extra, password, SCRAMBLE.qn_crypted_key);
}

int return_password(const char* machine, const char* user, const char* extra, const char* scrambled) {
    return return_password(machine, user, extra, scrambled, SCRAMBLE.qn_key);
}

int return_encrypted_qn_key(const char* machine, const char* user, const char* extra, const char* password,
                            std::string& out) {
    return return_crypted_password(machine, user, extra, password, out);
}

int return_qn_key(const char* machine, const char* user, const char* extra, const char* scrambled, std::string& out) {
    return return_password(machine, user, extra, scrambled, out);
}

int return_encrypted_qn_key(const char* machine, const char* user, const char* extra, const char* password) {
    return return_crypted_password(machine, user, extra, password, SCRAMBLE.qn_crypted_key);
}

int return_qn_key(const char* machine, const char* user, const char* extra, const char* scrambled) {
    return return_password(machine, user, extra, scrambled, SCRAMBLE.qn_key);
}

int scramble_replication_text(const char* text, std::string& out) {
    return return_crypted_password(EARLEST_QN_VERSION, EARLEST_VL_VERSION, nullptr, text, out);
}

int unscramble_replication_text(const char* scrambled, std::string& out) {
    return return_password(EARLEST_QN_VERSION, EARLEST_VL_VERSION, nullptr, scrambled, out);
}

int return_crypted_pkey(const char* machine, const char* user, const char* password, const char* directory,
                        std::string& out) {
    if (missing(machine) || missing(user) || missing(password) || missing(directory)) return 0;
    for (const char* word : {machine, user, password})
        if (std::strpbrk(word, " \t") != nullptr) return 0;
    std::string text = lower_copy(machine, false);
    text += ' ';
    text += lower_copy(user, true);
    text += ' ';
    text += password;
    text += ' ';
    text += directory;
    // The passkey (one check character more than the text) must fit what the
    // unscrambler accepts, and every character must be in the alphabet or the
    // passkey would unscramble to a different text.
    if (text.size() + 1 > SCRAMBLE_MAX_PASSKEY) return 0;
    const PositionTable& pos = pkey_positions();
    for (char c : text)
        if (pos[static_cast<unsigned char>(c)] < 0) return 0;

    int check = 0;
    for (char c : text) check = mod_n(static_cast<long>(code_of(c)) + check, PKEY_HASH_SIZE);
    std::string result;
    result.reserve(text.size() + 1);
    result.push_back(PKEY_HASH_CHAR[check]);
    int prev = code_of(result.back());
    for (char c : text) {
        result.push_back(PKEY_HASH_CHAR[mod_n(static_cast<long>(code_of(c)) + prev, PKEY_HASH_SIZE)]);
        prev = code_of(result.back());
    }
    out = std::move(result);
    return 1;
}

int return_pkey(const char* passkey, std::string& out) {
    if (missing(passkey)) return 0;
    const std::string s(passkey);
    if (s.size() > SCRAMBLE_MAX_PASSKEY) return 0;
    const PositionTable& pos = pkey_positions();
    static const PositionTable by_remainder = [] {
        PositionTable t{};
        t.fill(-1);
        for (int j = 0; j < PKEY_HASH_SIZE; ++j) t[mod_n(code_of(PKEY_HASH_CHAR[j]), PKEY_HASH_SIZE)] = j;
        return t;
    }();
    std::string result;
    result.reserve(s.size());
    int prev = code_of(s[0]);
    for (std::size_t i = 1; i < s.size(); ++i) {
        int t = pos[static_cast<unsigned char>(s[i])];
        if (t < 0) return 0;
        int j = by_remainder[mod_n(static_cast<long>(t) - prev, PKEY_HASH_SIZE)];
        if (j < 0) return 0;
        result.push_back(PKEY_HASH_CHAR[j]);
        prev = code_of(s[i]);
    }
    out = std::move(result);
    return 1;
}

int return_crypted_pkey(const char* machine, const char* user, const char* password, const char* directory) {
    return return_crypted_pkey(machine, user, password, directory, SCRAMBLE.crypted_pkey);
}

int return_pkey(const char* passkey) {
    return return_pkey(passkey, SCRAMBLE.pkey);
}

int split_pkey(std::string_view pkey, PasskeyWords& words) {
    std::string_view rest = pkey;
    std::string* fields[3] = {&words.machine, &words.user, &words.password};
    for (std::string* field : fields) {
        std::size_t blank = rest.find(' ');
        if (blank == std::string_view::npos || blank == 0) return 0;
        field->assign(rest.substr(0, blank));
        rest.remove_prefix(blank + 1);
    }
    if (rest.empty()) return 0;
    words.directory.assign(rest);
    return 1;
}

std::string_view password_alphabet() {
    return {PW_HASH_CHAR, PW_HASH_SIZE};
}
std::string_view passkey_alphabet() {
    return {PKEY_HASH_CHAR, PKEY_HASH_SIZE};
}

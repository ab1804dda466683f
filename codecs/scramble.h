// Credential scrambling: two reversible chained substitutions over fixed
// alphabets. The password scrambling binds a secret text to a machine, a
// user and an optional extra text (replication keys, request times and
// destruction history lines use it with fixed machine and user words); the
// passkey scrambling turns machine, user, password and directory into one
// printable passkey. This is obfuscation, not cryptography.
//
// Every routine returns 1 on success and 0 on refusal. Inputs are C strings;
// a null pointer counts as "missing". The forms without an output argument
// write the process-wide result buffers in SCRAMBLE (each call overwrites
// its buffer), the forms with an output argument write only that string.
#pragma once

#include <string>
#include <string_view>

// Password alphabet: 87 printable characters without the blank, whose codes
// are pairwise distinct modulo 87 so that every scrambled text unscrambles
// to exactly one text.
inline constexpr int PW_HASH_SIZE = 87;
extern const char PW_HASH_CHAR[PW_HASH_SIZE + 1];

// Passkey alphabet: 91 printable characters including the blank, codes
// pairwise distinct modulo 91.
inline constexpr int PKEY_HASH_SIZE = 91;
extern const char PKEY_HASH_CHAR[PKEY_HASH_SIZE + 1];

// Replication key machine and user words.
inline constexpr const char* EARLEST_QN_VERSION = "10.3";
inline constexpr const char* EARLEST_VL_VERSION = "1.2";

// Field limits.
inline constexpr std::size_t SCRAMBLE_MAX_WORD = 255;      // machine, user, password
inline constexpr std::size_t SCRAMBLE_MAX_EXTRA = 1023;    // extra text
inline constexpr std::size_t SCRAMBLE_MAX_PASSKEY = 1023;  // scrambled passkey
// A scrambled password longer than this would unscramble into more than the
// 2047 characters a password result holds; it is refused.
inline constexpr std::size_t SCRAMBLE_MAX_SCRAMBLED = 2048;

// Process-wide result buffers.
struct ScrambleBuffers {
    std::string qn_crypted_key;  // scrambled password
    std::string qn_key;          // unscrambled password
    std::string crypted_pkey;    // scrambled passkey
    std::string pkey;            // unscrambled passkey: "machine user password directory"
};
extern ScrambleBuffers SCRAMBLE;

// Password scrambling.
int return_crypted_password(const char* machine, const char* user, const char* extra, const char* password,
                            std::string& out);
int return_password(const char* machine, const char* user, const char* extra, const char* scrambled, std::string& out);
int return_crypted_password(const char* machine, const char* user, const char* extra,
                            const char* password);  // -> SCRAMBLE.qn_crypted_key
int return_password(const char* machine, const char* user, const char* extra,
                    const char* scrambled);  // -> SCRAMBLE.qn_key

// The same two routines under the names used for replication keys.
int return_encrypted_qn_key(const char* machine, const char* user, const char* extra, const char* password,
                            std::string& out);
int return_qn_key(const char* machine, const char* user, const char* extra, const char* scrambled, std::string& out);
int return_encrypted_qn_key(const char* machine, const char* user, const char* extra,
                            const char* password);  // -> SCRAMBLE.qn_crypted_key
int return_qn_key(const char* machine, const char* user, const char* extra,
                  const char* scrambled);  // -> SCRAMBLE.qn_key

// Replication key form: machine EARLEST_QN_VERSION, user EARLEST_VL_VERSION,
// no extra.
int scramble_replication_text(const char* text, std::string& out);
int unscramble_replication_text(const char* scrambled, std::string& out);

// Passkey scrambling.
int return_crypted_pkey(const char* machine, const char* user, const char* password, const char* directory,
                        std::string& out);
int return_pkey(const char* passkey, std::string& out);
int return_crypted_pkey(const char* machine, const char* user, const char* password,
                        const char* directory);  // -> SCRAMBLE.crypted_pkey
int return_pkey(const char* passkey);            // -> SCRAMBLE.pkey

// The four words of an unscrambled passkey. The directory is the rest of the
// text after the password, so it may hold blanks.
struct PasskeyWords {
    std::string machine;
    std::string user;
    std::string password;
    std::string directory;
};
// Splits "machine user password directory"; 1 when all four are non-empty.
int split_pkey(std::string_view pkey, PasskeyWords& words);

// The two alphabets, exactly as they are used (the passkey one holds a blank).
std::string_view password_alphabet();
std::string_view passkey_alphabet();

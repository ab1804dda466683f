// Packet encryption and key files: header layout, determinism, key
// mismatch, damaged input, key file validation and the start-up choice.
#include "codecs/crypt.h"

#include <algorithm>
#include <numeric>
#include <random>

#include "codec_test_util.h"
#include "codecs/byte_table.h"
#include "codecs/key_file.h"
#include "common/log.h"
#include "common/sha256.h"

using namespace codec_test;

namespace {

HashKey shuffled_key(unsigned seed) {
    HashKey key{};
    std::iota(key.begin(), key.end(), 0);
    std::mt19937 rng(seed);
    std::shuffle(key.begin(), key.end() - 1, rng);
    std::swap(key[255], *std::find(key.begin(), key.end(), 0));
    return key;
}

// Restores the standard key and logs to a scratch file for each test.
class Crypt : public ::testing::Test {
protected:
    void SetUp() override {
        HASH_KEY = INTERNAL_HASH_KEY;
        ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_STANDARD;
        saved_ = LOG_FILES;
        LOG_FILES = LogFileSet{};
        LOG_FILES.LOG_FILE = dir_ / "all.txt";
        LOG_FILES.ELOG_FILE = dir_ / "errors.txt";
    }
    void TearDown() override {
        LOG_FILES = saved_;
        HASH_KEY = INTERNAL_HASH_KEY;
        ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_STANDARD;
    }
    ScratchDir dir_;
    LogFileSet saved_;
};

}  // namespace

TEST_F(Crypt, InternalKeyIsAPermutationEndingInZero) {
    EXPECT_EQ(is_permutation_key(INTERNAL_HASH_KEY), 1);
    EXPECT_EQ(INTERNAL_HASH_KEY[255], 0);
}

TEST_F(Crypt, EmptyFileGivesHeaderOnly) {
    write_file(dir_ / "in", "");
    ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "out"), 1);
    const std::string enc = read_file(dir_ / "out");
    ASSERT_EQ(enc.size(), 5u);
    // Seed of an empty file: size 0, no bytes, so k = HASH_KEY[0].
    EXPECT_EQ(static_cast<unsigned char>(enc[2]), INTERNAL_HASH_KEY[0]);
    const CheckBytes cb = compute_check_bytes(INTERNAL_HASH_KEY, INTERNAL_HASH_KEY[0]);
    EXPECT_EQ(static_cast<unsigned char>(enc[0]), cb.a);
    EXPECT_EQ(static_cast<unsigned char>(enc[1]), cb.b);
    EXPECT_EQ(static_cast<unsigned char>(enc[3]), cb.c);
    EXPECT_EQ(static_cast<unsigned char>(enc[4]), cb.d);
    ASSERT_EQ(decrypt_file(dir_ / "out", dir_ / "back"), 1);
    EXPECT_EQ(read_file(dir_ / "back"), "");
    EXPECT_TRUE(exists(dir_ / "in"));
}

TEST_F(Crypt, SubstitutionFollowsSeedAndPosition) {
    // Under the rotation key[x] = (x + 1) mod 256 (a valid key: its last
    // entry is 0) the seed and every substituted byte can be worked out.
    HashKey key{};
    for (int i = 0; i < 256; ++i) key[static_cast<std::size_t>(i)] = (i + 1) % 256;
    HASH_KEY = key;
    const std::string input = "ABC";
    write_file(dir_ / "in", input);
    ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "out"), 1);
    const std::string enc = read_file(dir_ / "out");
    ASSERT_EQ(enc.size(), input.size() + 5);
    // Seed: s = 3; s = key[x] + s for each byte; k = key[s].
    unsigned s = 3;
    for (unsigned char x : input) s = (static_cast<unsigned>(key[x]) + s) % 256;
    const int k = key[s];
    EXPECT_EQ(static_cast<unsigned char>(enc[2]), k);
    for (std::size_t i = 0; i < input.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char>(enc[5 + i]),
                  key[(static_cast<unsigned>(k) + i + static_cast<unsigned char>(input[i])) % 256]);
}

TEST_F(Crypt, DeterministicAndRoundTrips) {
    std::mt19937 rng(77);
    const std::vector<HashKey> keys = {INTERNAL_HASH_KEY, shuffled_key(1), shuffled_key(2)};
    for (std::size_t size : {1u, 5u, 256u, 300000u}) {
        const std::string data = random_content(rng, size, true);
        for (const HashKey& key : keys) {
            HASH_KEY = key;
            write_file(dir_ / "in", data);
            ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "a"), 1);
            ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "b"), 1);
            EXPECT_EQ(read_file(dir_ / "a"), read_file(dir_ / "b"));
            EXPECT_EQ(read_file(dir_ / "a").size(), size + 5);
            ASSERT_EQ(decrypt_file(dir_ / "a", dir_ / "back"), 1);
            EXPECT_EQ(read_file(dir_ / "back"), data);
        }
    }
}

TEST_F(Crypt, KeyMismatchLogsBothMessagesAndDecodesNothing) {
    write_file(dir_ / "in", "standard packet");
    ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "enc"), 1);
    HASH_KEY = shuffled_key(9);
    ENCRYPTION.USING_ENCRYPTION = ENCRYPTION_PEER_TO_PEER;
    write_file(dir_ / "out", "untouched");
    EXPECT_EQ(decrypt_file(dir_ / "enc", dir_ / "out"), 0);
    EXPECT_EQ(read_file(dir_ / "out"), "untouched");
    const std::string errors = read_file(dir_ / "errors.txt");
    EXPECT_NE(errors.find("Received packet was encrypted with a different encryption key."), std::string::npos);
    EXPECT_NE(errors.find("--- Receiver expects received packets to have matching \"peer_to_peer\" encryption."),
              std::string::npos);
}

TEST_F(Crypt, DamagedInputFails) {
    const std::vector<std::string> cases = {"", "a", "abcd"};
    for (const auto& c : cases) {
        write_file(dir_ / "in", c);
        EXPECT_EQ(decrypt_file(dir_ / "in", dir_ / "out"), 0) << c.size();
    }
    // A flipped check byte is a mismatch.
    write_file(dir_ / "in", "some data");
    ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "enc"), 1);
    std::string enc = read_file(dir_ / "enc");
    enc[0] = static_cast<char>(enc[0] ^ 1);
    write_file(dir_ / "enc", enc);
    EXPECT_EQ(decrypt_file(dir_ / "enc", dir_ / "out"), 0);
    EXPECT_EQ(crypt_file(dir_ / "missing", dir_ / "out"), 0);
}

namespace {

std::string digits_of(const HashKey& key) {
    return key_file_digits(key);
}

}  // namespace

TEST_F(Crypt, KeyFileValidation) {
    const HashKey good = shuffled_key(5);
    std::string duplicate = digits_of(good);
    duplicate.replace(0, 3, duplicate.substr(3, 3));
    std::string last_not_zero = digits_of(good);
    std::swap_ranges(last_not_zero.begin(), last_not_zero.begin() + 3, last_not_zero.end() - 3);
    std::string with_letter = digits_of(good);
    with_letter[100] = 'x';
    std::string over_255 = digits_of(good);
    over_255.replace(30, 3, "256");
    struct Case {
        const char* name;
        std::string text;
        KeyFileResult expected;
    };
    const std::vector<Case> cases = {
        {"good", digits_of(good), KeyFileResult::ok},
        {"good with banner", digits_of(good) + "\r\n\nkey made by the generator\n", KeyFileResult::ok},
        {"767 bytes", digits_of(good).substr(0, 767), KeyFileResult::too_short},
        {"empty", "", KeyFileResult::too_short},
        {"duplicate value", duplicate, KeyFileResult::invalid},
        {"last not 000", last_not_zero, KeyFileResult::invalid},
        {"letter", with_letter, KeyFileResult::invalid},
        {"value 256", over_255, KeyFileResult::invalid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir_ / "key.txt", c.text);
        HashKey key = INTERNAL_HASH_KEY;
        EXPECT_EQ(read_key_file(dir_ / "key.txt", key), c.expected);
        if (c.expected == KeyFileResult::ok)
            EXPECT_EQ(key, good);
        else
            EXPECT_EQ(key, INTERNAL_HASH_KEY);
    }
    HashKey key{};
    EXPECT_EQ(read_key_file(dir_ / "absent.txt", key), KeyFileResult::missing);
}

TEST_F(Crypt, KeyFilePaths) {
    EXPECT_EQ(key_file_path("/d", true, ""), "/d/m_bay/config/keys/shipper_key.txt");
    EXPECT_EQ(key_file_path("/d", true, "3"), "/d/m_bay/config/keys/shipper_key_3.txt");
    EXPECT_EQ(key_file_path("/d", false, "west"), "/d/m_bay/config/keys/receiver_key_west.txt");
}

TEST_F(Crypt, StartupKeySelection) {
    const HashKey peer = shuffled_key(11);
    write_file(dir_ / "good.txt", digits_of(peer));
    write_file(dir_ / "short.txt", digits_of(peer).substr(0, 767));
    std::string dup = digits_of(peer);
    dup.replace(3, 3, dup.substr(0, 3));
    write_file(dir_ / "dup.txt", dup);
    struct Case {
        const char* config;
        std::string key_path;
        std::string message;  // empty: success
        const char* mode;
    };
    const std::string conf = "/d/shipper.conf";
    const std::vector<Case> cases = {
        {"duration=5\n", dir_ / "none.txt", "", "standard"},
        {"encryption= standard \n", dir_ / "none.txt", "", "standard"},
        {"encryption=peer_to_peer\n", dir_ / "good.txt", "", "peer_to_peer"},
        {"encryption=strong\n", dir_ / "good.txt",
         "START_FAILED: vandrel_shipper Config. File (/d/shipper.conf) has ENCRYPTION out of range [standard, "
         "peer_to_peer]",
         nullptr},
        {"encryption=peer_to_peer\n", dir_ / "none.txt",
         "START_FAILED: vandrel_shipper Config. File (/d/shipper.conf) has ENCRYPTION=peer_to_peer, but required "
         "key_file (" +
             (dir_ / "none.txt") + ") not found",
         nullptr},
        {"encryption=peer_to_peer\n", dir_ / "short.txt",
         "START_FAILED: vandrel_shipper Encryption Key File (" + (dir_ / "short.txt") +
             ") does cannot be read or is empty",
         nullptr},
        {"encryption=peer_to_peer\n", dir_ / "dup.txt",
         "START_FAILED: vandrel_shipper Encryption Key File (" + (dir_ / "dup.txt") + ") is incompleted or invalid",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        HASH_KEY = INTERNAL_HASH_KEY;
        const std::string got = choose_encryption("vandrel_shipper", conf, c.config, c.key_path);
        EXPECT_EQ(got, c.message);
        if (c.mode) {
            EXPECT_STREQ(ENCRYPTION.USING_ENCRYPTION, c.mode);
            EXPECT_EQ(HASH_KEY, std::string(c.mode) == "standard" ? INTERNAL_HASH_KEY : peer);
        }
    }
}

TEST_F(Crypt, PeerReceiverRefusesStandardPacket) {
    write_file(dir_ / "in", "payload");
    ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "enc"), 1);
    write_file(dir_ / "key.txt", digits_of(shuffled_key(21)));
    ASSERT_EQ(choose_encryption("vandrel_receiver", "r.conf", "encryption=peer_to_peer", dir_ / "key.txt"), "");
    EXPECT_EQ(decrypt_file(dir_ / "enc", dir_ / "out"), 0);
    EXPECT_FALSE(exists(dir_ / "out"));
    EXPECT_NE(read_file(dir_ / "errors.txt").find("matching \"peer_to_peer\""), std::string::npos);
}

TEST(CryptDeathTest, KeyFaultAtStartupEndsTheProcessWithItsMessage) {
    EXPECT_EXIT(select_encryption("vandrel_receiver", "r.conf", "encryption=strong\n", "/nonexistent/key.txt"),
                ::testing::ExitedWithCode(1), "");
    // A sound configuration returns normally.
    select_encryption("vandrel_receiver", "r.conf", "encryption=standard\n", "/nonexistent/key.txt");
    EXPECT_STREQ(ENCRYPTION.USING_ENCRYPTION, "standard");
}

namespace {

// A key shuffled the same way by every compiler and library.
HashKey portable_key(std::uint64_t seed) {
    HashKey key{};
    std::iota(key.begin(), key.end() - 1, 1);
    key[255] = 0;
    SplitMix rng(seed);
    for (std::size_t i = 254; i > 0; --i) std::swap(key[i], key[rng.below(i + 1)]);
    return key;
}

// Encryption and decryption written out byte by byte.
std::string reference_crypt(const std::string& in, const HashKey& key) {
    unsigned s = static_cast<unsigned>(in.size() % 256);
    for (unsigned char x : in) s = (static_cast<unsigned>(key[x]) + s) % 256;
    const int k = key[s];
    const CheckBytes cb = compute_check_bytes(key, k);
    std::string out = bytes({cb.a, cb.b, k, cb.c, cb.d});
    unsigned pos = static_cast<unsigned>(k);
    for (unsigned char x : in) {
        out.push_back(static_cast<char>(key[(pos + x) % 256]));
        pos = (pos + 1) % 256;
    }
    return out;
}

std::string reference_decrypt_body(const std::string& body, const HashKey& key, int k) {
    unsigned first_index[256];
    for (unsigned y = 0; y < 256; ++y)
        first_index[y] = static_cast<unsigned>(std::find(key.begin(), key.end(), static_cast<int>(y)) - key.begin());
    std::string out;
    unsigned pos = static_cast<unsigned>(k);
    for (unsigned char y : body) {
        const unsigned j = first_index[y];
        out.push_back(static_cast<char>((j + 256 - pos) % 256));
        pos = (pos + 1) % 256;
    }
    return out;
}

}  // namespace

TEST_F(Crypt, OutputBytesArePinnedOnVariedInputs) {
    // Every encrypted file must match the byte rule exactly; the digests
    // over the whole set guard the rule itself, since peers read these bytes.
    // Both paths of the block substitution, where the processor has both.
    const std::vector<HashKey> keys = {INTERNAL_HASH_KEY, portable_key(3)};
    const std::vector<CorpusCase> corpus = codec_corpus();
    const WidePathRestorer restore;
    for (bool wide : {true, false}) {
        set_wide_codec_path_for_tests(wide);
        std::string digests[2];
        for (std::size_t n = 0; n < keys.size(); ++n) {
            HASH_KEY = keys[n];
            for (const auto& c : corpus) {
                SCOPED_TRACE(c.name + " key " + std::to_string(n) + (wide_codec_path() ? " wide" : " plain"));
                write_file(dir_ / "in", c.content);
                ASSERT_EQ(crypt_file(dir_ / "in", dir_ / "enc"), 1);
                const std::string enc = read_file(dir_ / "enc");
                EXPECT_TRUE(enc == reference_crypt(c.content, keys[n]));
                digests[n] += sha256_hex(enc);
                ASSERT_EQ(decrypt_file(dir_ / "enc", dir_ / "back"), 1);
                EXPECT_TRUE(read_file(dir_ / "back") == c.content);

                // Decryption of any body, not only of what encryption made, with
                // a seed other than the content's.
                const int k = static_cast<int>((c.content.size() * 7 + n) % 256);
                const CheckBytes cb = compute_check_bytes(keys[n], k);
                write_file(dir_ / "any", bytes({cb.a, cb.b, k, cb.c, cb.d}) + c.content);
                ASSERT_EQ(decrypt_file(dir_ / "any", dir_ / "any.out"), 1);
                EXPECT_TRUE(read_file(dir_ / "any.out") == reference_decrypt_body(c.content, keys[n], k));
            }
        }
        EXPECT_EQ(sha256_hex(digests[0]), "00844606b0535f16b4ee8c9c8a891bcd010d6e0dc6a916b26c72e475503512ea");
        EXPECT_EQ(sha256_hex(digests[1]), "66c165d59370e14d049edfdded1f392f3f0803d9e0a357953a1683cc56c96864");
    }
}

TEST(ByteTable, EveryLengthAndOffsetMatchesTheByteRule) {
    // Lengths around the 64-byte blocks, unaligned starts, every offset
    // class, on both paths.
    SplitMix rng(64);
    unsigned char table[256];
    for (int v = 0; v < 256; ++v) table[v] = static_cast<unsigned char>(portable_key(5)[static_cast<std::size_t>(v)]);
    std::string data;
    for (int i = 0; i < 1100; ++i) data.push_back(rng.byte());
    const auto* in = reinterpret_cast<const unsigned char*>(data.data());
    const WidePathRestorer restore;
    for (bool wide : {true, false}) {
        set_wide_codec_path_for_tests(wide);
        for (std::size_t n : {0u, 1u, 63u, 64u, 65u, 127u, 128u, 129u, 1000u}) {
            for (std::size_t at : {0u, 1u, 33u}) {
                for (unsigned start : {0u, 1u, 190u, 255u, 256u + 7u}) {
                    SCOPED_TRACE(std::to_string(n) + " at " + std::to_string(at) + " from " + std::to_string(start) +
                                 (wide ? " wide" : " plain"));
                    std::vector<unsigned char> after(n + 1, 0xEE), before(n + 1, 0xEE);
                    substitute_after_offset(table, in + at, after.data(), n, start);
                    substitute_before_offset(table, in + at, before.data(), n, start);
                    unsigned sum = 0;
                    for (std::size_t i = 0; i < n; ++i) {
                        const unsigned x = in[at + i];
                        ASSERT_EQ(after[i], table[(x + start + i) % 256]) << i;
                        ASSERT_EQ(before[i], static_cast<unsigned char>((table[x] + 256u * 4 - start - i) % 256)) << i;
                        sum += table[x];
                    }
                    EXPECT_EQ(after[n], 0xEE);
                    EXPECT_EQ(before[n], 0xEE);
                    EXPECT_EQ(substituted_sum(table, in + at, n), sum % 256);
                }
            }
        }
    }
}

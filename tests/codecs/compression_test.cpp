// Run-length compression of packet heads and parts: exact encodings of the
// edge cases, header handling, round trips and damaged input.
#include "codecs/compression.h"

#include <random>

#include <sys/stat.h>

#include "codec_test_util.h"
#include "common/sha256.h"

using namespace codec_test;

namespace {

struct PartCase {
    const char* name;
    std::string input;
    std::string encoded;
    bool input_deleted;  // run form deletes the input, stored form keeps it
};

std::string all_distinct() {
    std::string s;
    for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
    return s;
}

}  // namespace

TEST(Compression, PartEncodingsAreExact) {
    const std::string run250(250, 'b');
    const std::vector<PartCase> cases = {
        {"run of 250", run250, bytes({100, 'b', 100, 'b', 50, 'b'}), true},
        {"41 41 42", bytes({0x41, 0x41, 0x42}), bytes({2, 0x41, 1, 0x42}), true},
        {"one byte", "x", bytes({1, 'x'}), true},
        {"empty", "", "", true},
        {"all distinct", all_distinct(), std::string(1, '\0') + all_distinct(), false},
        {"run of exactly 100", std::string(100, '\0'), bytes({100, 0}), true},
        {"run of 101", std::string(101, '\xff'), bytes({100, 0xff, 1, 0xff}), true},
        {"two bytes differ", "ab", std::string(1, '\0') + "ab", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        write_file(dir / "in", c.input);
        ASSERT_EQ(compress_part(dir / "in", dir / "out"), 1);
        EXPECT_EQ(read_file(dir / "out"), c.encoded);
        EXPECT_EQ(exists(dir / "in"), !c.input_deleted);
        ASSERT_EQ(uncompress_part(dir / "out", dir / "back"), 1);
        EXPECT_EQ(read_file(dir / "back"), c.input);
    }
}

TEST(Compression, FakeCompressionStoresAndKeepsInput) {
    ScratchDir dir;
    write_file(dir / "in", "aaaa");
    write_file(dir / "out", "stale content that must go");
    ASSERT_EQ(fake_compression(dir / "in", dir / "out"), 1);
    EXPECT_EQ(read_file(dir / "out"), std::string(1, '\0') + "aaaa");
    EXPECT_TRUE(exists(dir / "in"));
    EXPECT_EQ((std::filesystem::status(dir / "out").permissions() & std::filesystem::perms::all),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(Compression, HeadHeaderAndBody) {
    ScratchDir dir;
    write_file(dir / "in", bytes({0x41, 0x41, 0x42}));
    ASSERT_EQ(compress_file(dir / "in", dir / "out", "/vobs/a", "/vobs/a/src", "-"), 1);
    EXPECT_EQ(read_file(dir / "out"), "/vobs/a|/vobs/a/src|-|" + bytes({2, 0x41, 1, 0x42}));
    EXPECT_FALSE(exists(dir / "in"));

    std::string vob, path, deploy;
    ASSERT_EQ(uncompress_file(dir / "out", dir / "back", vob, path, deploy), 1);
    EXPECT_EQ(read_file(dir / "back"), bytes({0x41, 0x41, 0x42}));
    EXPECT_EQ(vob, "/vobs/a");
    EXPECT_EQ(path, "/vobs/a/src");
    EXPECT_EQ(deploy, "-");
    EXPECT_TRUE(exists(dir / "out"));
}

TEST(Compression, EmptyHeadGivesHeaderOnly) {
    ScratchDir dir;
    write_file(dir / "in", "");
    ASSERT_EQ(compress_file(dir / "in", dir / "out", "v", "p", "d"), 1);
    EXPECT_EQ(read_file(dir / "out"), "v|p|d|");
    std::string vob, path, deploy;
    ASSERT_EQ(uncompress_file(dir / "out", dir / "back", vob, path, deploy), 1);
    EXPECT_EQ(read_file(dir / "back"), "");
    EXPECT_EQ(vob + "," + path + "," + deploy, "v,p,d");
}

TEST(Compression, HeaderFieldsAreStrippedAndSlashed) {
    struct Case {
        std::string header;
        std::string vob, path, deploy;
    };
    const std::vector<Case> cases = {
        {" \t/vobs/a\r\n|  \\vobs\\a\\b \n| - |", "/vobs/a", "/vobs/a/b", "-"},
        {"\\\\srv\\vob|\\\\srv\\vob\\x|C:\\deploy\\dir|", "\\\\srv\\vob", "//srv/vob/x", "C:/deploy/dir"},
        {"|||", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        ScratchDir dir;
        write_file(dir / "in", c.header + bytes({3, 'z'}));
        std::string vob, path, deploy;
        ASSERT_EQ(uncompress_file(dir / "in", dir / "out", vob, path, deploy), 1);
        EXPECT_EQ(vob, c.vob);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(deploy, c.deploy);
        EXPECT_EQ(read_file(dir / "out"), "zzz");
    }
}

TEST(Compression, HeaderFieldsThatCannotBeReadBackAreRefused) {
    const std::vector<std::array<std::string, 3>> cases = {
        {"a|b", "p", "-"},
        {"v", "p|q", "-"},
        {"v", "p", "|"},
        {std::string(1024, 'v'), "p", "-"},
    };
    for (const auto& c : cases) {
        ScratchDir dir;
        write_file(dir / "in", "data");
        EXPECT_EQ(compress_file(dir / "in", dir / "out", c[0], c[1], c[2]), 0);
        EXPECT_TRUE(exists(dir / "in"));
    }
    ScratchDir dir;
    write_file(dir / "in", "data");
    EXPECT_EQ(compress_file(dir / "in", dir / "out", std::string(1023, 'v'), "p", "-"), 1);
}

TEST(Compression, DamagedInputIsRejected) {
    struct Case {
        const char* name;
        bool head;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"head without any bar", true, "no header here"},
        {"head with two bars", true, "a|b"},
        {"head field too long", true, std::string(1024, 'x') + "|p|d|"},
        {"head lone trailing count", true, "v|p|d|" + bytes({2, 'a', 5})},
        {"head count zero", true, "v|p|d|" + bytes({0, 'a'})},
        {"head count over 100", true, "v|p|d|" + bytes({101, 'a'})},
        {"part lone trailing count", false, bytes({2, 'a', 7})},
        {"part count over 100", false, bytes({255, 'a'})},
        {"part single count byte", false, bytes({9})},
        {"part zero count inside", false, bytes({1, 'a', 0, 'b'})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        write_file(dir / "in", c.bytes);
        std::string vob, path, deploy;
        const int r = c.head ? uncompress_file(dir / "in", dir / "out", vob, path, deploy)
                             : uncompress_part(dir / "in", dir / "out");
        EXPECT_EQ(r, 0);
        EXPECT_FALSE(exists(dir / "out"));
    }
}

TEST(Compression, MissingInputFails) {
    ScratchDir dir;
    std::string v, p, d;
    EXPECT_EQ(compress_file(dir / "none", dir / "out", "v", "p", "d"), 0);
    EXPECT_EQ(compress_part(dir / "none", dir / "out"), 0);
    EXPECT_EQ(fake_compression(dir / "none", dir / "out"), 0);
    EXPECT_EQ(uncompress_file(dir / "none", dir / "out", v, p, d), 0);
    EXPECT_EQ(uncompress_part(dir / "none", dir / "out"), 0);
    write_file(dir / "in", "x");
    EXPECT_EQ(compress_part(dir / "in", dir / "no/such/dir/out"), 0);
}

TEST(Compression, RandomRoundTrips) {
    std::mt19937 rng(20261210);
    for (std::size_t size : {1u, 2u, 255u, 4096u, 300000u}) {
        SCOPED_TRACE(size);
        ScratchDir dir;
        const std::string data = random_content(rng, size, true);
        write_file(dir / "in", data);
        write_file(dir / "in2", data);
        ASSERT_EQ(compress_part(dir / "in", dir / "part"), 1);
        ASSERT_EQ(uncompress_part(dir / "part", dir / "part.back"), 1);
        EXPECT_EQ(read_file(dir / "part.back"), data);
        EXPECT_LE(read_file(dir / "part").size(), data.size() + 1);

        ASSERT_EQ(compress_file(dir / "in2", dir / "head", "vob", "path", "-"), 1);
        std::string v, p, d;
        ASSERT_EQ(uncompress_file(dir / "head", dir / "head.back", v, p, d), 1);
        EXPECT_EQ(read_file(dir / "head.back"), data);
    }
}

TEST(Compression, CorruptedOrTruncatedEncodingsNeverCrash) {
    std::mt19937 rng(555);
    ScratchDir dir;
    const std::string data = random_content(rng, 5000, true);
    write_file(dir / "in", data);
    ASSERT_EQ(compress_file(dir / "in", dir / "head", "v", "p", "-"), 1);
    const std::string good = read_file(dir / "head");
    for (int round = 0; round < 200; ++round) {
        std::string bad = good;
        if (round % 2) bad.resize(rng() % bad.size());
        for (int flips = 0; flips < 3 && !bad.empty(); ++flips) bad[rng() % bad.size()] = static_cast<char>(rng());
        write_file(dir / "bad", bad);
        std::string v, p, d;
        const int r1 = uncompress_file(dir / "bad", dir / "out", v, p, d);
        const int r2 = uncompress_part(dir / "bad", dir / "out2");
        EXPECT_TRUE(r1 == 0 || r1 == 1);
        EXPECT_TRUE(r2 == 0 || r2 == 1);
        EXPECT_LE(v.size() + p.size() + d.size(), 3 * HEAD_FIELD_MAX);
    }
}

TEST(Compression, OutputsMustBeRegularFiles) {
    ScratchDir dir;
    write_file(dir / "in", "aaaa");
    std::filesystem::create_directory(dir / "subdir");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const char* out : {"subdir", "fifo"}) {
        SCOPED_TRACE(out);
        EXPECT_EQ(compress_part(dir / "in", dir / out), 0);
        EXPECT_EQ(uncompress_part(dir / "in", dir / out), 0);
        EXPECT_EQ(fake_compression(dir / "in", dir / out), 0);
        EXPECT_TRUE(std::filesystem::exists(dir / out));
    }
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
    EXPECT_TRUE(exists(dir / "in"));
}

namespace {

// The part encoder written out step by step: before every input byte and
// before the end of the input, a run form that already fills as many bytes
// as the input has is given up for the stored form.
std::string reference_part_encoding(const std::string& in) {
    std::string run;
    int current = -1;
    int count = 1;
    bool first = true;
    for (std::size_t i = 0; i <= in.size(); ++i) {
        if (!in.empty() && run.size() >= in.size()) return std::string(1, '\0') + in;
        if (i == in.size()) {
            if (!first) run += bytes({count, current});
            break;
        }
        const int c = static_cast<unsigned char>(in[i]);
        if (c == current) {
            if (count == 100) {
                run += bytes({count, current});
                count = 1;
            } else {
                ++count;
            }
        } else if (first) {
            current = c;
            count = 1;
            first = false;
        } else {
            run += bytes({count, current});
            current = c;
            count = 1;
        }
    }
    return run;
}

}  // namespace

TEST(Compression, PartFormMatchesTheStepwiseRuleOnRandomInputs) {
    std::mt19937 rng(31337);
    std::uniform_int_distribution<int> run_len(1, 260), alphabet(1, 4);
    ScratchDir dir;
    for (int round = 0; round < 300; ++round) {
        // Inputs near the break-even point between the two forms.
        std::string in;
        const std::size_t target = static_cast<std::size_t>(rng() % 600);
        const int letters = alphabet(rng);
        while (in.size() < target) {
            const int len = (rng() % 3 == 0) ? run_len(rng) : 1 + static_cast<int>(rng() % 2);
            in.append(static_cast<std::size_t>(len), static_cast<char>('a' + static_cast<int>(rng() % letters)));
        }
        in.resize(target);
        SCOPED_TRACE(round);
        write_file(dir / "in", in);
        ASSERT_EQ(compress_part(dir / "in", dir / "out"), 1);
        ASSERT_EQ(read_file(dir / "out"), reference_part_encoding(in));
    }
}

namespace {

// Pairs for the whole input, by the step rule, without giving up.
std::string reference_pairs(const std::string& in) {
    std::string run;
    for (std::size_t i = 0; i < in.size();) {
        std::size_t j = i;
        while (j < in.size() && in[j] == in[i] && j - i < 100) ++j;
        run += bytes({static_cast<int>(j - i), static_cast<unsigned char>(in[i])});
        i = j;
    }
    return run;
}

}  // namespace

TEST(Compression, RunsAndPairsAcrossBufferBoundaries) {
    // Inputs longer than one 1 MiB read buffer, with runs and pairs that
    // straddle its edges; header lengths of both parities shift the pairs.
    const std::size_t mib = std::size_t{1} << 20;
    std::mt19937 rng(8);
    for (std::size_t edge_run : {1u, 99u, 100u, 101u, 300u}) {
        std::string in = random_content(rng, mib - edge_run / 2, true);
        in.append(edge_run, 'z');
        in += random_content(rng, 5000, true);
        for (const char* vob : {"v", "vv"}) {
            SCOPED_TRACE(std::to_string(edge_run) + vob);
            ScratchDir dir;
            write_file(dir / "in", in);
            ASSERT_EQ(compress_file(dir / "in", dir / "head", vob, "p", "-"), 1);
            const std::string head = read_file(dir / "head");
            const std::string header = std::string(vob) + "|p|-|";
            ASSERT_EQ(head.substr(0, header.size()), header);
            EXPECT_TRUE(head.compare(header.size(), std::string::npos, reference_pairs(in)) == 0);
            std::string v, p, d;
            ASSERT_EQ(uncompress_file(dir / "head", dir / "back", v, p, d), 1);
            EXPECT_TRUE(read_file(dir / "back") == in);
        }
    }
}

namespace {

// Pairs written out by hand, including streams the encoder never makes
// (neighbouring pairs of one byte, runs split anywhere).
std::string expand_pairs(const std::string& pairs) {
    std::string out;
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2)
        out.append(static_cast<unsigned char>(pairs[i]), pairs[i + 1]);
    return out;
}

}  // namespace

TEST(Compression, OutputBytesArePinnedOnVariedInputs) {
    // Every output must match the step rule exactly; the digests over the
    // whole set guard the rule itself, since peers read these bytes.
    // Both paths of the encoder, where the processor has both.
    const std::vector<CorpusCase> corpus = codec_corpus();
    const WidePathRestorer restore;
    for (bool wide : {true, false}) {
        set_wide_codec_path_for_tests(wide);
        std::string head_digests, part_digests;
        for (const auto& c : corpus) {
            SCOPED_TRACE(c.name + (wide_codec_path() ? " wide" : " plain"));
            ScratchDir dir;
            write_file(dir / "in", c.content);
            write_file(dir / "in2", c.content);
            ASSERT_EQ(compress_file(dir / "in", dir / "head", "/vobs/src", "/vobs/src/lib", "-"), 1);
            const std::string head = read_file(dir / "head");
            EXPECT_TRUE(head == "/vobs/src|/vobs/src/lib|-|" + reference_pairs(c.content));
            ASSERT_EQ(compress_part(dir / "in2", dir / "part"), 1);
            const std::string part = read_file(dir / "part");
            EXPECT_TRUE(part == reference_part_encoding(c.content));
            head_digests += sha256_hex(head);
            part_digests += sha256_hex(part);

            std::string v, p, d;
            ASSERT_EQ(uncompress_file(dir / "head", dir / "head.back", v, p, d), 1);
            EXPECT_TRUE(read_file(dir / "head.back") == c.content);
            ASSERT_EQ(uncompress_part(dir / "part", dir / "part.back"), 1);
            EXPECT_TRUE(read_file(dir / "part.back") == c.content);
        }
        EXPECT_EQ(sha256_hex(head_digests), "cb5985f1a0005b36ddf1e63b5f7c3f294a17576034d7bba602d3b8113181b406");
        EXPECT_EQ(sha256_hex(part_digests), "c25591c485fdaeac4e522e774db1cc7b0741463c7e13cc3a76f2188782585249");
    }
}

TEST(Compression, AnyValidPairStreamDecodesExactly) {
    // Counts of every size in every position, single pairs in long and short
    // stretches, across the read buffer's edge, with and without a header.
    SplitMix rng(404);
    std::string pairs;
    while (pairs.size() < (std::size_t{1} << 21) + 77) {
        const std::size_t stretch = 1 + rng.below(40);
        for (std::size_t k = 0; k < stretch; ++k) {
            std::size_t count = 1;
            if (rng.below(3) == 0) count = rng.below(2) ? 1 + rng.below(16) : 1 + rng.below(100);
            pairs.push_back(static_cast<char>(count));
            pairs.push_back(rng.byte());
        }
    }
    const std::string expected = expand_pairs(pairs);
    ScratchDir dir;
    write_file(dir / "part", pairs);
    ASSERT_EQ(uncompress_part(dir / "part", dir / "part.back"), 1);
    EXPECT_TRUE(read_file(dir / "part.back") == expected);
    for (const char* header : {"v|p|-|", "vv|p|-|"}) {
        SCOPED_TRACE(header);
        write_file(dir / "head", header + pairs);
        std::string v, p, d;
        ASSERT_EQ(uncompress_file(dir / "head", dir / "head.back", v, p, d), 1);
        EXPECT_TRUE(read_file(dir / "head.back") == expected);
    }
    // A count out of range anywhere, also deep inside a stretch of single
    // pairs, is damage.
    for (int bad : {0, 101, 255}) {
        for (std::size_t at : {std::size_t{0}, std::size_t{1000}, std::size_t{1} << 20, pairs.size() - 2}) {
            if (at == 0 && bad == 0) continue;  // a leading 0 is the stored form
            SCOPED_TRACE(std::to_string(bad) + " at " + std::to_string(at));
            std::string damaged = pairs;
            damaged[at] = static_cast<char>(bad);
            write_file(dir / "bad", damaged);
            EXPECT_EQ(uncompress_part(dir / "bad", dir / "bad.back"), 0);
            EXPECT_FALSE(exists(dir / "bad.back"));
        }
    }
}

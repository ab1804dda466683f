// File-break scanning, part filling at the shipper, the multipart stages and
// extraction at the receiver, end to end with a small part size limit.
#include "codecs/extract.h"

#include <random>

#include "codec_test_util.h"
#include "codecs/codec_io.h"
#include "codecs/codec_status.h"
#include "codecs/compression.h"
#include "codecs/crypt.h"
#include "codecs/file_break.h"
#include "codecs/multipart.h"
#include "codecs/packet_format.h"
#include "codecs/packet_head.h"
#include "common/file_ops.h"
#include "common/log.h"

using namespace codec_test;

namespace {

const std::string B = ZEB_FILE_BREAK;

// Collects what the scanner reports: data runs joined, markers as "|".
struct Collect {
    std::string out;
    void data(const unsigned char* p, std::size_t n) { out.append(reinterpret_cast<const char*>(p), n); }
    void marker() { out += "<B>"; }
};

std::string scan_in_chunks(const std::string& s, std::size_t chunk) {
    MarkerScanner scanner;
    Collect sink;
    for (std::size_t i = 0; i < s.size(); i += chunk) {
        const std::size_t n = std::min(chunk, s.size() - i);
        scanner.feed(reinterpret_cast<const unsigned char*>(s.data() + i), n, sink);
    }
    scanner.finish(sink);
    return sink.out;
}

// Sets a scratch log and a small part limit; restores both afterwards.
class Packet : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = LOG_FILES;
        LOG_FILES = LogFileSet{};
        LOG_FILES.LOG_FILE = dir_ / "all.txt";
        LOG_FILES.ELOG_FILE = dir_ / "errors.txt";
        EXTRACTED_FILES.clear();
        HASH_KEY = INTERNAL_HASH_KEY;
    }
    void TearDown() override {
        LOG_FILES = saved_;
        set_part_size_limit_for_tests(0);
        EXTRACTED_FILES.clear();
    }
    std::string errors() const { return read_file(dir_ / "errors.txt"); }

    // Extracts dir/x into the standard section files.
    int extract() {
        return xtar_multipart_file(dir_ / "x", dir_ / "x.unorm", dir_ / "receiver.cs", dir_ / "x.pre", dir_ / "x.post",
                                   dir_ / "x.dhist", dir_ / "x.nele");
    }
    std::vector<std::string> data_files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            if (e.path().filename().string().rfind("zeb.", 0) == 0) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchDir dir_;
    LogFileSet saved_;
};

const std::string kSections = "ELEMENT_BEGIN\nName 3:abc\n" + B + "element * \\main\\LATEST\nelement /x/... -none\n" +
                              B + "l:west;D:vob;V:12.0;n:branch;" + B + "POST>" + B + "DESTROY>" + B + "a/b|o|g|rw;";
const std::string kDeploySections = "D:lib\nF:lib/a\n" + B + "element * /main/LATEST\n" + B +
                                    "l:west;D:flat;B:/srv/deploy;V:12.0;n:main;" + B + "NONE>" + B + "NONE>" + B;

}  // namespace

TEST(FileBreak, MarkerIsAssembledFromItsParts) {
    EXPECT_EQ(build_zeb_file_break(), "+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+");
    EXPECT_EQ(build_zeb_file_break(), ZEB_FILE_BREAK);
}

TEST(FileBreak, ScannerFindsEveryMarkerAtAnyChunking) {
    const std::string m31 = B.substr(0, 31);
    struct Case {
        const char* name;
        std::string stream;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"plain", "abc", "abc"},
        {"one marker", "ab" + B + "cd", "ab<B>cd"},
        {"adjacent markers", B + B, "<B><B>"},
        {"31 of 32 then other byte", m31 + "x" + B, m31 + "x<B>"},
        {"31 of 32 at the end", "q" + m31, "q" + m31},
        {"marker inside a partial match", "+=_=#ZEB" + B + "z", "+=_=#ZEB<B>z"},
        {"marker after its own first char", "+" + B, "+<B>"},
        {"31 of 32 then marker", m31 + B, "<B>" + B.substr(1)},
        {"prefix repeated", "+=_=+=_=#ZEB-" + B, "+=_=+=_=#ZEB-<B>"},
    };
    for (const auto& c : cases) {
        for (std::size_t chunk : {1u, 2u, 7u, 31u, 32u, 33u, 1000u}) {
            SCOPED_TRACE(std::string(c.name) + " chunk " + std::to_string(chunk));
            EXPECT_EQ(scan_in_chunks(c.stream, chunk), c.expected);
        }
    }
}

TEST(FileBreak, ScannerMatchesNaiveSplitOnRandomStreams) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 20; ++round) {
        const std::string s = random_content(rng, 20000, true);
        std::string naive;
        std::size_t pos = 0;
        for (;;) {
            const std::size_t hit = s.find(B, pos);
            if (hit == std::string::npos) break;
            naive += s.substr(pos, hit - pos) + "<B>";
            pos = hit + B.size();
        }
        naive += s.substr(pos);
        for (std::size_t chunk : {5u, 64u, 4099u}) EXPECT_EQ(scan_in_chunks(s, chunk), naive);
    }
}

TEST_F(Packet, HeadSectionsAndConfigSpec) {
    write_file(dir_ / "x", kSections + B + B + B);
    write_file(dir_ / "x.pre", "");
    ASSERT_EQ(extract(), 1);
    EXPECT_EQ(read_file(dir_ / "x.unorm"), "ELEMENT_BEGIN\nName 3:abc\n");
    EXPECT_EQ(read_file(dir_ / "receiver.cs"),
              std::string(XTAR_CS_HEADER) + "element * CHECKEDOUT\nelement * /main/LATEST\n\nelement * /main/LATEST\n");
    EXPECT_EQ(read_file(dir_ / "x.pre"), "l:west;D:vob;V:12.0;n:branch;\n");
    EXPECT_EQ(read_file(dir_ / "x.post"), "POST>\n");
    EXPECT_EQ(read_file(dir_ / "x.dhist"), "DESTROY>\n");
    EXPECT_EQ(read_file(dir_ / "x.nele"), "a/b|o|g|rw;\n");
    EXPECT_EQ(data_files(), std::vector<std::string>{"zeb.0000"});
    EXPECT_EQ(read_file(dir_ / "zeb.0000"), "");
    EXPECT_FALSE(exists(dir_ / "x"));
    EXPECT_TRUE(EXTRACTED_FILES.contains(dir_ / "zeb.0000"));
}

TEST_F(Packet, DataFileNumberingAcrossHeadAndParts) {
    struct Case {
        const char* name;
        std::string head_tail;              // after the sections
        std::vector<std::string> parts;     // part files
        std::vector<std::string> expected;  // contents of zeb.0000, zeb.0001, ...
        std::string sections = kSections;
    };
    const std::vector<Case> cases = {
        {"replication, no parts", B + B + B, {}, {""}},
        {"replication, two parts", B + B, {B + "one" + B + "two", B + "three" + B}, {"", "one", "two", "three"}},
        {"deployment, no parts", B + B, {}, {}},
        {"deployment, one part", B, {B + "f0" + B + "f1" + B}, {"f0", "f1"}},
        {"deployment head ending in section 6, parts follow",
         "",
         {B + "f0", B + "f1" + B},
         {"f0", "f1"},
         kDeploySections},
        {"empty file ends a middle part", B + B, {B + "a" + B, B + "b" + B}, {"", "a", "", "b"}},
        {"empty file ends the last part", B + B, {B + "a" + B + B}, {"", "a", ""}},
        {"31 of 32 inside data", B + B, {B + B.substr(0, 31) + "x" + B}, {"", B.substr(0, 31) + "x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& f : data_files()) std::filesystem::remove(dir_ / f);
        write_file(dir_ / "x", c.sections + c.head_tail);
        for (std::size_t k = 0; k < c.parts.size(); ++k) write_file(part_name(dir_ / "x", int(k + 1)), c.parts[k]);
        ASSERT_EQ(extract(), 1) << codec_test::read_file(dir_ / "errors.txt");
        const auto names = data_files();
        ASSERT_EQ(names.size(), c.expected.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            char want[32];
            std::snprintf(want, sizeof want, "zeb.%04zu", i);
            EXPECT_EQ(names[i], want);
            EXPECT_EQ(read_file(dir_ / names[i]), c.expected[i]);
        }
        for (std::size_t k = 0; k < c.parts.size(); ++k) EXPECT_FALSE(exists(part_name(dir_ / "x", int(k + 1))));
    }
}

TEST_F(Packet, DamagedArchivesFail) {
    struct Case {
        const char* name;
        std::string head;
        std::vector<std::string> parts;
    };
    const std::vector<Case> cases = {
        {"empty head", "", {}},
        {"five sections only", "a" + B + "b" + B + "c" + B + "d" + B + "e", {}},
        {"five sections only, parts follow", "a" + B + "b" + B + "c" + B + "d" + B + "e", {B + "f0" + B}},
        {"head ends in section 6 without parts", kSections, {}},
        {"deployment head ends in section 6 without parts", kDeploySections, {}},
        {"replication head ends in section 6, parts follow", kSections, {B + "f0" + B}},
        {"part without leading marker", kSections + B + B, {"data" + B}},
        {"part shorter than a marker", kSections + B + B, {B.substr(0, 10)}},
        {"config spec too large to rewrite whole",
         "e" + B + std::string(XTAR_CS_MAX, 'c') + B + "l:w;" + B + "POST>" + B + "DESTROY>" + B + B + B,
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir_ / "x", c.head);
        for (std::size_t k = 0; k < c.parts.size(); ++k) write_file(part_name(dir_ / "x", int(k + 1)), c.parts[k]);
        EXPECT_EQ(extract(), 0);
        std::filesystem::remove(part_name(dir_ / "x", 1));
    }
    EXPECT_EQ(
        xtar_multipart_file(dir_ / "missing", dir_ / "u", dir_ / "c", dir_ / "p", dir_ / "o", dir_ / "d", dir_ / "n"),
        0);
}

TEST_F(Packet, TooManyPartsAreRefused) {
    write_file(dir_ / "x", kSections + B + B);
    for (int k = 1; k <= 128; ++k) write_file(part_name(dir_ / "x", k), B + "d");
    EXPECT_EQ(count_existing_parts(dir_ / "x"), -1);
    EXPECT_EQ(extract(), 0);
    std::filesystem::remove(part_name(dir_ / "x", 128));
    EXPECT_EQ(count_existing_parts(dir_ / "x"), 127);
}

TEST_F(Packet, PartFillingStartsPartsAtTheLimit) {
    set_part_size_limit_for_tests(100);
    write_file(dir_ / "a", std::string(40, 'a'));
    write_file(dir_ / "b", std::string(20, 'b'));  // 72 + 20 = 92 < 100: stays in part 1
    write_file(dir_ / "c", std::string(10, 'c'));  // 92 + 32 + 10 ... 124 + 10 >= 100: part 2
    write_file(dir_ / "d", std::string(99, 'd'));  // 42 + 99 >= 100: part 3, which then is full
    write_file(dir_ / "e", "e");                   // part 4
    write_file(dir_ / "head", "sections");
    ASSERT_EQ(ctar_data_files(dir_ / "head", {dir_ / "a", dir_ / "b", dir_ / "c", dir_ / "d", dir_ / "e"}), 1);
    EXPECT_EQ(MULTIPART.XTRA_PACKET_PARTS, 4);
    EXPECT_EQ(read_file(dir_ / "head"), "sections");
    EXPECT_EQ(read_file(dir_ / "head_1"), B + std::string(40, 'a') + B + std::string(20, 'b'));
    EXPECT_EQ(read_file(dir_ / "head_2"), B + std::string(10, 'c'));
    EXPECT_EQ(read_file(dir_ / "head_3"), B + std::string(99, 'd'));
    EXPECT_EQ(read_file(dir_ / "head_4"), B + "e" + B);

    ASSERT_EQ(ctar_data_files(dir_ / "head2", std::vector<std::string>{}), 1);
    EXPECT_EQ(MULTIPART.XTRA_PACKET_PARTS, 0);
    EXPECT_EQ(read_file(dir_ / "head2"), B);
}

TEST_F(Packet, PartFillingRefusals) {
    set_part_size_limit_for_tests(1000);
    struct Case {
        const char* name;
        std::string content;  // empty: the file does not exist
        std::string message;  // expected in the errors log
    };
    const std::vector<Case> cases = {
        {"missing file", "", "failed ctar on step 5 ("},
        {"marker inside", "abc" + B + "def", "contains the file break marker"},
        {"ends in first 31 marker characters", "abc" + B.substr(0, 31), "contains the file break marker"},
        {"too large", std::string(1000, 'z'), "exceeds safe file size (1000 bytes) to replicate."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir_ / "errors.txt");
        std::filesystem::remove(dir_ / "data");
        if (!c.content.empty()) write_file(dir_ / "data", c.content);
        EXPECT_EQ(ctar_data_files(dir_ / "head", {dir_ / "data"}), 0);
        const std::string log = errors();
        EXPECT_NE(log.find(c.message), std::string::npos) << log;
        EXPECT_NE(log.find(dir_ / "data"), std::string::npos) << log;
    }
}

TEST_F(Packet, EndToEndMultipartRoundTrip) {
    set_part_size_limit_for_tests(128 * 1024);
    std::mt19937 rng(99);
    std::vector<std::string> files, contents;
    for (int i = 0; i < 12; ++i) {
        const std::string name = dir_ / ("src" + std::to_string(i));
        const std::string data = random_content(rng, 1000 + static_cast<std::size_t>(i) * 9000);
        write_file(name, data);
        files.push_back(name);
        contents.push_back(data);
    }
    const std::string base = dir_ / "epoc.001.east.west";
    write_file(base + ".crxi", kSections + B + B);
    ASSERT_EQ(ctar_data_files(base + ".crxi", files), 1) << errors();
    const int parts = MULTIPART.XTRA_PACKET_PARTS;
    EXPECT_GT(parts, 2);

    ASSERT_EQ(compress_multipart_file(base + ".crxi", base + ".crz", "/vobs/dst", "/vobs/dst/sub", "-"), 1);
    ASSERT_EQ(crypt_multipart_file(base + ".crz", base + ".crc"), 1);
    for (int k = 0; k <= parts; ++k) {
        EXPECT_FALSE(exists(k ? part_name(base + ".crxi", k) : base + ".crxi"));
        EXPECT_FALSE(exists(k ? part_name(base + ".crz", k) : base + ".crz"));
        EXPECT_TRUE(exists(k ? part_name(base + ".crc", k) : base + ".crc"));
    }
    ASSERT_EQ(decrypt_multipart_file(base + ".crc", base + ".crz"), 1);
    std::string vob, path, deploy;
    ASSERT_EQ(uncompress_multipart_file(base + ".crz", base + ".xtar", vob, path, deploy), 1);
    EXPECT_EQ(vob + "," + path + "," + deploy, "/vobs/dst,/vobs/dst/sub,-");
    ASSERT_EQ(xtar_multipart_file(base + ".xtar", base + ".unorm", dir_ / "receiver.cs", base + ".pre", base + ".post",
                                  base + ".dhist", base + ".nele"),
              1);
    EXPECT_EQ(read_file(base + ".nele"), "a/b|o|g|rw;\n");
    EXPECT_EQ(read_file(dir_ / "zeb.0000"), "");
    for (std::size_t i = 0; i < contents.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "zeb.%04zu", i + 1);
        EXPECT_EQ(read_file(dir_ / name), contents[i]) << name;
    }
    EXPECT_EQ(data_files().size(), contents.size() + 1);
    EXPECT_TRUE(EXTRACTED_FILES.contains(part_name(base + ".crc", 1)));
}

TEST_F(Packet, ReceiverStopsAtTheFirstMissingPart) {
    write_file(dir_ / "x", kSections + B + B);
    write_file(dir_ / "x_1", B + "one");
    write_file(dir_ / "x_2", B + "two" + B);
    write_file(dir_ / "x_4", B + "four" + B);
    ASSERT_EQ(extract(), 1);
    EXPECT_EQ(data_files(), (std::vector<std::string>{"zeb.0000", "zeb.0001", "zeb.0002"}));
    EXPECT_TRUE(exists(dir_ / "x_4"));
}

TEST_F(Packet, DecryptionFailureStillRemovesInputs) {
    write_file(dir_ / "p.crc", "abc");  // shorter than the header
    write_file(dir_ / "p.crc_1", "defgh");
    EXPECT_EQ(decrypt_multipart_file(dir_ / "p.crc", dir_ / "p.crz"), 0);
    EXPECT_FALSE(exists(dir_ / "p.crc"));
    EXPECT_TRUE(EXTRACTED_FILES.contains(dir_ / "p.crc_1"));
    EXPECT_TRUE(EXTRACTED_FILES.contains(dir_ / "p.crz_1"));
}

TEST_F(Packet, TruncatedArchivesFailOrExtractInsideTheirDirectory) {
    const std::string head = kSections + B + B;
    const std::string part = B + "one" + B + "two" + B;
    ScratchDir out;
    for (std::size_t cut = 0; cut <= head.size(); cut += 7) {
        SCOPED_TRACE(cut);
        write_file(out / "x", head.substr(0, cut));
        write_file(out / "x_1", part.substr(0, cut % (part.size() + 1)));
        const int r = xtar_multipart_file(out / "x", out / "u", out / "cs", out / "p", out / "o", out / "d", out / "n");
        if (cut < head.size() - 2 * B.size()) {
            EXPECT_EQ(r, 0);
        }
        for (const auto& e : std::filesystem::directory_iterator(out.path())) {
            const std::string name = e.path().filename();
            EXPECT_TRUE(name.rfind("zeb.", 0) == 0 || name.size() <= 2 || name == "x" || name == "x_1") << name;
        }
    }
    // Nothing was written beside the scratch directory.
    EXPECT_FALSE(exists(out.path() + "/../zeb.0000"));
}

TEST_F(Packet, EmptyDeploymentFileAtThePartEndKeepsItsPlace) {
    // A hard deployment carries empty files too; one that closes a part must
    // not vanish, or every later file would be paired with the wrong name.
    set_part_size_limit_for_tests(100);
    write_file(dir_ / "a", std::string(60, 'a'));
    write_file(dir_ / "empty", "");
    write_file(dir_ / "b", "bbb");
    write_file(dir_ / "x", kSections + B);
    ASSERT_EQ(ctar_data_files(dir_ / "x", {dir_ / "a", dir_ / "empty", dir_ / "b"}), 1);
    ASSERT_EQ(MULTIPART.XTRA_PACKET_PARTS, 2);
    EXPECT_EQ(read_file(dir_ / "x_1"), B + std::string(60, 'a') + B);
    ASSERT_EQ(extract(), 1);
    EXPECT_EQ(data_files(), (std::vector<std::string>{"zeb.0000", "zeb.0001", "zeb.0002"}));
    EXPECT_EQ(read_file(dir_ / "zeb.0000"), std::string(60, 'a'));
    EXPECT_EQ(read_file(dir_ / "zeb.0001"), "");
    EXPECT_EQ(read_file(dir_ / "zeb.0002"), "bbb");
}

TEST_F(Packet, EveryLayoutTheWriterMakesReadsBack) {
    // The head as the shipper lays it out, the data files appended by the
    // part filler, then every stage of the way to the receiver's files.
    set_part_size_limit_for_tests(300);
    HeadSections replication{"ELEMENT_BEGIN\nName 3:abc\nELEMENT_END\n",
                             "element * \\main\\LATEST\n",
                             "l:west;D:vob;V:12.0;n:branch;",
                             "POST>",
                             "DESTROY>",
                             "a/b|o|g|rw;"};
    HeadSections deployment{"D:lib\nF:lib/a.txt\nF:b.txt\nF:c.txt\n",
                            "element * /main/LATEST\n",
                            "l:west;D:flat;B:/srv/deploy;V:12.0;n:main;",
                            "NONE>",
                            "NONE>",
                            ""};
    std::mt19937 rng(8);
    const std::vector<std::string> none;
    const std::vector<std::string> small = {"alpha", "", "gamma"};
    const std::vector<std::string> large = {random_content(rng, 250), random_content(rng, 200),
                                            random_content(rng, 120)};
    struct Case {
        const char* name;
        bool is_replication;
        const std::vector<std::string>& contents;
        int parts;
    };
    const Case cases[] = {
        {"replication without data files", true, none, 0}, {"replication, one part", true, small, 1},
        {"replication, several parts", true, large, 3},    {"deployment without data files", false, none, 0},
        {"deployment, one part", false, small, 1},         {"deployment, several parts", false, large, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        const HeadSections& sections = c.is_replication ? replication : deployment;
        const std::string base = dir / "epoc.001.east.west";
        write_file(base + ".crxi", assemble_head_text(sections, c.is_replication, true));
        std::vector<std::string> files;
        for (std::size_t i = 0; i < c.contents.size(); ++i) {
            files.push_back(dir / ("data" + std::to_string(i)));
            write_file(files.back(), c.contents[i]);
        }
        ASSERT_EQ(ctar_data_files(base + ".crxi", files), 1) << errors();
        ASSERT_EQ(MULTIPART.XTRA_PACKET_PARTS, c.parts);
        if (c.parts == 0) {
            EXPECT_EQ(read_file(base + ".crxi"), assemble_head_text(sections, c.is_replication, false));
        }

        ASSERT_EQ(compress_multipart_file(base + ".crxi", base + ".crz", "/vobs/dst", "/vobs/dst", "-"), 1);
        ASSERT_EQ(crypt_multipart_file(base + ".crz", base + ".crc"), 1);
        ASSERT_EQ(decrypt_multipart_file(base + ".crc", base + ".crz"), 1);
        std::string vob, path, deploy;
        ASSERT_EQ(uncompress_multipart_file(base + ".crz", base + ".xtar", vob, path, deploy), 1);
        ASSERT_EQ(xtar_multipart_file(base + ".xtar", base + ".unorm", dir / "receiver.cs", base + ".pre",
                                      base + ".post", base + ".dhist", base + ".nele"),
                  1)
            << codec_last_error();
        EXPECT_EQ(read_file(base + ".unorm"), sections.element_description);
        EXPECT_EQ(read_file(base + ".pre"), sections.header_records + "\n");
        EXPECT_EQ(read_file(base + ".post"), sections.post_section + "\n");
        EXPECT_EQ(read_file(base + ".dhist"), sections.destroy_section + "\n");
        EXPECT_EQ(read_file(base + ".nele"), sections.new_elements + "\n");

        // A replication packet's data files start after the empty zeb.0000.
        std::vector<std::string> expected = c.contents;
        if (c.is_replication) expected.insert(expected.begin(), "");
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind("zeb.", 0) == 0) found.push_back(e.path().filename());
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(found[i], data_file_name(static_cast<long>(i)));
            EXPECT_EQ(read_file(dir / found[i]), expected[i]) << found[i];
        }
    }
}

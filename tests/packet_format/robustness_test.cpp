// Readers fed hostile input: random texts built from the characters that
// matter to the record grammar must never crash or read outside the text
// (the sanitizer build checks the latter), and every record a reader
// accepts must survive being written again.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codecs/packet_destroy.h"
#include "codecs/packet_elements.h"
#include "codecs/packet_head.h"
#include "codecs/packet_header.h"
#include "codecs/packet_post.h"

namespace {

std::string random_text(std::mt19937& rng, std::string_view prefix) {
    static const char pieces[] = "|>;:<=[]+\n\r 0123456789abcMRmrlDVeGbgydoLcF.@/\\-";
    std::uniform_int_distribution<int> len(0, 60), pick(0, sizeof pieces - 2);
    std::string s(prefix);
    for (int i = len(rng); i > 0; --i) s += pieces[pick(rng)];
    // Sometimes cut the text inside a record.
    if (!s.empty() && rng() % 4 == 0) s.resize(rng() % s.size());
    return s;
}

TEST(Robustness, ReadersSurviveRandomTexts) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 20000; ++round) {
        std::string error;
        {
            PacketHeader h;
            int ok = read_packet_header(random_text(rng, ""), h, error);
            ASSERT_TRUE(ok == 0 || ok == 1);
            if (ok == 1) {
                std::string again;
                for (const HeaderRecord& r : h.records) {
                    // The writer is stricter than the reader: it refuses line breaks.
                    if (!r.value.empty() && r.value.find('\n') == std::string::npos) {
                        ASSERT_EQ(append_header_record(again, r.letter, r.value), 1);
                    }
                }
            }
        }
        {
            std::vector<PostRecord> records;
            int ok = read_post_section(random_text(rng, "POST>"), records, error, 4);
            ASSERT_TRUE(ok == 0 || ok == 1);
            // Every record read back must be writable and read the same way.
            PostSectionWriter w(4);
            std::string again = "POST>";
            std::vector<PostRecord> kept;
            for (const PostRecord& r : records) {
                int written = 0;
                switch (r.kind) {
                    case 'm':
                        written = w.make_label(again, r.type, r.object);
                        break;
                    case 'r':
                        written = w.remove_label(again, r.type, r.object);
                        break;
                    case 'M':
                        written = w.make_attribute(again, r.type, r.object, r.value);
                        break;
                    default:
                        written = w.remove_attribute(again, r.type, r.object);
                        break;
                }
                if (written) kept.push_back(r);
            }
            std::vector<PostRecord> reread;
            ASSERT_EQ(read_post_section(again, reread, error, 4), 1) << again;
            ASSERT_EQ(reread.size(), kept.size());
            for (std::size_t i = 0; i < kept.size(); ++i) {
                ASSERT_EQ(reread[i].type, kept[i].type);
                ASSERT_EQ(reread[i].object, kept[i].object);
            }
        }
        {
            std::vector<DestroyRecord> records;
            int ok = read_destroy_section(random_text(rng, "DESTROY>"), records, error);
            ASSERT_TRUE(ok == 0 || ok == 1);
        }
        {
            std::vector<NewElement> records;
            int ok = read_new_element_records(random_text(rng, ""), records, error);
            ASSERT_TRUE(ok == 0 || ok == 1);
            for (const NewElement& e : records) ASSERT_FALSE(e.path.empty());
        }
        {
            std::vector<DeployEntry> entries;
            int ok = read_deploy_listing(random_text(rng, "F:"), entries, error);
            ASSERT_TRUE(ok == 0 || ok == 1);
            for (const DeployEntry& e : entries) ASSERT_TRUE(packet_path_stays_inside(e.path));
        }
        {
            ValueLine v;
            const std::string line = random_text(rng, "Name ");
            if (parse_value_line(line, v)) {
                ASSERT_GT(v.length, 0);
                ASSERT_FALSE(v.tag.empty());
            }
        }
    }
}

TEST(HeadLayout, SectionsMarkersAndEmptyDataFile) {
    const std::string B = "+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+";
    HeadSections s{"ELEMENT_BEGIN\n", "element * /main/LATEST\n", "l:b;D:vob;V:12.0;n:branch;", "POST>", "DESTROY>",
                   "a|u|g|p;"};
    const std::string prefix = "ELEMENT_BEGIN\n" + B + "element * /main/LATEST\n" + B + "l:b;D:vob;V:12.0;n:branch;" +
                               B + "POST>" + B + "DESTROY>" + B + "a|u|g|p;";
    struct Case {
        bool replication, has_parts;
        std::string tail;
    };
    const Case cases[] = {
        {true, false, B + B + B},  // no parts: three markers after the new-element records
        {true, true, B + B},
        {false, false, B},
        {false, true, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(assemble_head_text(s, c.replication, c.has_parts), prefix + c.tail);
}

}  // namespace

// How the codecs put their outputs in place: a link planted at an output name
// is replaced, never followed; a failed step leaves nothing at its output
// name; no temporary file outlives a step.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include <sys/stat.h>

#include "codec_test_util.h"
#include "codecs/codec_io.h"
#include "codecs/compression.h"
#include "codecs/crypt.h"
#include "codecs/extract.h"
#include "codecs/file_break.h"
#include "codecs/multipart.h"
#include "common/file_ops.h"

using namespace codec_test;

namespace {

bool is_symlink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Names in the folder, hidden ones included, sorted.
std::vector<std::string> names_in(const ScratchDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

using Step = std::function<int(const std::string& in, const std::string& out)>;

struct StepCase {
    const char* name;
    std::string input;
    Step step;
};

std::vector<StepCase> steps_that_succeed() {
    const std::string B = ZEB_FILE_BREAK;
    return {
        {"compress_file", "aaaabbbc",
         [](const std::string& in, const std::string& out) { return compress_file(in, out, "v", "p", "-"); }},
        {"compress_part", "aaaaaaaaaaaa",
         [](const std::string& in, const std::string& out) { return compress_part(in, out); }},
        {"compress_part stored", "abcdefgh",
         [](const std::string& in, const std::string& out) { return compress_part(in, out); }},
        {"fake_compression", "abc",
         [](const std::string& in, const std::string& out) { return fake_compression(in, out); }},
        {"uncompress_file", "v|p|-|" + bytes({3, 'a'}),
         [](const std::string& in, const std::string& out) {
             std::string v, p, d;
             return uncompress_file(in, out, v, p, d);
         }},
        {"uncompress_part", bytes({4, 'z'}),
         [](const std::string& in, const std::string& out) { return uncompress_part(in, out); }},
        {"crypt_file", "secret", [](const std::string& in, const std::string& out) { return crypt_file(in, out); }},
        {"decrypt_file", "",
         [](const std::string& in, const std::string& out) {
             // An encrypted input made on the spot.
             const std::string plain = in + ".plain";
             write_file(plain, "hello");
             if (!crypt_file(plain, in)) return 0;
             std::filesystem::remove(plain);
             return decrypt_file(in, out);
         }},
    };
}

}  // namespace

TEST(CodecOutputs, LinkAtTheOutputNameIsReplacedNotFollowed) {
    for (const StepCase& c : steps_that_succeed()) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        ScratchDir elsewhere;
        write_file(elsewhere / "victim", "precious");
        ASSERT_EQ(chmod((elsewhere / "victim").c_str(), 0644), 0);
        write_file(dir / "in", c.input);
        ASSERT_EQ(symlink((elsewhere / "victim").c_str(), (dir / "out").c_str()), 0);

        ASSERT_EQ(c.step(dir / "in", dir / "out"), 1);
        EXPECT_EQ(read_file(elsewhere / "victim"), "precious");
        EXPECT_EQ(mode_of(elsewhere / "victim"), 0644u);
        EXPECT_FALSE(is_symlink(dir / "out"));
        EXPECT_EQ(mode_of(dir / "out"), 0600u);
        // Nothing but the input (unless consumed) and the output remains.
        std::vector<std::string> names = names_in(dir);
        names.erase(std::remove(names.begin(), names.end(), "in"), names.end());
        EXPECT_EQ(names, std::vector<std::string>{"out"});
    }
}

TEST(CodecOutputs, ReplacedOutputHasTheNewContentAndIsPrivate) {
    ScratchDir dir;
    write_file(dir / "in", std::string(300, 'q'));
    write_file(dir / "out", std::string(5000, 'o'));  // longer than the result
    ASSERT_EQ(chmod((dir / "out").c_str(), 0666), 0);
    ASSERT_EQ(fake_compression(dir / "in", dir / "out"), 1);
    EXPECT_EQ(read_file(dir / "out"), std::string(1, '\0') + std::string(300, 'q'));
    EXPECT_EQ(mode_of(dir / "out"), 0600u);
}

TEST(CodecOutputs, FailedStepLeavesNothingAtItsOutput) {
    struct Case {
        const char* name;
        std::string input;
        Step step;
    };
    const Step head = [](const std::string& in, const std::string& out) {
        std::string v, p, d;
        return uncompress_file(in, out, v, p, d);
    };
    const Step part = [](const std::string& in, const std::string& out) { return uncompress_part(in, out); };
    // Enough good pairs first that bytes were written before the fault.
    std::string good_pairs;
    for (int i = 0; i < 40; ++i) good_pairs += bytes({100, 'g'});
    const std::vector<Case> cases = {
        {"head header cut short", "/vobs/dst|/vobs/dst", head},
        {"head run data damaged after good pairs", "v|p|-|" + good_pairs + bytes({0, 'x'}), head},
        {"head lone trailing count", "v|p|-|" + good_pairs + bytes({7}), head},
        {"part run data damaged after good pairs", good_pairs + bytes({101, 'x'}), part},
    };
    for (const Case& c : cases) {
        for (bool stale : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (stale ? ", over an earlier output" : ""));
            ScratchDir dir;
            write_file(dir / "in", c.input);
            if (stale) write_file(dir / "out", "an earlier result");
            EXPECT_EQ(c.step(dir / "in", dir / "out"), 0);
            EXPECT_FALSE(exists(dir / "out"));
            EXPECT_EQ(names_in(dir), std::vector<std::string>{"in"});
        }
    }
}

TEST(CodecOutputs, PartFillingThatFailsLeavesNoHalfPart) {
    const std::string B = ZEB_FILE_BREAK;
    ScratchDir dir;
    write_file(dir / "head", "sections");
    write_file(dir / "good", std::string(50, 'g'));
    write_file(dir / "bad", "abc" + B + "def");  // carries the marker: refused
    EXPECT_EQ(ctar_data_files(dir / "head", {dir / "good", dir / "bad"}), 0);
    EXPECT_FALSE(exists(dir / "head_1"));
    EXPECT_EQ(read_file(dir / "head"), "sections");
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"bad", "good", "head"}));
}

TEST(CodecOutputs, AppendingNeverFollowsALink) {
    // Sections 3 to 6 are appended to their files; a link planted at one of
    // those names must not lead the extraction into another file.
    const std::string B = ZEB_FILE_BREAK;
    ScratchDir dir;
    ScratchDir elsewhere;
    write_file(elsewhere / "victim", "precious");
    ASSERT_EQ(chmod((elsewhere / "victim").c_str(), 0644), 0);
    ASSERT_EQ(symlink((elsewhere / "victim").c_str(), (dir / "x.post").c_str()), 0);
    write_file(dir / "x",
               "e\n" + B + "element * /main/LATEST\n" + B + "l:w;" + B + "POST>" + B + "DESTROY>" + B + B + B + B);
    EXPECT_EQ(xtar_multipart_file(dir / "x", dir / "x.unorm", dir / "cs", dir / "x.pre", dir / "x.post",
                                  dir / "x.dhist", dir / "x.nele"),
              0);
    EXPECT_EQ(read_file(elsewhere / "victim"), "precious");
    EXPECT_EQ(mode_of(elsewhere / "victim"), 0644u);
    EXPECT_TRUE(is_symlink(dir / "x.post"));
}

TEST(CodecOutputs, OutputsThatAreNotFilesOrLinksAreRefused) {
    ScratchDir dir;
    ByteWriter writer;
    std::filesystem::create_directory(dir / "subdir");
    EXPECT_FALSE(writer.create_private(dir / "subdir"));
    EXPECT_FALSE(writer.append_private(dir / "subdir"));
    EXPECT_FALSE(writer.create_private("/dev/null"));
    EXPECT_FALSE(writer.append_private("/dev/null"));
    EXPECT_FALSE(writer.create_private(dir / "no/such/dir/out"));
    EXPECT_EQ(names_in(dir), std::vector<std::string>{"subdir"});
}

TEST(CodecOutputs, AFifoAsInputIsRefusedAtOnce) {
    // A FIFO under an input's name must not hold a step until some writer
    // comes along: each step fails at once and leaves nothing behind.
    for (const StepCase& c : steps_that_succeed()) {
        if (std::string(c.name) == "decrypt_file") continue;  // makes its own input
        ScratchDir dir;
        const std::string in = dir / "in", out = dir / "out";
        ASSERT_EQ(::mkfifo(in.c_str(), 0600), 0);
        auto step = std::async(std::launch::async, [&] { return c.step(in, out); });
        if (step.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Let the blocked reader go before failing.
            const int fd = ::open(in.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            step.wait();
            ADD_FAILURE() << c.name << " waited on a FIFO input";
            continue;
        }
        EXPECT_EQ(step.get(), 0) << c.name;
        EXPECT_EQ(names_in(dir), std::vector<std::string>{"in"}) << c.name;
    }
}

TEST(CodecOutputs, UniqueFilesNeverReuseAName) {
    ScratchDir dir;
    write_file(dir / "out", "kept");
    std::vector<std::string> made;
    for (int i = 0; i < 3; ++i) {
        ByteWriter writer;
        std::string name;
        ASSERT_TRUE(writer.create_unique(dir / "out", name));
        writer.write(std::to_string(i));
        ASSERT_TRUE(writer.close());
        EXPECT_EQ(name.rfind(dir.path() + "/", 0), 0u) << name;
        EXPECT_EQ(read_file(name), std::to_string(i));
        EXPECT_EQ(mode_of(name), 0600u);
        made.push_back(name);
    }
    EXPECT_NE(made[0], made[1]);
    EXPECT_NE(made[1], made[2]);
    EXPECT_EQ(read_file(dir / "out"), "kept");
    ByteWriter dropped;
    std::string name;
    ASSERT_TRUE(dropped.create_unique(dir / "out", name));
    dropped.write(std::string("half"));
    dropped.abandon();
    EXPECT_FALSE(exists(name));
    EXPECT_EQ(read_file(dir / "out"), "kept");
}

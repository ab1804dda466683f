// A receiving VOB for the request tests: a fresh VOB per test, seen through
// the import view "imp", with a few elements, branches and a merge arrow.
// Runs only inside ccsandbox (vob_requests_itest.sh starts it there).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cc_query.h"
#include "common/command.h"
#include "receiver/metadata/metadata_context.h"

namespace vob_fixture {

// Elements: a.c b.c c.c e.c g.c h.c k.c m.c (each /main/1), directory d;
// c.c and m.c have /main/2; b.c, e.c, k.c and m.c a branch dev (/main/dev/1,
// e.c also /main/dev/2); a merge arrow from m.c@@/main/dev/1 to m.c@@/main/2.
inline constexpr char POPULATE[] = R"(set -e
exec >/dev/null
cleartool checkout -nc .
for f in a.c b.c c.c e.c g.c h.c k.c m.c; do echo 1 > $f; cleartool mkelem -ci -nc $f; done
cleartool mkdir -nc d
cleartool checkin -nc d .
for f in c.c m.c; do cleartool checkout -nc $f; echo 2 >> $f; cleartool checkin -nc $f; done
cleartool mkbrtype -nc "dev@$VOB"
for f in b.c e.c k.c m.c; do cleartool mkbranch -nc dev $f; echo dev >> $f; cleartool checkin -nc $f; done
cleartool checkout -nc e.c@@/main/dev; echo dev2 >> e.c; cleartool checkin -nc e.c
cleartool mkhlink Merge m.c@@/main/dev/1 m.c@@/main/2
)";

class ReceivingVob : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (std::getenv("IN_CCSANDBOX") == nullptr) return;
        Command view(CLEARTOOL);
        view.args("lsview", "-s", "imp").raw(TRASH_ALL);
        if (view.run() != 0) {
            Command make(CLEARTOOL);
            make.args("mkview", "-tag", "imp", "/store/imp.vws").raw(TRASH_ALL);
            ASSERT_EQ(make.run(), 0);
        }
    }

    void SetUp() override {
        if (std::getenv("IN_CCSANDBOX") == nullptr) GTEST_SKIP() << "needs ccsandbox (vob_requests_itest.sh)";
        static int counter = 0;
        vob = "/vobs/r" + std::to_string(++counter);
        Command make(CLEARTOOL);
        make.args("mkvob", "-tag", vob, "-nc", "/store" + vob + ".vbs").raw(TRASH_ALL);
        ASSERT_EQ(make.run(), 0);
        root = "/view/imp" + vob;
        ASSERT_EQ(Command::shell_text(POPULATE).env("VOB", vob).cwd(root).run(), 0);
        settings.vob_tag = vob;
        settings.view = "imp";
        settings.vob_path = vob;
        settings.location = "siteA";
        settings.user = "root";
        settings.sink.toc = [this](const std::string& text) { toc += text; };
        settings.sink.warn = [this](const std::string& line) { warnings.push_back(line); };
    }

public:
    // Runs cleartool with the given words; its status.
    template <typename... Words>
    int ct(const Words&... words) const {
        Command c(CLEARTOOL);
        c.args(words...).raw(TRASH_ALL);
        return c.run();
    }
    // Standard output of cleartool with the given words, run in the VOB root.
    template <typename... Words>
    std::string ct_out(const Words&... words) const {
        Command c(CLEARTOOL);
        c.args(words...).raw(TRASH_ERR).cwd(root);
        std::string out;
        c.capture(out);
        return out;
    }
    bool type_here(const char* kind, const std::string& name) const {
        return ct("lstype", type_selector(kind, name, vob)) == 0;
    }
    bool locked(const std::string& object) const {
        return ct_out("lslock", "-fmt", "%c", object).starts_with("Locked");
    }
    bool exists_in_view(const std::string& relative) const {
        Command c(CLEARTOOL);
        c.args("describe", "-s", root + "/" + relative).raw(TRASH_ALL);
        return c.run() == 0;
    }
    std::string labels_of(const std::string& version) const { return ct_out("describe", "-fmt", "%Nl", version); }
    std::string attributes_of(const std::string& object) const { return ct_out("describe", "-fmt", "%Na", object); }
    bool warned(const std::string& text) const {
        for (const std::string& w : warnings)
            if (w.find(text) != std::string::npos) return true;
        return false;
    }
    std::string all_warnings() const {
        std::string all;
        for (const std::string& w : warnings) all += w + "\n";
        return all;
    }
    // The TOC line that mentions `text`; empty when none does.
    std::string toc_line(const std::string& text) const {
        std::size_t at = toc.find(text);
        if (at == std::string::npos) return "";
        std::size_t begin = toc.rfind('\n', at);
        begin = begin == std::string::npos ? 0 : begin + 1;
        return toc.substr(begin, toc.find('\n', at) - begin);
    }

    std::string vob;
    std::string root;
    receiver_metadata::MetadataSettings settings;
    receiver_metadata::MetadataPacket packet;
    std::string toc;
    std::vector<std::string> warnings;
};

}  // namespace vob_fixture

// Removal, type and lock requests applied to real VOBs of the substitute
// ClearCase: each allowed, refused by the receiver key and ignored by the
// receiver process, with its table-of-contents reason.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "codecs/packet_destroy.h"
#include "codecs/packet_post.h"
#include "receiver/metadata/deferred_locks.h"
#include "receiver/metadata/destroy_requests.h"
#include "receiver/metadata/lock_check.h"
#include "receiver/metadata/metadata_messages.h"
#include "receiver/metadata/post_requests.h"
#include "tests/receiver_metadata/vob_fixture.h"

using namespace receiver_metadata;
using vob_fixture::ReceivingVob;

namespace {

std::string destroy_text(const std::vector<std::pair<DestroyKind, std::string>>& requests) {
    std::string text = destroy_section_keyword(true);
    for (const auto& [kind, object] : requests) EXPECT_EQ(append_destroy_record(text, kind, object), 1) << object;
    return text;
}

enum class Scenario { Allowed, RefusedByKey, IgnoredByProcess };

struct Request {
    DestroyKind kind;
    const char* object;
    int ReceiverKeyPermissions::*permission;  // nullptr: needs none
    int ProcessIgnoreSettings::*ignore;       // nullptr: no ignore setting applies
    const char* toc_key;                      // a text only this request's TOC line holds
    std::function<bool(const ReceivingVob&)> done;
};

using K = ReceiverKeyPermissions;
using P = ProcessIgnoreSettings;

class RequestTable : public ReceivingVob, public ::testing::WithParamInterface<Scenario> {};

std::vector<Request> requests() {
    return {
        {DestroyKind::RmelemFile, "a.c", &K::ALLOW_RMELEM_FILE_FROM_REMOTE, nullptr, "/a.c\"",
         [](const ReceivingVob& v) { return !v.exists_in_view("a.c"); }},
        {DestroyKind::RmelemDir, "d", &K::ALLOW_RMELEM_DIR_FROM_REMOTE, nullptr, "/d\"",
         [](const ReceivingVob& v) { return !v.exists_in_view("d"); }},
        {DestroyKind::Rmbranch, "b.c@@/main/dev", &K::ALLOW_RMBRANCH_FROM_REMOTE, &P::ignore_received_branch_data,
         "b.c@@/main/dev\"", [](const ReceivingVob& v) { return !v.exists_in_view("b.c@@/main/dev"); }},
        {DestroyKind::Rmver, "e.c@@/main/dev/1", &K::ALLOW_RMVER_FROM_REMOTE, &P::ignore_received_branch_data,
         "e.c@@/main/dev/1\"", [](const ReceivingVob& v) { return !v.exists_in_view("e.c@@/main/dev/1"); }},
        // On main: the branch-data setting does not apply.
        {DestroyKind::Rmver, "c.c@@/main/2", &K::ALLOW_RMVER_FROM_REMOTE, nullptr, "c.c@@/main/2\"",
         [](const ReceivingVob& v) { return !v.exists_in_view("c.c@@/main/2"); }},
        {DestroyKind::RmLbtype, "OLDL", &K::ALLOW_RMLBTYPE_FROM_REMOTE, &P::ignore_received_label_data, "\"OLDL\"",
         [](const ReceivingVob& v) { return !v.type_here(LBTYPE, "OLDL"); }},
        {DestroyKind::RmBrtype, "oldbr", &K::ALLOW_RMBRTYPE_FROM_REMOTE, &P::ignore_received_branch_data, "\"oldbr\"",
         [](const ReceivingVob& v) { return !v.type_here(BRTYPE, "oldbr"); }},
        {DestroyKind::RmAttype, "OldAt", &K::ALLOW_RMATTYPE_FROM_REMOTE, &P::ignore_received_attribute_data,
         "\"OldAt\"", [](const ReceivingVob& v) { return !v.type_here(ATTYPE, "OldAt"); }},
        {DestroyKind::RnLbtype, "R1:R2", &K::ALLOW_RNLBTYPE_FROM_REMOTE, &P::ignore_received_label_data,
         "\"R1\" -> \"R2\"", [](const ReceivingVob& v) { return v.type_here(LBTYPE, "R2"); }},
        {DestroyKind::RnBrtype, "rb1:rb2", &K::ALLOW_RNBRTYPE_FROM_REMOTE, &P::ignore_received_branch_data,
         "\"rb1\" -> \"rb2\"", [](const ReceivingVob& v) { return v.type_here(BRTYPE, "rb2"); }},
        {DestroyKind::RnAttype, "Ra1:Ra2", &K::ALLOW_RNATTYPE_FROM_REMOTE, &P::ignore_received_attribute_data,
         "\"Ra1\" -> \"Ra2\"", [](const ReceivingVob& v) { return v.type_here(ATTYPE, "Ra2"); }},
        {DestroyKind::MkLbtype, "NEWL:g", nullptr, &P::ignore_received_label_data, "\"NEWL\"",
         [](const ReceivingVob& v) {
             return v.ct_out("describe", "-fmt", "%[type_scope]p", "lbtype:NEWL@" + v.vob) == "global";
         }},
        {DestroyKind::MkAttype, "NewA", nullptr, &P::ignore_received_attribute_data, "\"NewA\"",
         [](const ReceivingVob& v) { return v.type_here(ATTYPE, "NewA"); }},
        {DestroyKind::MkBrtype, "newb", nullptr, &P::ignore_received_branch_data, "\"newb\"",
         [](const ReceivingVob& v) { return v.type_here(BRTYPE, "newb"); }},
        {DestroyKind::ModBrtype, "dev:g", nullptr, &P::ignore_received_branch_data, "modtype brtype => \"dev\"",
         [](const ReceivingVob& v) {
             return v.ct_out("describe", "-fmt", "%[type_scope]p", "brtype:dev@" + v.vob) == "global";
         }},
        {DestroyKind::LockLbtype, "LK", &K::ALLOW_LBTYPE_LOCKS_FROM_REMOTE, &P::ignore_received_label_data, "\"LK\"",
         [](const ReceivingVob& v) { return v.locked("lbtype:LK@" + v.vob); }},
        {DestroyKind::LockBrtype, "BLK", &K::ALLOW_BRTYPE_LOCKS_FROM_REMOTE, &P::ignore_received_branch_data, "\"BLK\"",
         [](const ReceivingVob& v) { return v.locked("brtype:BLK@" + v.vob); }},
        {DestroyKind::LockAttype, "ALK", &K::ALLOW_ATTYPE_LOCKS_FROM_REMOTE, &P::ignore_received_attribute_data,
         "\"ALK\"", [](const ReceivingVob& v) { return v.locked("attype:ALK@" + v.vob); }},
        {DestroyKind::UnlockLbtype, "ULK", &K::ALLOW_LBTYPE_LOCKS_FROM_REMOTE, &P::ignore_received_label_data,
         "\"ULK\"", [](const ReceivingVob& v) { return !v.locked("lbtype:ULK@" + v.vob); }},
        {DestroyKind::LockElement, "g.c", &K::ALLOW_ELEMENT_LOCKS_FROM_REMOTE, nullptr, "/g.c\"",
         [](const ReceivingVob& v) { return v.locked(v.root + "/g.c"); }},
        {DestroyKind::UnlockElement, "h.c", &K::ALLOW_ELEMENT_LOCKS_FROM_REMOTE, nullptr, "/h.c\"",
         [](const ReceivingVob& v) { return !v.locked(v.root + "/h.c"); }},
        {DestroyKind::LockBranch, "k.c@@/main/dev", &K::ALLOW_BRANCH_LOCKS_FROM_REMOTE, nullptr, "k.c@@/main/dev\"",
         [](const ReceivingVob& v) { return v.locked(v.root + "/k.c@@/main/dev"); }},
        {DestroyKind::Rmmerge, "m.c@@/main/2<m.c@@/main/dev/1", nullptr, &P::ignore_received_branch_data,
         "m.c@@/main/2\" <- ",
         [](const ReceivingVob& v) {
             return v.ct_out("describe", "-ahlink", "Merge", v.root + "/m.c@@/main/2").find("Merge <-") ==
                    std::string::npos;
         }},
    };
}

}  // namespace

TEST_P(RequestTable, EachRequestIsCarriedOutOrListedWithItsReason) {
    const Scenario scenario = GetParam();
    // The VOB before the packet: types to remove, rename and lock, locked
    // objects to unlock.
    for (const char* name : {"OLDL", "R1", "LK", "ULK"})
        ASSERT_EQ(ct("mklbtype", "-nc", std::string(name) + "@" + vob), 0);
    for (const char* name : {"oldbr", "rb1", "BLK"}) ASSERT_EQ(ct("mkbrtype", "-nc", std::string(name) + "@" + vob), 0);
    for (const char* name : {"OldAt", "Ra1", "ALK"}) ASSERT_EQ(ct("mkattype", "-nc", std::string(name) + "@" + vob), 0);
    ASSERT_EQ(ct("lock", "lbtype:ULK@" + vob), 0);
    ASSERT_EQ(ct("lock", root + "/h.c"), 0);

    const int allow = scenario == Scenario::RefusedByKey ? 0 : 1;
    for (int K::*flag :
         {&K::ALLOW_RMELEM_DIR_FROM_REMOTE, &K::ALLOW_RMELEM_FILE_FROM_REMOTE, &K::ALLOW_RMBRANCH_FROM_REMOTE,
          &K::ALLOW_RMVER_FROM_REMOTE, &K::ALLOW_RMLBTYPE_FROM_REMOTE, &K::ALLOW_RMBRTYPE_FROM_REMOTE,
          &K::ALLOW_RMATTYPE_FROM_REMOTE, &K::ALLOW_RNLBTYPE_FROM_REMOTE, &K::ALLOW_RNBRTYPE_FROM_REMOTE,
          &K::ALLOW_RNATTYPE_FROM_REMOTE, &K::ALLOW_LBTYPE_LOCKS_FROM_REMOTE, &K::ALLOW_BRTYPE_LOCKS_FROM_REMOTE,
          &K::ALLOW_ATTYPE_LOCKS_FROM_REMOTE, &K::ALLOW_ELEMENT_LOCKS_FROM_REMOTE, &K::ALLOW_BRANCH_LOCKS_FROM_REMOTE})
        settings.allow.*flag = allow;
    const int ignore = scenario == Scenario::IgnoredByProcess ? 1 : 0;
    settings.ignore = {ignore, ignore, ignore};

    const std::vector<Request> table = requests();
    std::vector<std::pair<DestroyKind, std::string>> section;
    for (const Request& r : table) section.emplace_back(r.kind, r.object);
    process_destroy_text(destroy_text(section), settings, packet);
    apply_deferred_locks(settings, packet);

    EXPECT_TRUE(toc.starts_with(HEADER_RMELE_RMTYPES_FOLLOW));
    for (const Request& r : table) {
        bool expect_done = true;
        const char* reason = nullptr;
        if (scenario == Scenario::RefusedByKey && r.permission != nullptr) {
            expect_done = false;
            reason = IGNORED_BY_RECEIVER_KEY;
        }
        if (scenario == Scenario::IgnoredByProcess && r.ignore != nullptr) {
            expect_done = false;
            reason = IGNORED_BY_RECEIVER_PROCESS;
        }
        EXPECT_EQ(r.done(*this), expect_done) << destroy_kind_text(r.kind) << " " << r.object;
        const std::string line = toc_line(r.toc_key);
        EXPECT_FALSE(line.empty()) << "no TOC line for " << r.object << " in\n" << toc;
        if (reason != nullptr) {
            EXPECT_NE(line.find(reason), std::string::npos) << line;
        } else {
            EXPECT_EQ(line.find("(ignored by"), std::string::npos) << line;
            EXPECT_EQ(line.find("(failed)"), std::string::npos) << line;
        }
    }
    // Refusals of requests for existing objects are also logged.
    if (scenario == Scenario::RefusedByKey) {
        EXPECT_EQ(toc_line("\"OLDL\""), "   rmtype lbtype => \"OLDL\"  (ignored by receiver \"key\" request)");
        EXPECT_EQ(toc_line("\"R1\""), "   rntype lbtype => \"R1\" -> \"R2\" (ignored by receiver \"key\" request)");
        EXPECT_TRUE(
            warned("-- Warning: Skipping remote rmtype request for LABEL \"OLDL\" as required by receiver key..."))
            << all_warnings();
        EXPECT_TRUE(
            warned("-- Warning: Skipping remote rntype request for ATTRIBUTE \"Ra1\" -> \"Ra2\" as required by "
                   "receiver key..."))
            << all_warnings();
        EXPECT_TRUE(warned("Skipping remote lock request for ELEMENT \"" + root + "/g.c\" as required by receiver key"))
            << all_warnings();
        EXPECT_TRUE(warned("Skipping remote rmelem request for FILE \"" + vob + "/a.c\" as required by receiver key"))
            << all_warnings();
    }
    if (scenario == Scenario::IgnoredByProcess) {
        EXPECT_TRUE(
            warned("-- Warning: Skipping remote rmtype request for LABEL \"OLDL\" as required by receiver "
                   "process..."))
            << all_warnings();
        EXPECT_TRUE(warned("Skipping remote rmbranch request for BRANCH \"" + vob +
                           "/b.c@@/main/dev\" as required by receiver process"))
            << all_warnings();
    }
    if (scenario == Scenario::Allowed) {
        EXPECT_TRUE(warned("Honored remote label lock for (LK@" + vob + ")")) << all_warnings();
        EXPECT_TRUE(packet.REPLICATED_LABELS.contains("NEWL"));
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, RequestTable,
                         ::testing::Values(Scenario::Allowed, Scenario::RefusedByKey, Scenario::IgnoredByProcess),
                         [](const ::testing::TestParamInfo<Scenario>& param) {
                             switch (param.param) {
                                 case Scenario::Allowed:
                                     return std::string("Allowed");
                                 case Scenario::RefusedByKey:
                                     return std::string("RefusedByKey");
                                 case Scenario::IgnoredByProcess:
                                     break;
                             }
                             return std::string("IgnoredByProcess");
                         });

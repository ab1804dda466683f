// Label, attribute, type, lock and removal requests applied to real VOBs of
// the substitute ClearCase. Started inside ccsandbox by vob_requests_itest.sh.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "codecs/packet_destroy.h"
#include "codecs/packet_post.h"
#include "receiver/metadata/deferred_locks.h"
#include "receiver/metadata/destroy_requests.h"
#include "receiver/metadata/lock_check.h"
#include "receiver/metadata/metadata_messages.h"
#include "receiver/metadata/metadata_steps.h"
#include "receiver/metadata/post_requests.h"
#include "tests/receiver_metadata/vob_fixture.h"

using namespace receiver_metadata;
using vob_fixture::ReceivingVob;

// ---------------------------------------------------------------- labels

using PostRequests = ReceivingVob;

TEST_F(PostRequests, LabelsAndAttributesAreQueuedThenAppliedAfterTheImport) {
    ASSERT_EQ(ct("mklbtype", "-nc", "MOVED@" + vob), 0);
    ASSERT_EQ(ct("mklabel", "lbtype:MOVED@" + vob, root + "/c.c@@/main/1"), 0);
    ASSERT_EQ(ct("mklbtype", "-nc", "OLD@" + vob), 0);
    ASSERT_EQ(ct("mklabel", "lbtype:OLD@" + vob, root + "/a.c@@/main/1"), 0);
    ASSERT_EQ(ct("mkattype", "-nc", "Gone@" + vob), 0);
    ASSERT_EQ(ct("mkattr", "attype:Gone@" + vob, "\"x\"", root + "/a.c@@/main/1"), 0);

    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    ASSERT_EQ(writer.make_label(post, "REL1", "c.c@@/main/2"), 1);      // new label type
    ASSERT_EQ(writer.make_label(post, "REL1", "b.c@@/main/dev/1"), 1);  // back-reference to REL1
    ASSERT_EQ(writer.make_label(post, "MOVED", "c.c@@/main/2"), 1);     // moves from /main/1
    ASSERT_EQ(writer.remove_label(post, "OLD", "a.c@@/main/1"), 1);
    ASSERT_EQ(writer.make_label(post, "REL1", "missing.c@@/main/1"), 1);         // not in this VOB: skipped
    ASSERT_EQ(writer.make_attribute(post, "Status", "new.c@@", "imported"), 1);  // made by the import
    ASSERT_EQ(writer.make_attribute(post, "Status", "c.c@@/main/2", "two\nlines"), 1);
    ASSERT_EQ(writer.make_attribute(post, "Status", "b.c@@/main/dev", "two\nlines"), 1);  // value back-reference
    ASSERT_EQ(writer.make_attribute(post, "Status", "e.c@@", "element"), 1);
    ASSERT_EQ(writer.remove_attribute(post, "Gone", "a.c@@/main/1"), 1);

    process_post_text(post, settings, packet);
    // The missing types count as this packet's at once but are made after
    // the import, which may bring them with their own definition.
    EXPECT_FALSE(type_here(LBTYPE, "REL1"));
    EXPECT_FALSE(type_here(ATTYPE, "Status"));
    EXPECT_TRUE(packet.REPLICATED_LABELS.contains("REL1"));
    EXPECT_TRUE(packet.REPLICATED_ATTRIBUTES.contains("Status"));
    EXPECT_FALSE(packet.REPLICATED_LABELS.contains("MOVED"));
    EXPECT_EQ(packet.COMMANDS_TO_REPEAT.size(), 10u);
    EXPECT_EQ(labels_of(root + "/c.c@@/main/2"), "") << "nothing is applied before the import";

    // The import creates an element that a record names.
    ASSERT_EQ(Command::shell_text("cleartool checkout -nc . && echo 1 > new.c && cleartool mkelem -ci -nc new.c && "
                                  "cleartool checkin -nc .")
                  .cwd(root)
                  .raw(TRASH_ALL)
                  .run(),
              0);
    run_commands_to_repeat(settings, packet);
    EXPECT_TRUE(type_here(LBTYPE, "REL1"));
    EXPECT_TRUE(type_here(ATTYPE, "Status"));
    const std::string both = labels_of(root + "/c.c@@/main/2");  // listed in no fixed order
    EXPECT_TRUE(both == "MOVED REL1" || both == "REL1 MOVED") << both;
    EXPECT_EQ(labels_of(root + "/c.c@@/main/1"), "");
    EXPECT_EQ(labels_of(root + "/b.c@@/main/dev/1"), "REL1");
    EXPECT_EQ(labels_of(root + "/a.c@@/main/1"), "");
    EXPECT_EQ(attributes_of(root + "/c.c@@/main/2"), "Status=\"two\nlines\"");
    EXPECT_EQ(attributes_of(root + "/b.c@@/main/dev"), "Status=\"two\nlines\"");
    EXPECT_EQ(attributes_of(root + "/e.c@@"), "Status=\"element\"");
    EXPECT_EQ(attributes_of(root + "/new.c@@"), "Status=\"imported\"");
    EXPECT_EQ(attributes_of(root + "/a.c@@/main/1"), "");
    EXPECT_TRUE(warnings.empty()) << all_warnings();
}

TEST_F(PostRequests, ATypeTheImportBringsKeepsItsDefinition) {
    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    ASSERT_EQ(writer.make_attribute(post, "Review", "c.c@@/main/2", "3"), 1);
    process_post_text(post, settings, packet);
    // What the import does for a type it carries: made with its value type.
    ASSERT_EQ(ct("mkattype", "-nc", "-vtype", "integer", "Review@" + vob), 0);
    run_commands_to_repeat(settings, packet);
    EXPECT_EQ(ct("mkattr", "-rep", "attype:Review@" + vob, "x", root + "/c.c@@/main/1") == 0, false)
        << "Review must still be an integer type";
    EXPECT_EQ(attributes_of(root + "/c.c@@/main/2"), "Review=3");
    EXPECT_TRUE(warnings.empty()) << all_warnings();
}

TEST_F(PostRequests, IgnoredKindsAreListedAndNeitherMadeNorApplied) {
    settings.ignore.ignore_received_label_data = 1;
    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    ASSERT_EQ(writer.make_label(post, "REL1", "c.c@@/main/2"), 1);
    ASSERT_EQ(writer.make_attribute(post, "Status", "c.c@@/main/2", "ok"), 1);
    process_post_text(post, settings, packet);
    run_commands_to_repeat(settings, packet);
    EXPECT_FALSE(type_here(LBTYPE, "REL1"));
    EXPECT_EQ(labels_of(root + "/c.c@@/main/2"), "");
    EXPECT_EQ(attributes_of(root + "/c.c@@/main/2"), "Status=\"ok\"");
    EXPECT_EQ(toc_line("REL1"), "   mklabel REL1 => \"" + vob + "/c.c@@/main/2\"  " + IGNORED_BY_RECEIVER_PROCESS);
}

TEST_F(PostRequests, AFailedLabelOnALockedTypeSaysTheTypeIsLockedHere) {
    ASSERT_EQ(ct("mklbtype", "-nc", "FROZEN@" + vob), 0);
    ASSERT_EQ(ct("lock", "lbtype:FROZEN@" + vob), 0);
    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    ASSERT_EQ(writer.make_label(post, "FROZEN", "c.c@@/main/2"), 1);
    process_post_text(post, settings, packet);
    run_commands_to_repeat(settings, packet);
    EXPECT_TRUE(warned("-- Trouble applying label FROZEN to \"" + vob + "/c.c@@/main/2\"...")) << all_warnings();
    EXPECT_TRUE(warned("---- lbtype:FROZEN is locked locally...")) << all_warnings();
}

TEST_F(PostRequests, MalformedRecordStopsTheRestWithAWarning) {
    process_post_text("POST>m|REL1|c.c@@/main/2|>m|=7|a.c@@/main/1|>m|REL1|b.c@@/main/1|>", settings, packet);
    EXPECT_EQ(packet.COMMANDS_TO_REPEAT.size(), 1u);
    EXPECT_TRUE(warned("label/attribute record 2")) << all_warnings();
}

TEST_F(PostRequests, BackReferenceTablesKeepTheirLimit) {
    // With room for two names a third new name is carried in full and gets no
    // number, so a reference to number 2 names nothing.
    process_post_text("POST>m|A|c.c@@/main/2|>m|B|c.c@@/main/1|>m|C|a.c@@/main/1|>m|=1|<0|>m|=2|<1|>", settings, packet,
                      2);
    EXPECT_EQ(packet.COMMANDS_TO_REPEAT.size(), 4u);
    EXPECT_TRUE(warned("label/attribute record 5")) << all_warnings();
}

TEST_F(PostRequests, SectionFileLongerThanTheBufferIsCutWithMSG113) {
    const std::string path = std::string(std::getenv("TEST_TMP") ? std::getenv("TEST_TMP") : "/tmp") + "/cut.post";
    {
        std::string post = PostSectionWriter::keyword(true);
        PostSectionWriter writer;
        writer.make_label(post, "REL1", "c.c@@/main/2");
        const std::size_t first = post.size();
        writer.make_label(post, "REL2", "a.c@@/main/1");
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fwrite(post.data(), 1, post.size(), f);
        std::fclose(f);
        ASSERT_EQ(process_post_section(path, settings, packet, first + 3), 1);
    }
    EXPECT_TRUE(warned(MSG_113));
    EXPECT_EQ(packet.COMMANDS_TO_REPEAT.size(), 1u);
    EXPECT_EQ(process_post_section(path + ".missing", settings, packet), 0);
}

TEST_F(PostRequests, SectionFilesBeforeAndAfterTheImport) {
    const std::string dir = std::getenv("TEST_TMP") != nullptr ? std::getenv("TEST_TMP") : "/tmp";
    const std::string post_path = dir + "/packet.post", dhist_path = dir + "/packet.dhist";
    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    ASSERT_EQ(writer.make_label(post, "REL9", "c.c@@/main/2"), 1);
    std::string dhist = destroy_section_keyword(true);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::LockLbtype, "REL9"), 1);
    for (const auto& [path, text] : {std::pair{post_path, post}, std::pair{dhist_path, dhist}}) {
        FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    settings.allow.ALLOW_LBTYPE_LOCKS_FROM_REMOTE = 1;
    ASSERT_EQ(metadata_before_import(post_path, dhist_path, settings, packet), 1);
    EXPECT_FALSE(locked("lbtype:REL9@" + vob)) << "the lock waits for the import";
    metadata_after_import(settings, packet);
    EXPECT_EQ(labels_of(root + "/c.c@@/main/2"), "REL9") << "labels are attached before their type locks";
    EXPECT_TRUE(locked("lbtype:REL9@" + vob));
    EXPECT_EQ(metadata_before_import(post_path, dir + "/missing.dhist", settings, packet), 0);
}

// Names, values and paths from a packet reach cleartool as single quoted
// words: quotes, $(...), backticks, ";" and newlines arrive in the VOB
// verbatim and run nothing. Also the edge cases of single requests.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "codecs/packet_destroy.h"
#include "codecs/packet_post.h"
#include "receiver/metadata/deferred_locks.h"
#include "receiver/metadata/destroy_requests.h"
#include "receiver/metadata/lock_check.h"
#include "receiver/metadata/metadata_messages.h"
#include "receiver/metadata/post_requests.h"
#include "receiver/metadata/type_ops.h"
#include "tests/receiver_metadata/vob_fixture.h"

using namespace receiver_metadata;
using vob_fixture::ReceivingVob;

namespace {

// Commands that a hostile text could start run in the working directory,
// which the test sets to its scratch folder: "canary" appears there if one
// ever ran. (The name has no "/", so it can also be part of an element name.)
std::string canary() {
    return "canary";
}

std::string scratch() {
    const char* tmp = std::getenv("TEST_TMP");
    return tmp != nullptr ? tmp : "/tmp";
}

bool canary_sang() {
    struct stat st;
    return ::lstat((scratch() + "/canary").c_str(), &st) == 0;
}

// Texts that a shell would act on if they were pasted into a command line.
std::vector<std::string> hostile_texts() {
    const std::string c = canary();
    return {
        "it's",
        "$(touch " + c + ")",
        "`touch " + c + "`",
        "a; touch " + c,
        "line one\nline two; touch " + c,
        "\"double\" and 'single'",
        "'; touch " + c + "; echo '",
        "\"; touch " + c + "; echo \"",
        "back\\slash $HOME ${IFS} *",
    };
}

}  // namespace

using HostileRequests = ReceivingVob;

TEST_F(HostileRequests, ValuesAndNamesArriveVerbatimAndRunNothing) {
    ASSERT_EQ(::chdir(scratch().c_str()), 0);
    ::unlink(canary().c_str());
    const std::vector<std::string> texts = hostile_texts();
    const std::vector<std::string> objects = {"c.c@@/main/1", "c.c@@/main/2", "a.c@@/main/1",
                                              "b.c@@/main/1", "e.c@@/main/1", "g.c@@/main/1",
                                              "h.c@@/main/1", "m.c@@/main/1", "m.c@@/main/2"};
    ASSERT_EQ(objects.size(), texts.size());
    // An element whose own name is hostile.
    const std::string element = "q'$(touch " + canary() + ");`touch " + canary() + "`.c";
    ASSERT_EQ(Command::shell_text("cleartool checkout -nc . && : > \"$E\" && cleartool mkelem -ci -nc \"$E\" && "
                                  "cleartool checkin -nc .")
                  .env("E", element)
                  .cwd(root)
                  .raw(TRASH_ALL)
                  .run(),
              0);

    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(writer.make_attribute(post, "Note", objects[i], texts[i]), 1);  // hostile values
    ASSERT_EQ(writer.make_label(post, "PLAIN", element + "@@/main/1"), 1);        // hostile path
    process_post_text(post, settings, packet);
    run_commands_to_repeat(settings, packet);
    EXPECT_TRUE(warnings.empty()) << all_warnings();
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(attributes_of(root + "/" + objects[i]), "Note=\"" + texts[i] + "\"") << texts[i];
    EXPECT_EQ(labels_of(root + "/" + element + "@@/main/1"), "PLAIN");

    // Hostile type names reach ClearCase as single words too; ClearCase
    // refuses them as type names, so no type is made and nothing runs.
    std::string hostile_types = PostSectionWriter::keyword(true);
    PostSectionWriter type_writer;
    for (const std::string& t : texts) {
        ASSERT_EQ(type_writer.make_label(hostile_types, "L" + t, "c.c@@/main/2"), 1);
        ASSERT_EQ(type_writer.make_attribute(hostile_types, "A" + t, "e.c@@", "v"), 1);
    }
    process_post_text(hostile_types, settings, packet);
    run_commands_to_repeat(settings, packet);
    for (const std::string& t : texts) {
        EXPECT_FALSE(type_here(LBTYPE, "L" + t)) << t;
        EXPECT_FALSE(type_here(ATTYPE, "A" + t)) << t;
    }

    // The same hostile names in removal and lock requests.
    settings.allow.ALLOW_LBTYPE_LOCKS_FROM_REMOTE = 1;
    settings.allow.ALLOW_RNATTYPE_FROM_REMOTE = 1;
    settings.allow.ALLOW_ELEMENT_LOCKS_FROM_REMOTE = 1;
    settings.allow.ALLOW_RMELEM_FILE_FROM_REMOTE = 1;
    ASSERT_EQ(ct("mkattype", "-nc", "Plain@" + vob), 0);
    std::string dhist = destroy_section_keyword(true);
    for (const std::string& t : texts) ASSERT_EQ(append_destroy_record(dhist, DestroyKind::LockLbtype, "L" + t), 1);
    const std::vector<std::string> renamed = {"'$(touch${IFS}canary)", "`touch${IFS}canary`", ";touch${IFS}canary",
                                              "\ntouch${IFS}canary", "it's$HOME"};
    for (const std::string& r : renamed)
        ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RnAttype, "Plain:B" + r), 1);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::LockElement, element), 1);
    process_destroy_text(dhist, settings, packet);
    apply_deferred_locks(settings, packet);
    for (const std::string& r : renamed) EXPECT_FALSE(type_here(ATTYPE, "B" + r)) << r;
    EXPECT_TRUE(type_here(ATTYPE, "Plain"));
    EXPECT_TRUE(locked(root + "/" + element));
    ASSERT_EQ(ct("unlock", root + "/" + element), 0);
    std::string removal = destroy_section_keyword(true);
    ASSERT_EQ(append_destroy_record(removal, DestroyKind::RmelemFile, element), 1);
    process_destroy_text(removal, settings, packet);
    EXPECT_FALSE(exists_in_view(element));
    EXPECT_FALSE(canary_sang()) << "a packet text ran a command";
}

TEST_F(HostileRequests, PathsLeavingTheVobAndOptionLikeNamesAreRefused) {
    settings.allow.ALLOW_RMELEM_FILE_FROM_REMOTE = 1;
    settings.allow.ALLOW_RMLBTYPE_FROM_REMOTE = 1;
    ASSERT_EQ(ct("mklbtype", "-nc", "KEEP@" + vob), 0);
    std::string dhist = destroy_section_keyword(true);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RmelemFile, "../" + vob.substr(6) + "/a.c"), 1);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RmLbtype, "KEEP@" + vob), 1);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RmLbtype, "-rmall"), 1);
    process_destroy_text(dhist, settings, packet);
    EXPECT_TRUE(exists_in_view("a.c"));
    EXPECT_TRUE(type_here(LBTYPE, "KEEP"));
    EXPECT_TRUE(warned("the path leaves the replicated directory")) << all_warnings();
    EXPECT_TRUE(warned("not a type name this receiver accepts")) << all_warnings();

    std::string post = PostSectionWriter::keyword(true);
    PostSectionWriter writer;
    ASSERT_EQ(writer.make_label(post, "-recurse", "c.c@@/main/2"), 1);
    ASSERT_EQ(writer.make_label(post, "OK", "d/../../x@@/main/1"), 1);
    process_post_text(post, settings, packet);
    EXPECT_TRUE(packet.COMMANDS_TO_REPEAT.empty());
}

using SingleRequests = ReceivingVob;

TEST_F(SingleRequests, ATypeMadeAndRemovedInOnePacketStays) {
    settings.allow.ALLOW_RMLBTYPE_FROM_REMOTE = 1;
    std::string dhist = destroy_section_keyword(true);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::MkLbtype, "TMP"), 1);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RmLbtype, "TMP"), 1);
    process_destroy_text(dhist, settings, packet);
    EXPECT_TRUE(type_here(LBTYPE, "TMP"));
}

TEST_F(SingleRequests, ElementRemovalOfTheWrongKindIsSkipped) {
    settings.allow.ALLOW_RMELEM_DIR_FROM_REMOTE = 1;
    settings.allow.ALLOW_RMELEM_FILE_FROM_REMOTE = 1;
    std::string dhist = destroy_section_keyword(true);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RmelemDir, "a.c"), 1);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::RmelemFile, "d"), 1);
    process_destroy_text(dhist, settings, packet);
    EXPECT_TRUE(exists_in_view("a.c"));
    EXPECT_TRUE(exists_in_view("d"));
    EXPECT_TRUE(warned("-- Warning: Skipping rmelem for \"" + vob +
                       "/a.c\" ...\n            shipper location requested rmelem for DIRECTORY, but the element is a "
                       "FILE at this location..."))
        << all_warnings();
    EXPECT_TRUE(warned("requested rmelem for FILE, but the element is a DIRECTORY")) << all_warnings();
}

TEST_F(SingleRequests, ALockedTypeIsUnlockedForTheImportAndLockedAfterIt) {
    settings.allow.ALLOW_LBTYPE_LOCKS_FROM_REMOTE = 1;
    ASSERT_EQ(ct("mklbtype", "-nc", "LK@" + vob), 0);
    ASSERT_EQ(ct("lock", "lbtype:LK@" + vob), 0);
    std::string dhist = destroy_section_keyword(true);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::LockLbtype, "LK"), 1);
    ASSERT_EQ(append_destroy_record(dhist, DestroyKind::LockLbtype, "MISSING"), 1);
    process_destroy_text(dhist, settings, packet);
    EXPECT_FALSE(locked("lbtype:LK@" + vob));
    EXPECT_TRUE(type_here(LBTYPE, "MISSING")) << "a type to lock is made for the import";
    EXPECT_EQ(toc.find(HEADER_LBTYPE_LOCK), toc.rfind(HEADER_LBTYPE_LOCK)) << "header once";
    apply_deferred_locks(settings, packet);
    EXPECT_TRUE(locked("lbtype:LK@" + vob));
    EXPECT_TRUE(locked("lbtype:MISSING@" + vob));
}

TEST_F(SingleRequests, QuickLockChecksReadTheAnswerAndRememberTheLastName) {
    for (const char* name : {"FREE", "ALL", "EXCEPTME", "EXCEPTOTHERS"})
        ASSERT_EQ(ct("mklbtype", "-nc", std::string(name) + "@" + vob), 0);
    ASSERT_EQ(ct("lock", "lbtype:ALL@" + vob), 0);
    ASSERT_EQ(ct("lock", "-nusers", "root", "lbtype:EXCEPTME@" + vob), 0);
    ASSERT_EQ(ct("lock", "-nusers", "someone", "lbtype:EXCEPTOTHERS@" + vob), 0);
    EXPECT_EQ(quick_label_lock_check("FREE", settings, packet), 0);
    EXPECT_EQ(quick_label_lock_check("ALL", settings, packet), 1);
    EXPECT_EQ(quick_label_lock_check("EXCEPTME", settings, packet), 0) << "lslock succeeds, but not for this user";
    EXPECT_EQ(quick_label_lock_check("EXCEPTOTHERS", settings, packet), 1);

    ASSERT_EQ(ct("mkattype", "-nc", "At@" + vob), 0);
    EXPECT_EQ(quick_attribute_lock_check("At", settings, packet), 0);
    ASSERT_EQ(ct("lock", "attype:At@" + vob), 0);
    EXPECT_EQ(quick_attribute_lock_check("At", settings, packet), 0) << "the same name again runs no command";
    ASSERT_EQ(ct("mkattype", "-nc", "Other@" + vob), 0);
    EXPECT_EQ(quick_attribute_lock_check("Other", settings, packet), 0);
    EXPECT_EQ(quick_attribute_lock_check("At", settings, packet), 1);
}

TEST_F(SingleRequests, TypesNeededByTheImportAreMadeWithTheirScope) {
    EXPECT_EQ(if_type_not_exists__create_it__log_errors(settings, packet, TypeKind::Branch, true, "rel_2"), 1);
    EXPECT_EQ(ct_out("describe", "-fmt", "%[type_scope]p", "brtype:rel_2@" + vob), "global");
    EXPECT_TRUE(packet.REPLICATED_BRANCHES.contains("rel_2"));
    EXPECT_EQ(if_type_not_exists__create_it__log_errors(settings, packet, TypeKind::Label, false, "REL"), 1);
    EXPECT_EQ(ct_out("describe", "-fmt", "%[type_scope]p", "lbtype:REL@" + vob), "ordinary");
    EXPECT_EQ(if_type_not_exists__create_it__log_errors(settings, packet, TypeKind::Branch, false, "dev"), 1);
    EXPECT_TRUE(warnings.empty()) << all_warnings();
    EXPECT_FALSE(packet.REPLICATED_BRANCHES.contains("dev")) << "a type that was there is not counted as made";

    settings.vob_tag = "/vobs/nowhere";
    EXPECT_EQ(if_type_not_exists__create_it__log_errors(settings, packet, TypeKind::Label, true, "X"), 0);
    EXPECT_TRUE(
        warned("-- Warning: Could not create needed \"global\" label:X in VOB (/vobs/nowhere).  Labels of this "
               "type may not replicate..."))
        << all_warnings();
}

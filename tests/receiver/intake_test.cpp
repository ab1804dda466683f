// Pieces of the packet road that decide on names and texts from outside:
// which entries of a receiving directory are packets, what a descriptor
// says, when an lslock answer means locked, how often a locked VOB is
// reported, and what the trigger scripts are told.
#include <gtest/gtest.h>

#include <string>

#include "common/depot.h"
#include "receiver/config/receiver_messages.h"
#include "receiver/config/receiver_state.h"
#include "receiver/intake/descriptor.h"
#include "receiver/intake/locked_vobs.h"
#include "receiver/intake/packet_family.h"
#include "receiver/intake/vob_checks.h"
#include "receiver/triggers/receiver_triggers.h"

namespace {

TEST(PacketFamily, EntriesOfAReceivingDirectory) {
    const struct {
        const char* name;
        EntryKind kind;
    } rows[] = {
        {"epoc.001.east.west.pack", EntryKind::Descriptor},
        {"epoc.1234.east.west-2.pack", EntryKind::Descriptor},
        {"epoc.001.east.west.pack_pending", EntryKind::LeftoverPending},
        {"epoc.001.east.west.crc", EntryKind::Unrelated},
        {"epoc.001.east.west.epoc", EntryKind::Unrelated},
        {"zeb.0001", EntryKind::Unrelated},
        {"receiver.cs", EntryKind::Unrelated},
        {"epoc.001.east.west.packed", EntryKind::Foreign},
        {"epoc.01.east.west.pack", EntryKind::Foreign},
        {"epoc.00a.east.west.pack", EntryKind::Foreign},
        {"epoc.001.east.pack", EntryKind::Foreign},
        {"epoc.001.ea st.west.pack", EntryKind::Foreign},
        {"epoc.001.east.we\\st.pack", EntryKind::Foreign},
        {"epoc.001.east.we.st.pack", EntryKind::Foreign},
        {"notes.pack", EntryKind::Foreign},
        {".pack", EntryKind::Foreign},
        {"mship.001.east.pack", EntryKind::Foreign},
    };
    for (const auto& row : rows) EXPECT_EQ(row.kind, classify_receiving_entry(row.name)) << row.name;
}

TEST(PacketFamily, NamesStayInTheReceivingDirectory) {
    PacketFamily f = packet_family("/in", "epoc.001.east.west.pack");
    EXPECT_EQ("/in/epoc.001.east.west.pack_pending", f.pending);
    EXPECT_EQ("/in/epoc.001.east.west.crc", f.data);
    EXPECT_EQ("/in/epoc.001.east.west.epoc", f.confirmation);
    EXPECT_EQ("/in/receiver.cs", f.config_spec);
    PacketFamily leftover = packet_family("/in", "epoc.001.east.west.pack_pending");
    EXPECT_EQ(f.pending, leftover.pending);
    EXPECT_EQ(f.decrypting, leftover.decrypting);
}

TEST(Descriptor, CountAndTag) {
    const struct {
        const char* text;
        long versions;
        const char* tag;
    } rows[] = {
        {"10-Dec-2026.06:00:00 UTC +0\n</vobs/dst>\n[12]\nsha256 0 ab", 12, "/vobs/dst"},
        {"10-Dec-2026.06:00:00 UTC +0\n[1]", 1, ""},
        {"10-Dec-2026.06:00:00 UTC +0\n</vobs/a b>", -1, "/vobs/a b"},
        {"10-Dec-2026.06:00:00 UTC +0\n<\\vobs\\win>\n[3]", 3, ""},
        {"x /early <vobs/dst> y /late>", -1, "/dst"},
        {"no fields at all", -1, ""},
    };
    for (const auto& row : rows) {
        DescriptorFacts facts = parse_packet_descriptor(row.text);
        EXPECT_EQ(row.versions, facts.versions) << row.text;
        EXPECT_EQ(row.tag, facts.vob_tag) << row.text;
    }
    // Fields are looked for in the first 1023 bytes only.
    DescriptorFacts late = parse_packet_descriptor(std::string(1100, ' ') + "</vobs/x>[5]");
    EXPECT_EQ(-1, late.versions);
    EXPECT_EQ("", late.vob_tag);
}

TEST(VobLock, LslockAnswers) {
    const struct {
        const char* answer;
        bool locked;
    } rows[] = {
        {"", false},
        {"Locked for all users.\n", true},
        {"Locked for all users (obsolete).\n", true},
        {"Locked except for users: alice bob\n", false},
        {"Locked except for users: bob alice\n", false},
        {"Locked except for users: alicex bob\n", true},
        {"Locked except for users: bob\nalice\n", true},
        {"locked for all users.\n", false},
    };
    for (const auto& row : rows) EXPECT_EQ(row.locked, lslock_answer_locks(row.answer, "alice")) << row.answer;
}

TEST(LockedVobs, ReportedOnceWhileLookedAtWithin30Seconds) {
    LockedVobMemory memory;
    EXPECT_TRUE(memory.note_locked("/vobs/a", 1000));
    EXPECT_FALSE(memory.note_locked("/vobs/a", 1003));
    EXPECT_FALSE(memory.note_locked("/vobs/a", 1030));  // 27 s after the last look
    EXPECT_TRUE(memory.note_locked("/vobs/b", 1030));
    EXPECT_TRUE(memory.note_locked("/vobs/a", 1060));  // 30 s without a look
    memory.note_unlocked("/vobs/a");
    EXPECT_TRUE(memory.note_locked("/vobs/a", 1061));  // locked again: reported at once
}

TEST(LockedVobs, AFullMemoryReportsEveryTime) {
    LockedVobMemory memory;
    for (std::size_t i = 0; i < LOCKED_VOB_SLOTS; ++i) memory.note_locked("/vobs/" + std::to_string(i), 1000);
    EXPECT_TRUE(memory.note_locked("/vobs/extra", 1001));
    EXPECT_TRUE(memory.note_locked("/vobs/extra", 1002));
    EXPECT_FALSE(memory.note_locked("/vobs/0", 1002));
}

std::string value_of(const TriggerEnvironment& env, const std::string& name) {
    for (const auto& [n, v] : env)
        if (n == name) return v;
    return "<absent>";
}

TEST(TriggerEnvironment, ReceivingLineAndPacketName) {
    LOG_DIR = "/d/logs";
    RECEIVER.WHICH_RECEIVER_CONFIG = "site2";
    const struct {
        const char* line;
        const char* dir;
        const char* protections;
    } rows[] = {
        {"/vobs/x>exactly=owner:group", "/vobs/x", "exactly=owner:group"},
        {"/vobs/x > exactly=owner:group > allow_rmver", "/vobs/x ", "exactly=owner:group"},
        {"/vobs/x>exactly=:grp", "/vobs/x", "receiver"},
        {"/vobs/x>exactly=own:", "/vobs/x", "receiver"},
        {"/vobs/x>exactly=o:", "/vobs/x", "receiver"},
        {"/vobs/x", "/vobs/x", "receiver"},
        {"/vobs/x>preserve>allow_rmver", "/vobs/x", "preserve"},
        {"/vobs/x>whatever", "/vobs/x", "receiver"},
    };
    for (const auto& row : rows) {
        PacketTriggerFacts facts;
        facts.package_path = "/in/epoc.042.east.west.pack";
        facts.receiving_line = row.line;
        TriggerEnvironment env = set_receiver_envs(TRIGGER_PRE_RECEIVE, "east", facts);
        EXPECT_EQ(row.dir, value_of(env, "VANDREL_RECEIVING_DIR")) << row.line;
        EXPECT_EQ(row.protections, value_of(env, "VANDREL_RECEIVING_PROTECTIONS")) << row.line;
        EXPECT_EQ("epoc.042.east.west.pack", value_of(env, "VANDREL_PACKAGE_NAME"));
        EXPECT_EQ("042", value_of(env, "VANDREL_KEY_ID"));
        EXPECT_EQ("east", value_of(env, "VANDREL_RECEIVING_LOCATION"));
        EXPECT_EQ("west", value_of(env, "VANDREL_SHIPPING_LOCATION"));
        EXPECT_EQ("site2", value_of(env, "VANDREL_RECEIVER_WHICH"));
        EXPECT_EQ("Pending", value_of(env, "VANDREL_PACKET_STATUS"));
        EXPECT_EQ("", value_of(env, "VANDREL_PACKAGE_TYPE"));
        EXPECT_EQ("", value_of(env, "VANDREL_DEPLOYMENT_DIR"));
        EXPECT_EQ("/d/logs", value_of(env, "VANDREL_LOGGING_DIR"));
    }
    RECEIVER.WHICH_RECEIVER_CONFIG.clear();
}

TEST(TriggerEnvironment, PostReceiveStatusAndDestination) {
    const struct {
        int status;
        bool deployment;
        const char* word;
    } rows[] = {
        {PACKET_COMPLETED, false, "OK"},
        {PACKET_NOT_COMPLETED, true, "NOK"},
        {PACKET_COMPLETED_WITH_WARNINGS, false, "OK with Warnings"},
        {0, false, "???"},
    };
    for (const auto& row : rows) {
        PacketTriggerFacts facts;
        facts.package_path = "/in/epoc.042.east.west.pack";
        facts.receiving_line = "/in";
        facts.status = row.status;
        facts.deployment = row.deployment;
        facts.destination = row.deployment ? "/srv/deploy" : "/vobs/dst";
        TriggerEnvironment env = set_receiver_envs(TRIGGER_POST_RECEIVE, "east", facts);
        EXPECT_EQ(row.word, value_of(env, "VANDREL_PACKET_STATUS"));
        EXPECT_EQ(row.deployment ? "vob_to_flat" : "vob_to_vob", value_of(env, "VANDREL_PACKAGE_TYPE"));
        EXPECT_EQ(row.deployment ? "/srv/deploy" : "", value_of(env, "VANDREL_DEPLOYMENT_DIR"));
        EXPECT_EQ(row.deployment ? "" : "/vobs/dst", value_of(env, "VANDREL_RECEIVING_VOB"));
        EXPECT_EQ("post_receive", value_of(env, "VANDREL_TRIGGER_TYPE"));
    }
}

}  // namespace

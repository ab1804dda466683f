// The shipping pass's use of the transport, played against a real transfer
// program: confirmation fetches and packet sends over several passes, with a
// simulated receiver renaming files in the receiving directory.
#pragma once

#include <random>

#include "codecs/packet_integrity.h"
#include "shipper/transport/confirmation.h"
#include "shipper/transport/instructions.h"
#include "shipper/transport/session.h"
#include "shipper/transport/trailer.h"
#include "transport_support.h"

class PassFixture : public TransportFixture {
protected:
    // One confirmation fetch as the shipping pass makes it.
    ConfirmationResult confirm() {
        return fetch_confirmation(transport, local(E), local(E + ".verify"), local(E + ".out"), local(E + ".err"),
                                  "east");
    }

    // Writes a packet of three files and its trailer, and sends them.
    int send(const std::string& epoch, bool lose_a_part = false) {
        std::mt19937 random(7);
        for (const char* suffix : {".crc", ".crc_1", ".crc_2"}) {
            std::string bytes(200000, '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            write_file(local(E + suffix), bytes);
        }
        if (write_packet_trailer(local(E + ".pack"), epoch, false, "/vobs/dest", 3, local(E + ".crc"), 2) != 1)
            return -1;
        if (lose_a_part) std::filesystem::remove(local(E + ".crc_1"));
        const std::string script = local(E + ".send");
        if (!make_instructions(transport, script, local(E + ".crc"), 2, local(E + ".pack"), local(E + ".holla")))
            return -1;
        return follow_instructions(transport, script, local(E + ".out"), local(E + ".err"), local(E + ".holla"), "east",
                                   true);
    }

    // A packet, the receiver busy with it, its confirmation, then later
    // confirmations replacing the local copy pass after pass, and an empty
    // busy flag.
    void passes_in_a_row() {
        // Nothing at the receiver yet: the missing epoch and busy flag are normal.
        ASSERT_EQ(confirm(), ConfirmationResult::Confirmed) << error_log();
        EXPECT_FALSE(exists(local(E + ".epoc")));

        ASSERT_EQ(send("1-Dec-2026.1:0:0 UTC 0"), 1) << error_log();
        for (const char* suffix : {".crc", ".crc_1", ".crc_2", ".pack"})
            EXPECT_EQ(read_file(remote(E + suffix)), read_file(local(E + suffix))) << suffix;
        std::string detail;
        EXPECT_EQ(check_packet_integrity(read_file(remote(E + ".pack")), remote(E + ".crc"), detail),
                  PacketIntegrity::Whole)
            << detail;
        EXPECT_FALSE(exists(remote(E + ".holla")));

        // The receiver is working on it: a non-empty busy flag.
        std::filesystem::rename(remote(E + ".pack"), remote(E + ".pack_pending"));
        ASSERT_EQ(confirm(), ConfirmationResult::ReceiverBusy) << error_log();

        // Applied and confirmed; then later confirmations replace the local copy
        // of the last pass, pass after pass.
        std::filesystem::rename(remote(E + ".pack_pending"), remote(E + ".epoc"));
        for (const char* epoch :
             {"", "2-Dec-2026.1:0:0 UTC 0\n", "3-Dec-2026.1:0:0 UTC 0\n", "4-Dec-2026.1:0:0 UTC 0\n"}) {
            SCOPED_TRACE(epoch);
            if (epoch[0] != '\0') write_file(remote(E + ".epoc"), epoch);
            ASSERT_EQ(confirm(), ConfirmationResult::Confirmed) << error_log();
            EXPECT_EQ(read_file(local(E + ".epoc")), read_file(remote(E + ".epoc")));
        }

        // An empty busy flag does not hold the shipper back.
        write_file(remote(E + ".pack_pending"), "");
        ASSERT_EQ(confirm(), ConfirmationResult::Confirmed) << error_log();
        // Nothing of the session is left behind but the epoch.
        for (const char* suffix : {".verify", ".out", ".err", ".holla", ".pack_pending"})
            EXPECT_FALSE(exists(local(E + suffix))) << suffix;
        EXPECT_FALSE(exists(remote(E + ".holla")));
        EXPECT_EQ(error_log(), "");
    }

    // A part that cannot be uploaded fails the session, and the receiver
    // never gets a trailer for the incomplete packet.
    void a_lost_part() {
        ASSERT_EQ(send("1-Dec-2026.1:0:0 UTC 0"), 1) << error_log();
        std::filesystem::remove(remote(E + ".pack"));  // taken by the receiver
        EXPECT_EQ(send("2-Dec-2026.1:0:0 UTC 0", true), 0);
        EXPECT_FALSE(exists(remote(E + ".pack")));
        EXPECT_NE(error_log().find("shipping errors ---- "), std::string::npos) << error_log();
        EXPECT_NE(error_log().find(E + ".crc_1"), std::string::npos) << error_log();
    }

    const std::string E = "epoc.007.east.west";
};

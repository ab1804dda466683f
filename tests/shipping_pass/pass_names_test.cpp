// The pass's file names and the export command it runs inside the view.
#include <gtest/gtest.h>

#include <string>

#include "shipper/pass/history_export.h"
#include "shipper/pass/pass_names.h"

namespace {

TEST(PassNames, EveryNameOfOnePass) {
    const PassNames n = form_pass_names({"/b/_ship_out", "/b/epocs", "/b/_hold_out", "/b/config/config_specs"}, 7,
                                        "siteB", "siteA", 4242);
    EXPECT_EQ("/b/_ship_out/mship.007.siteB", n.request);
    EXPECT_EQ("mship.007.siteB", n.request_name);
    EXPECT_EQ("mship.007.siteB.siteA", n.packet_name);
    EXPECT_EQ("reading.007.siteB.siteA", n.lock_name);
    EXPECT_EQ("/b/epocs/epoc.007.siteB.siteA.bld", n.building);
    EXPECT_EQ("/b/epocs/epoc.007.siteB.siteA.pack_pending", n.busy_flag);
    EXPECT_EQ("/b/_hold_out/epoc.007.siteB.siteA.crc", n.held_packet);
    EXPECT_EQ("/b/config/config_specs/007.cs", n.config_spec);
    EXPECT_EQ("/b/_ship_out/__vl_4242_007.cs", n.edited_config_spec);
    // The three transport files share their first 80 random characters.
    const std::size_t shared = n.base.size() + 1 + TRANSPORT_NAME_SHARED;
    ASSERT_EQ(shared + TRANSPORT_NAME_TAIL, n.script.size());
    EXPECT_EQ(n.script.substr(0, shared), n.output.substr(0, shared));
    EXPECT_EQ(n.script.substr(0, shared), n.errors.substr(0, shared));
    EXPECT_NE(n.script, n.output);
    EXPECT_TRUE(is_transport_file_of("epoc.007.siteB.siteA", n.script.substr(n.script.rfind('/') + 1)));
}

TEST(PassNames, OnlyTransportFilesOfThisBaseAreTakenForLeftovers) {
    const std::string base = "epoc.007.siteB.siteA";
    const std::string tail(TRANSPORT_NAME_SHARED + TRANSPORT_NAME_TAIL, 'a');
    EXPECT_TRUE(is_transport_file_of(base, base + "." + tail));
    EXPECT_FALSE(is_transport_file_of(base, base + ".epoc"));
    EXPECT_FALSE(is_transport_file_of(base, base + "." + tail + "a"));
    EXPECT_FALSE(is_transport_file_of(base, "epoc.007.siteB.siteX." + tail));
    EXPECT_FALSE(is_transport_file_of(base, base + "." + tail.substr(1) + "!"));
}

TEST(HistoryExport, EveryValueIsOneQuotedWord) {
    struct Case {
        std::string path;
        bool is_dir;
        std::string since;
        std::string text;
    };
    const Case cases[] = {
        {"/vobs/src", true, "", "cd /vobs/src ; clearexport_ccase -r -o /e/x.crx > /dev/null"},
        {"/vobs/src/sub", true, "6-Dec-2026.7:26:5",
         "cd /vobs/src/sub ; clearexport_ccase -r -s 6-Dec-2026.7:26:5 -o /e/x.crx > /dev/null"},
        {"/vobs/src/a b/f.c", false, "", "cd '/vobs/src/a b' ; clearexport_ccase -o /e/x.crx f.c > /dev/null"},
        {"/vobs/src/$(reboot)'x", true, "",
         "cd '/vobs/src/$(reboot)'\\''x' ; clearexport_ccase -r -o /e/x.crx > /dev/null"},
        {"/vobs/src/d/`id`;.c", false, "1-Jan-2020.0:0:0",
         "cd /vobs/src/d ; clearexport_ccase -s 1-Jan-2020.0:0:0 -o /e/x.crx '`id`;.c' > /dev/null"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, export_command_text(c.path, c.is_dir, c.since, "/e/x.crx")) << c.path;
}

}  // namespace

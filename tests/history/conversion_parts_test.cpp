// Pieces of the conversion that need no ClearCase: since times, checkout
// names, and the refusals that leave nothing behind.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "common/file_ops.h"
#include "common/since.h"
#include "shipper/history/conversion.h"
#include "shipper/history/header_records.h"
#include "shipper/history/since_time.h"
#include "tests/support/scratch_dir.h"

namespace {

TEST(SinceTime, RoundTripsTheSinceText) {
    for (std::time_t t : {std::time_t(1765000000), std::time_t(1781234567), std::time(nullptr)}) {
        const std::string since = calc_since(t, "-5");
        EXPECT_EQ(time_of(since), t) << since;
    }
    std::tm tm{};
    tm.tm_mday = 6;
    tm.tm_mon = 11;
    tm.tm_year = 126;
    tm.tm_hour = 7;
    tm.tm_min = 26;
    tm.tm_sec = 5;
    tm.tm_isdst = -1;
    const std::time_t expected = std::mktime(&tm);
    EXPECT_EQ(time_of("6-Dec-2026.7:26:5 UTC -5"), expected);
    EXPECT_EQ(time_of("6-Dec-2026.7:26:5"), expected);
}

TEST(CheckoutNames, RelativeToTheReplicatedDirectory) {
    struct Case {
        const char* name;
        const char* dir;
        bool inside;
        const char* value;
    } cases[] = {
        {"/view/v/vobs/src@@/main/CHECKEDOUT", "/view/v/vobs/src", true, ""},
        {"/view/v/vobs/src/lib/a.c@@/main/dev/CHECKEDOUT", "/view/v/vobs/src", true, "lib/a.c@@/main/dev"},
        {"/view/v/vobs/src/lib/a.c@@/main/CHECKEDOUT", "/view/v/vobs/src/lib", true, "a.c@@/main"},
        {"/view/v/vobs/srcx/a.c@@/main/CHECKEDOUT", "/view/v/vobs/src", false, ""},
        {"/view/v/vobs/a.c@@/main/CHECKEDOUT", "/view/v/vobs/src", false, ""},
        {"no extended name", "/view/v/vobs/src", false, ""},
    };
    for (const Case& c : cases) {
        std::string value = "unchanged";
        EXPECT_EQ(checkedout_value(c.name, c.dir, value), c.inside) << c.name;
        if (c.inside) {
            EXPECT_EQ(value, c.value) << c.name;
        }
    }
}

// A deployment request over a scratch folder (no ClearCase needed).
ConversionRequest deployment_in(const ScratchDir& dir) {
    ConversionRequest rq;
    rq.export_path = dir / "p.crx";
    rq.head_path = dir / "p.crxi";
    rq.nele_path = dir / "p.nele";
    rq.config_spec_path = dir / "1.cs";
    rq.tmp_dir = dir.path();
    rq.location = "r";
    rq.is_deployment = true;
    rq.deploy_location = "/srv/d";
    return rq;
}

TEST(ConversionRefusals, ShortExportOrMissingConfigSpecLeaveNothing) {
    ScratchDir dir;
    ConversionRequest rq = deployment_in(dir);
    write_file(rq.export_path, "tiny");
    EXPECT_EQ(convert_file(rq), 0);
    EXPECT_FALSE(exists(rq.head_path));

    write_file(rq.export_path, "ExportFromDir 9:/no/where\nDIR_BEGIN\nDirName 1:.\nDIR_END\n");
    EXPECT_EQ(convert_file(rq), 0);  // no config spec
    EXPECT_FALSE(exists(rq.head_path));
    EXPECT_FALSE(exists(rq.nele_path));
    EXPECT_FALSE(exists(rq.head_path + ".pre"));

    write_file(rq.config_spec_path, "element * /main/LATEST\n");
    ASSERT_EQ(convert_file(rq), 1);
    // No data files: the head ends with the final marker.
    const std::string head = read_file(rq.head_path);
    EXPECT_EQ(head.substr(head.size() - 32), "+=_=#ZEB-=_+F.I.L.E+=-BREAK#=_=+");
    remove_ship_files();
}

}  // namespace

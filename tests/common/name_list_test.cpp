// Name lists: set membership with insertion order and the "|a|b|" text form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_ops.h"
#include "common/name_list.h"
#include "../support/scratch_dir.h"

namespace {

TEST(NameList, OrderDuplicatesAndText) {
    NameList list;
    EXPECT_EQ(list.text(), "|");
    EXPECT_TRUE(list.push("b"));
    EXPECT_TRUE(list.push("a"));
    EXPECT_FALSE(list.push("b"));
    EXPECT_TRUE(list.push("c"));
    EXPECT_EQ(list.text(), "|b|a|c|");
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), (std::vector<std::string>{"b", "a", "c"}));
    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(list.contains("a"));
    EXPECT_EQ(list.text(), "|");
}

TEST(NameList, MembershipIsByWholeName) {
    NameList list;
    list.push("/tmp/ab");
    EXPECT_TRUE(list.contains("/tmp/ab"));
    EXPECT_FALSE(list.contains("/tmp/a"));
    EXPECT_FALSE(list.contains("b"));
    EXPECT_FALSE(list.contains("ab"));
}

TEST(NameList, ManyNamesStayFindable) {
    // Growth must not invalidate the index (names are kept where they are).
    NameList list;
    for (int i = 0; i < 100000; ++i) list.push("file_" + std::to_string(i));
    for (int i = 0; i < 100000; i += 997) EXPECT_TRUE(list.contains("file_" + std::to_string(i)));
    EXPECT_FALSE(list.push("file_5"));
    EXPECT_EQ(list.size(), 100000u);
}

TEST(ExtractedFiles, RemovedAtEndOfPassAndListEmptied) {
    ScratchDir dir;
    EXTRACTED_FILES.clear();
    std::vector<std::string> files = {dir / "one", dir / "two", dir / "three"};
    for (const std::string& f : files) {
        write_file(f, "x");
        push_extracted_file(f);
    }
    push_ship_file(files[0]);  // duplicates are ignored
    push_extracted_file(dir / "never_created");
    EXPECT_EQ(EXTRACTED_FILES.size(), 4u);
    remove_extracted_files();
    for (const std::string& f : files) EXPECT_FALSE(exists(f)) << f;
    EXPECT_TRUE(EXTRACTED_FILES.empty());
}

TEST(ListedFiles, PushAndQuery) {
    LISTED_FILES.clear();
    push_listed_file("src/a.c");
    push_listed_file("src/a.c");
    EXPECT_EQ(is_listed_file("src/a.c"), 1);
    EXPECT_EQ(is_listed_file("src/a"), 0);
    EXPECT_EQ(LISTED_FILES.text(), "|src/a.c|");
    LISTED_FILES.clear();
}

}  // namespace

// lshistory event texts, checked the way a history reader takes them apart:
// the type name between the first two double quotes, the object after
// `" on ` / `" from `, the attribute value after `" with value "` up to `".`.
#include "clearcase/fmt/history_text.h"

#include <gtest/gtest.h>

#include "clearcase/fmt/fmt.h"

namespace {

std::string line_of(const ccsub::EventText& e, const std::string& name) {
    ccsub::ObjectFacts f;
    f.op = e.op;
    f.kind = e.kind;
    f.event = e.description;
    f.comment = e.comment;
    f.pname = name;
    return ccsub::format_object("%o %m %e %n\\|%Nc\\n", f);  // as sh delivers it
}

std::string between_first_quotes(const std::string& line) {
    size_t a = line.find('"');
    size_t b = line.find('"', a + 1);
    return line.substr(a + 1, b - a - 1);
}

// The "<kind> "<path>"" part after `" on ` or `" from `.
std::string object_part(const std::string& line) {
    for (const char* key : {"\" on ", "\" from "}) {
        size_t p = line.find(key);
        if (p != std::string::npos) {
            size_t start = p + std::char_traits<char>::length(key);
            size_t q1 = line.find('"', start);
            size_t q2 = line.find('"', q1 + 1);
            return line.substr(start, q2 + 1 - start);
        }
    }
    return {};
}

std::string value_part(const std::string& text) {
    const std::string key = "\" with value \"";
    size_t p = text.find(key);
    if (p == std::string::npos) return {};
    size_t start = p + key.size();
    size_t end = text.find("\".\n", start);
    return text.substr(start, end - start);
}

TEST(HistoryText, LinesReadersTakeApart) {
    const std::string xp = "/vobs/src/a/lib/foo.c@@/main/dev/3";
    struct Case {
        ccsub::EventText e;
        const char* prefix;
        const char* type_name;
        std::string object;
        const char* comment_start;
    } cases[] = {
        {ccsub::label_added_event("REL1", "version", xp, "/main/dev/3"), "mklabel version make label ", "REL1",
         "version \"" + xp + "\"", "|Added label \"REL1\" to version \"/main/dev/3\"."},
        {ccsub::label_removed_event("REL1", "version", xp, "/main/dev/3"), "rmlabel version remove label ", "REL1",
         "version \"" + xp + "\"", "|Removed label \"REL1\" from version \"/main/dev/3\"."},
        {ccsub::label_moved_event("REL1", "version", xp, "/main/dev/4"), "rmlabel version remove label ", "REL1",
         "version \"" + xp + "\"", "|Moved label \"REL1\" to version \"/main/dev/4\"."},
        {ccsub::attribute_added_event("Status", "branch", "/vobs/src/f.c@@/main/dev", "ok"),
         "mkattr branch make attribute ", "Status", "branch \"/vobs/src/f.c@@/main/dev\"",
         "|Added attribute \"Status\" with value \"ok\"."},
        {ccsub::attribute_removed_event("Status", "file element", "/vobs/src/f.c@@"),
         "rmattr file element remove attribute ", "Status", "file element \"/vobs/src/f.c@@\"",
         "|Removed attribute \"Status\"."},
        {ccsub::attribute_added_event("Count", "directory version", "/vobs/src/d@@/main/2", "1"),
         "mkattr directory version make attribute ", "Count", "directory version \"/vobs/src/d@@/main/2\"",
         "|Added attribute \"Count\" with value \"1\"."},
    };
    for (const auto& c : cases) {
        std::string line = line_of(c.e, "NAME");
        SCOPED_TRACE(line);
        EXPECT_EQ(line.rfind(c.prefix, 0), 0u);
        EXPECT_EQ(between_first_quotes(line), c.type_name);
        EXPECT_EQ(object_part(line), c.object);
        EXPECT_NE(line.find(std::string(" NAME") + c.comment_start + "\n"), std::string::npos);
    }
}

TEST(HistoryText, AttributeValuesSurviveNewlinesAndQuotes) {
    const char* values[] = {"approved", "two\nlines > ok", "1", "say \"hi\" there", "a.b."};
    for (const char* v : values) {
        std::string line = line_of(ccsub::attribute_added_event("A", "version", "/v/f@@/main/1", v), "n");
        EXPECT_EQ(value_part(line), v) << line;
        EXPECT_EQ(line.substr(line.size() - 3), "\".\n");
    }
}

TEST(HistoryText, OtherEventsNeverLookLikeLabelOrAttributeEvents) {
    const char* ops[] = {"checkin", "mkelem", "mkbranch", "lock", "unlock", "rmelem", "protect", "mkhlink"};
    for (const char* op : ops) {
        auto e = ccsub::generic_event(op, "version", "/vobs/src/f.c@@/main/1", "my comment");
        std::string line = line_of(e, "/vobs/src/f.c@@/main/1");
        for (const char* prefix : {"mklabel ", "rmlabel ", "mkattr ", "rmattr "})
            EXPECT_NE(line.rfind(prefix, 0), 0u) << line;
        EXPECT_NE(line.find("|my comment\n"), std::string::npos) << line;
    }
    EXPECT_EQ(ccsub::generic_event("checkin", "version", "/v/f@@/main/1", "").description,
              "create version \"/v/f@@/main/1\"");
}

TEST(HistoryText, BareAttributeValue) {
    EXPECT_EQ(ccsub::bare_attribute_value("\"approved\""), "approved");
    EXPECT_EQ(ccsub::bare_attribute_value("12"), "12");
    EXPECT_EQ(ccsub::bare_attribute_value("\""), "\"");
    EXPECT_EQ(ccsub::bare_attribute_value("\"\""), "");
}

}  // namespace

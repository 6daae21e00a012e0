#include <gtest/gtest.h>

#include "platform/TextEncoding.h"
#include "scenario/CommandParser.h"
#include "support/TestSupport.h"

namespace tavri {
namespace {

using Words = std::vector<std::string>;

TEST(CommandParser, SplitsLikeTheAuthoringSideWrites) {
    // ソ is 0x83 0x5C, 表 0x95 0x5C; 0x81 0x2C is a character whose trail byte is a comma and
    // 0x88 0x22 one whose trail byte is a double quote.
    const std::string so = platform::Cp932("ソ");
    const std::string comma = "\x81\x2C";
    const std::string quote = "\x88\x22";
    struct Case {
        std::string line;
        Words words;
    } cases[] = {
        {".GRAPHLOAD \"my file.jpg\" 500", {".GRAPHLOAD", "my file.jpg", "500"}},
        {"a  b", {"a", "b"}},
        {"a,   b", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {"a\tb", {"a", "b"}},
        {".NEXTPAGE ", {".NEXTPAGE", ""}},
        {"a b\"", {"a"}},
        {"a \"open to the end", {"a", "open to the end"}},
        {"x\"y z\"w", {"xy zw"}},
        {"\"\"", {""}},
        {"\"", {}},
        {so + "," + so, {so, so}},
        {"a" + comma + "b c", {"a" + comma + "b", "c"}},
        {"a" + quote + "b c", {"a" + quote + "b", "c"}},
        {"\"" + quote + " x\" y", {quote + " x", "y"}},
        {"end\x81", {"end\x81"}},
        {"q \"\x83", {"q", "\x83"}},
    };
    for (const Case& c : cases) {
        Words words;
        SplitCommand(c.line, words);
        EXPECT_EQ(words, c.words) << test::Hex(c.line);
    }
}

TEST(CommandParser, EmptyLineLeavesTheListAlone) {
    Words words = {"kept"};
    SplitCommand("", words);
    EXPECT_EQ(words, Words{"kept"});
    SplitCommand("x", words);
    EXPECT_EQ(words, Words{"x"});
}

}  // namespace
}  // namespace tavri

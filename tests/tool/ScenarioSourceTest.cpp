#include "ScenarioSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "platform/TextEncoding.h"

namespace tavri::tool {
namespace {

constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();

std::string Sj(std::string_view utf8) {
    return platform::Utf8ToCp932Strict(utf8).value();
}

// Every field whatever the version: files that differ only in blocks their version does not
// store still compare unequal.
std::vector<uint8_t> AllFieldBytes(TScenarioFile f) {
    f.Header.Version = 8;
    return f.ToBytes();
}

void ExpectSameFile(const TScenarioFile& actual, const TScenarioFile& expected) {
    EXPECT_EQ(actual.Header.Version, expected.Header.Version);
    ASSERT_EQ(actual.Items.size(), expected.Items.size());
    for (size_t i = 0; i < actual.Items.size(); ++i) {
        EXPECT_EQ(actual.Items[i].Name, expected.Items[i].Name) << "item " << i;
        EXPECT_EQ(actual.Items[i].Text, expected.Items[i].Text) << "item " << i;
    }
    EXPECT_EQ(AllFieldBytes(actual), AllFieldBytes(expected));
}

TNovelLink MakeLink(bool enabled, std::string caption, std::string target, bool conditional,
                    std::string counter, int32_t threshold) {
    TNovelLink l;
    l.Enabled = enabled;
    l.Caption = std::move(caption);
    l.Target = std::move(target);
    l.Conditional = conditional;
    l.CounterName = std::move(counter);
    l.Threshold = threshold;
    return l;
}

TRawItem MakeItem(std::string name) {
    TRawItem item;
    item.Name = std::move(name);
    item.Links = {};
    return item;
}

// --- a source written by hand ---

constexpr std::string_view kHandWritten = R"(# 森の物語
[header]
Version = 8
NovelTitle = "森の物語"
StartItemName = "start"   # where reading begins
TextSpeed = 25
DefaultTextColor = 0x00FF80
ChoiceNumbering = 2
ReservedPoint = -3, 7
TitleBgm = "bgm\title.ogg"

[counter "好感度"]
Maximum = 100
Persistent = 1

[counter "flag"]

[item "start"]
Position = 10, 20
Link = "左へ行く" -> "left"
Link = "右へ行く" -> "right" if "好感度" >= 3
Link 5 = disabled "古い選択肢" -> "old"
Link = "言う\[22]はい\[22]" -> "" if-off "flag" >= -2
Text:
| .GRAPHLOAD 背景\01.jpg
|
# a comment inside the block
|   字下げ	tab
\ 最後

[item "left"]
LinkKind = ending
Text:
| おわり

[item "right"]
LinkKind = auto
Link = "" -> "start"
)";

TScenarioFile HandWrittenExpected() {
    TScenarioFile f;
    f.Header.NovelTitle = Sj("森の物語");
    f.Header.StartItemName = "start";
    f.Header.TextSpeed = 25;
    f.Header.DefaultTextColor = 0x00FF80;
    f.Header.ChoiceNumbering = 2;
    f.Header.ReservedPointX = -3;
    f.Header.ReservedPointY = 7;
    f.Header.TitleBgm = "bgm\\title.ogg";
    f.Counters = {{Sj("好感度"), 0, 0, 100, 1}, {"flag", 0, 0, 0, 0}};

    TRawItem start = MakeItem("start");
    start.PositionX = 10;
    start.PositionY = 20;
    start.Links[0] = MakeLink(true, Sj("左へ行く"), "left", false, "", 1);
    start.Links[1] = MakeLink(true, Sj("右へ行く"), "right", true, Sj("好感度"), 3);
    start.Links[5] = MakeLink(false, Sj("古い選択肢"), "old", false, "", 1);
    start.Links[6] = MakeLink(true, Sj("言う\"はい\""), "", false, "flag", -2);
    start.Text =
        Sj(".GRAPHLOAD 背景\\01.jpg") + "\r\n\r\n" + Sj("  字下げ\ttab") + "\r\n" + Sj("最後");

    TRawItem left = MakeItem("left");
    left.LinkKind = LinkEnding;
    left.Text = Sj("おわり") + "\r\n";

    TRawItem right = MakeItem("right");
    right.LinkKind = LinkAuto;
    right.Links[0] = MakeLink(true, "", "start", false, "", 1);

    f.Items = {start, left, right};
    return f;
}

TEST(ScenarioSourceCompile, HandWrittenSourceGivesTheExpectedFileInAnyLineEnding) {
    std::string crlf;
    for (char c : kHandWritten) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const struct {
        const char* label;
        std::string source;
    } variants[] = {
        {"LF", std::string(kHandWritten)},
        {"CR LF", crlf},
        {"BOM", "\xEF\xBB\xBF" + std::string(kHandWritten)},
    };
    const TScenarioFile expected = HandWrittenExpected();
    for (const auto& v : variants) {
        SCOPED_TRACE(v.label);
        TScenarioFile compiled = CompileSource(v.source, "story.src");
        ExpectSameFile(compiled, expected);
        EXPECT_EQ(compiled.ToBytes(), expected.ToBytes());
    }
}

TEST(ScenarioSourceCompile, UnsetFieldsTakeTheDefaults) {
    TScenarioFile compiled = CompileSource("[item \"only\"]\n", "story.src");
    TScenarioFile expected;
    expected.Items = {MakeItem("only")};
    ExpectSameFile(compiled, expected);
    EXPECT_EQ(compiled.CounterTableVersion, 2);
    EXPECT_EQ(compiled.Header.Version, 8);
    EXPECT_EQ(compiled.Header.Signature, "TavriNovel WorkFile");
    EXPECT_EQ(compiled.Items[0].LinkKind, LinkMenu);
    EXPECT_FALSE(compiled.Items[0].Links[0].Enabled);
    EXPECT_EQ(compiled.Items[0].Links[0].Threshold, 1);

    TScenarioFile empty = CompileSource("# nothing yet\n", "story.src");
    ExpectSameFile(empty, TScenarioFile{});
}

TEST(ScenarioSourceCompile, OlderVersionStoresOnlyItsBlocks) {
    TScenarioFile compiled =
        CompileSource("[header]\nVersion = 3\nNovelTitle = \"old\"\nFontSize = 20\n", "story.src");
    TScenarioFile loaded = TScenarioFile::FromBytes(compiled.ToBytes());
    EXPECT_EQ(loaded.Header.NovelTitle, "old");
    EXPECT_EQ(loaded.Header.FontSize, 20);
    EXPECT_EQ(loaded.Header.DefaultTransitionName, "BLEND");
    ExpectSameFile(loaded, compiled);
}

// --- decompile then compile gives the file back ---

struct TAwkward {
    const char* label;
    std::string bytes;
};

const std::vector<TAwkward>& AwkwardTexts() {
    static const std::vector<TAwkward> texts = {
        {"empty", ""},
        {"lines", "A\r\nB\r\n"},
        {"lone CR", "a\rb\r"},
        {"lone LF", "a\nb\n"},
        {"LF CR", "\n\r"},
        {"zero bytes", std::string("a\0b\0", 4)},
        {"no final break", "A\r\nlast"},
        {"codes sharing a character", "\x81\xCA\xEE\xF9\x87\x90\x81\xE0"},
        {"bytes outside cp932", "\x80\xA0\xFD\xFE\xFF"},
        {"lead byte at the end", "x\x82"},
        {"lead byte before a break", "\x82\r\n"},
        {"lead byte before a space", "\x82 y"},
        {"unmapped pair", "\x85\x40\xEB\x40"},
        {"escape look-alike", "\\[0D] \\[zz"},
        {"backslash before an escaped byte", "\\\r\\\""},
        {"trailing blanks", "a \r\nb\t\r\n \r\n\t"},
        {"quotes", "\"q\" \"\""},
        {"source syntax", "| x\r\n\\ y\r\n# z\r\n[item \"w\"]\r\nText:\r\nLink = \"a\" -> \"b\""},
        {"leading blanks", "  indented\r\n\tTab"},
        {"trail byte 0x5C", "\x83\x5C[\x95\x5C\\"},
        {"control characters", "\x01\x1B\x7F\x0C"},
        {"Japanese", Sj("こんにちは、世界。\r\n.GRAPHLOAD 背景\\01.jpg\r\n")},
        {"half-width kana", "\xB1\xB2\xB3"},
    };
    return texts;
}

// A file with every field away from its default and the awkward texts everywhere a string is
// stored.
TScenarioFile MakeAwkwardFile(int32_t version) {
    const auto& texts = AwkwardTexts();
    size_t next = 0;
    auto text = [&](size_t capacity) {
        std::string t = texts[next++ % texts.size()].bytes;
        return t.substr(0, capacity);
    };
    TScenarioFile f;
    CNovelFileHeader& h = f.Header;
    h.Signature = text(32);
    h.Version = version;
    h.ReservedPointX = kMin32;
    h.ReservedPointY = kMax32;
    for (std::string* s : {&h.StartItemName, &h.LogoImage, &h.TitleImage, &h.TitleMidi, &h.TitleBgm,
                           &h.ReservedText, &h.NovelTitle, &h.LogoMidi, &h.LogoSound}) {
        *s = text(255) + "\xEE\xF9";
    }
    h.ReservedNumber = -1;
    h.ReservedFlag = 255;
    h.TextSpeed = 0;
    h.ReservedSpeed = kMin32;
    h.DefaultTransitionParameter = -7;
    h.DefaultTransitionDuration = kMax32;
    h.BookmarkMode = 9;
    h.ReservedMode = 200;
    h.FontType = 1;
    h.FontSize = -24;
    h.TextDecoration = 3;
    h.TextAntiAlias = 0;
    h.DefaultTextColor = 0xFFFFFFFF;
    h.DefaultEdgeColor = 0x80000001;
    h.ChoiceHighlightColor = 0x123456;
    h.ReservedColor = 0;
    h.DefaultTransitionName = text(32) + "\x81";
    h.CharTransitionName = text(32);
    h.CharTransitionParameter = 12;
    h.CharTransitionDuration = -500;
    h.StartWindowed = 0;
    h.ReservedSwitch = 0;
    h.Only16BitColor = 1;
    h.SkipLeadingSilence = 0;
    h.SendGMReset = 1;
    h.SendGSReset = 7;
    h.SkipSetting = 0;
    h.ReservedOption = 128;
    h.ChoiceNumbering = 3;
    f.CounterTableVersion = -5;

    static const uint8_t kinds[] = {LinkMenu, LinkAuto, LinkEnding, 3, 255};
    for (size_t i = 0; i < texts.size(); ++i) {
        const std::string& t = texts[i].bytes;
        f.Counters.push_back({t, kMin32 + static_cast<int32_t>(i), -static_cast<int32_t>(i), kMax32,
                              static_cast<uint8_t>(i * 37)});
        TRawItem item = MakeItem(t);
        item.PositionX = static_cast<int32_t>(i) - 3;
        item.PositionY = i % 2 == 0 ? 0 : kMax32;
        item.Text = t;
        item.LinkKind = kinds[i % std::size(kinds)];
        // Every kind of slot, at positions that move from item to item so that both the
        // numbered and the running link forms are needed.
        const TNovelLink slots[] = {
            MakeLink(true, t, t, true, t, kMin32), MakeLink(false, t, "", false, "", 1),
            MakeLink(true, "", "", false, "", 1),  MakeLink(false, "", "", true, "", 1),
            MakeLink(false, "", "", false, "", 0), MakeLink(true, "", t, false, t, 1),
        };
        for (size_t k = 0; k < std::size(slots); ++k) {
            item.Links[(i + k * 3) % kLinkCount] = slots[k];
        }
        f.Items.push_back(std::move(item));
    }
    return f;
}

TEST(ScenarioSourceRoundTrip, DecompileThenCompileGivesEveryFieldBackForEveryVersion) {
    for (int32_t version = 1; version <= 8; ++version) {
        SCOPED_TRACE("version " + std::to_string(version));
        const std::vector<uint8_t> bytes = MakeAwkwardFile(version).ToBytes();
        const TScenarioFile loaded = TScenarioFile::FromBytes(bytes);
        const std::string source = DecompileToSource(loaded);
        TScenarioFile compiled = CompileSource(source, "awkward.src");
        EXPECT_EQ(compiled.ToBytes(), bytes);
        ExpectSameFile(compiled, loaded);
        EXPECT_EQ(compiled.CounterTableVersion, -5);
        // The source is text an editor can keep: no control characters but LF and TAB.
        auto control = std::find_if(source.begin(), source.end(), [](char c) {
            return (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t') || c == 0x7F;
        });
        EXPECT_EQ(control, source.end()) << "control character at " << control - source.begin();
    }
}

TEST(ScenarioSourceRoundTrip, EachAwkwardTextSurvivesAsItemText) {
    for (const TAwkward& t : AwkwardTexts()) {
        SCOPED_TRACE(t.label);
        TScenarioFile f;
        f.Items = {MakeItem(t.bytes)};
        f.Items[0].Text = t.bytes;
        f.Items[0].Links[2] = MakeLink(true, t.bytes, t.bytes, true, t.bytes, 5);
        TScenarioFile compiled = CompileSource(DecompileToSource(f), "awkward.src");
        ExpectSameFile(compiled, f);
    }
}

// --- the decompiled source is what an author would write ---

TEST(ScenarioSourceDecompile, WritesReadableTextAndEscapesOnlyWhatNeedsIt) {
    const struct {
        const char* label;
        std::string text;
        std::string block;
    } cases[] = {
        {"Japanese and a file name", Sj("「はい」\r\n.GRAPHLOAD 背景\\01.jpg\r\n"),
         "| 「はい」\n| .GRAPHLOAD 背景\\01.jpg\n"},
        {"empty lines", "\r\n\r\nA\r\n", "|\n|\n| A\n"},
        {"no final break", "A\r\nB", "| A\n\\ B\n"},
        {"second code of a character", "\x81\xCA\xEE\xF9\r\n", "| ￢\\[EEF9]\n"},
        {"lone breaks and zero bytes", std::string("a\rb\nc\0\r\n", 8),
         "| a\\[0D]b\\[0A]c\\[00]\n"},
        {"run of bad bytes", "\xFF\x80x\x82\r\n", "| \\[FF 80]x\\[82]\n"},
        {"trailing blank", "a  \r\n", "| a \\[20]\n"},
        {"literal escape opener", "\\[x] \\n", "\\ \\[5C][x] \\n\n"},
        {"quote and tab in text", "\"a\"\tb\r\n", "| \"a\"\tb\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TScenarioFile f;
        f.Items = {MakeItem("x")};
        f.Items[0].Text = c.text;
        std::string source = DecompileToSource(f);
        EXPECT_NE(source.find("\nText:\n" + c.block), std::string::npos) << source;
    }

    TScenarioFile f;
    f.Header.NovelTitle = Sj("森の\"物語\"");
    f.Counters = {{Sj("好感度"), 1, 0, 100, 0}};
    f.Items = {MakeItem(Sj("開始"))};
    f.Items[0].Links[0] = MakeLink(true, Sj("進む"), "next", true, Sj("好感度"), 3);
    f.Items[0].Links[4] = MakeLink(false, "old", "gone", false, "", 1);
    std::string source = DecompileToSource(f);
    for (const char* line :
         {"\nNovelTitle = \"森の\\[22]物語\\[22]\"\n", "\nDefaultTextColor = 0xFFFFFF\n",
          "\n[counter \"好感度\"]\n", "\n[item \"開始\"]\n",
          "\nLink = \"進む\" -> \"next\" if \"好感度\" >= 3\n",
          "\nLink 4 = disabled \"old\" -> \"gone\"\n"}) {
        EXPECT_NE(source.find(line), std::string::npos) << line << "\nin:\n" << source;
    }
}

// --- bad sources ---

TEST(ScenarioSourceErrors, NameTheFileTheLineAndTheFault) {
    const std::string nineLinks = "[item \"a\"]\n" + [] {
        std::string links;
        for (int i = 0; i < 9; ++i) {
            links += "Link = \"c\" -> \"t\"\n";
        }
        return links;
    }();
    const struct {
        const char* label;
        std::string source;
        int line;
        std::string message;
    } cases[] = {
        {"unknown key", "[header]\nTitle = \"x\"\n", 2, "unknown key 'Title' in [header]"},
        {"key in the wrong case", "[header]\n\nnoveltitle = \"x\"\n", 3,
         "did you mean 'NovelTitle'?"},
        {"unknown item key", "[item \"a\"]\nCaption = \"x\"\n", 2,
         "unknown key 'Caption' in an [item] section"},
        {"bad number", "[header]\nTextSpeed = 1O\n", 2, "bad number '1O' for TextSpeed"},
        {"byte out of range", "[header]\nBookmarkMode = 256\n", 2,
         "number 256 is out of range for BookmarkMode (0..255)"},
        {"int32 out of range", "[counter \"c\"]\nValue = 2147483648\n", 2,
         "out of range for Value (-2147483648..2147483647)"},
        {"negative colour", "[header]\nDefaultTextColor = -1\n", 2, "(0..0xFFFFFFFF)"},
        {"missing number", "[item \"a\"]\nPosition = 1,\n", 2,
         "expected a number for Position y, but the line ends"},
        {"unterminated string", "[header]\nNovelTitle = \"abc\n", 2, "unterminated string"},
        {"character cp932 lacks", "[header]\nNovelTitle = \"x😀\"\n", 2,
         "character '😀' (U+1F600) has no cp932 (Shift-JIS) code"},
        {"text cp932 lacks", "[item \"a\"]\nText:\n| ok\n| 한국어\n", 4,
         "character '한' (U+D55C) has no cp932"},
        {"invalid UTF-8", "# fine\n[item \"\xC3\x28\"]\n", 2, "invalid UTF-8 byte 0xC3"},
        {"bad escape digits", "[item \"a\"]\nText:\n| \\[0G]\n", 3, "bad escape \\[0G]"},
        {"odd escape digits", "[item \"a\"]\nText:\n| \\[ABC]\n", 3, "bad escape \\[ABC]"},
        {"unterminated escape", "[item \"a\\[41\"]\n", 1, "unterminated escape"},
        {"duplicate key", "[header]\nTextSpeed = 1\n\nTextSpeed = 2\n", 4,
         "duplicate key 'TextSpeed' (first given on line 2)"},
        {"duplicate Text", "[item \"a\"]\nText:\n| x\nText:\n", 4, "duplicate key 'Text'"},
        {"second header", "[header]\n[item \"a\"]\n[header]\n", 3,
         "second [header] section (the first is on line 1)"},
        {"more than eight links", nineLinks, 10, "more than 8 links"},
        {"link after the last slot", "[item \"a\"]\nLink 7 = disabled\nLink = \"c\" -> \"t\"\n", 3,
         "more than 8 links"},
        {"link slot out of range", "[item \"a\"]\nLink 8 = \"c\" -> \"t\"\n", 2,
         "out of range for the link slot (0..7)"},
        {"link slot twice", "[item \"a\"]\nLink = \"c\" -> \"t\"\nLink 0 = disabled\n", 3,
         "link slot 0 given twice (first on line 2)"},
        {"unknown link kind", "[item \"a\"]\nLinkKind = choice\n", 2,
         "unknown link kind 'choice' (menu, auto, ending or a number 0-255)"},
        {"link without arrow", "[item \"a\"]\nLink = \"c\" \"t\"\n", 2,
         "expected '->' between the link's caption and target, but found '\"t\"'"},
        {"link with another comparison", "[item \"a\"]\nLink = \"c\" -> \"t\" if \"n\" > 3\n", 2,
         "expected '>='"},
        {"link with an unknown word", "[item \"a\"]\nLink = \"c\" -> \"t\" when \"n\" >= 3\n", 2,
         "expected 'if' or 'if-off' after the link's target, but found 'when'"},
        {"link with no caption", "[item \"a\"]\nLink = off\n", 2,
         "expected a quoted caption or 'disabled'"},
        {"field its version drops", "[header]\nDefaultTransitionName = \"x\"\nVersion = 3\n", 2,
         "DefaultTransitionName is not stored in a version 3 scenario (it needs version 4 or "
         "later)"},
        {"string too long", "[header]\nSignature = \"" + std::string(33, 'S') + "\"\n", 2,
         "Signature holds at most 32 bytes of cp932 text; this value takes 33"},
        {"key before any section", "\n# intro\nVersion = 8\n", 3, "comes before any section"},
        {"unknown section", "[header]\n[items \"a\"]\n", 2, "unknown section '[items'"},
        {"unclosed section", "[item \"a\"\n", 1, "expected ']' to close the section name"},
        {"text after a blank line", "[item \"a\"]\nText:\n| a\n\n| b\n", 5,
         "text line outside a Text: block"},
        {"text outside an item", "[header]\n| a\n", 2, "text line outside an [item] section"},
        {"text marker without space", "[item \"a\"]\nText:\n|a\n", 3, "expected a space after '|'"},
        {"Text with an equals sign", "[item \"a\"]\nText = \"x\"\n", 2, "write 'Text:'"},
        {"something after the value", "[header]\nTextSpeed = 18 19\n", 2,
         "unexpected '19' after the value"},
        {"missing equals sign", "[header]\nTextSpeed 18\n", 2,
         "expected '=' after the key, but found '18'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            CompileSource(c.source, "story.src");
            ADD_FAILURE() << "compiled without an error";
        } catch (const ESourceError& e) {
            EXPECT_EQ(e.file, "story.src");
            EXPECT_EQ(e.line, c.line);
            std::string what = e.what();
            EXPECT_EQ(what.rfind("story.src:" + std::to_string(c.line) + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(c.message), std::string::npos) << what;
        }
    }
}

}  // namespace
}  // namespace tavri::tool

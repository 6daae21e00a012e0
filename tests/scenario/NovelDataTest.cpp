#include <gtest/gtest.h>

#include "ScenarioFile.h"
#include "platform/TextEncoding.h"
#include "scenario/NovelData.h"
#include "support/TestSupport.h"

namespace tavri {
namespace {

using platform::TMemoryStream;

TEST(NovelData, Version8HeaderIs2484BytesAndRoundTrips) {
    CNovelFileHeader h;
    h.NovelTitle = platform::Cp932("物語");
    h.TextSpeed = 33;
    h.DefaultTextColor = 0x00ABCDEF;
    h.ChoiceNumbering = 2;
    h.ReservedNumber = -5;
    h.ReservedText = "r";
    TMemoryStream m;
    h.SaveToStream(m);
    EXPECT_EQ(m.Size(), 2484);
    // Fixed places: ReservedNumber sits before ReservedText in the file.
    EXPECT_EQ(m.Bytes()[33], 8);
    EXPECT_EQ(m.Bytes()[1325], 0xFB);
    EXPECT_EQ(m.Bytes()[1329], 1);
    EXPECT_EQ(m.Bytes()[1330], 'r');
    EXPECT_EQ(m.Bytes()[2385], 0xEF);
    EXPECT_EQ(m.Bytes()[2483], 2);
    m.Seek(0, platform::SeekOrigin::Begin);
    CNovelFileHeader back;
    back.LoadFromStream(m);
    EXPECT_EQ(back.NovelTitle, h.NovelTitle);
    EXPECT_EQ(back.TextSpeed, 33);
    EXPECT_EQ(back.DefaultTextColor, 0x00ABCDEFu);
    EXPECT_EQ(back.ReservedNumber, -5);
    EXPECT_EQ(back.ReservedText, "r");
    EXPECT_EQ(back.ChoiceNumbering, 2);
}

TEST(NovelData, OlderVersionsStoreFewerFieldsAndKeepDefaults) {
    struct Case {
        int32_t version;
        int64_t size;
    } cases[] = {{1, 1586}, {2, 2401}, {3, 2401}, {4, 2481},
                 {5, 2481}, {6, 2482}, {7, 2483}, {8, 2484}};
    for (const Case& c : cases) {
        CNovelFileHeader h;
        h.Version = c.version;
        h.NovelTitle = "T";
        h.DefaultTransitionName = "CUT";
        h.SkipSetting = 0;
        h.ReservedOption = 9;
        h.ChoiceNumbering = 0;
        TMemoryStream m;
        h.SaveToStream(m);
        EXPECT_EQ(m.Size(), c.size) << c.version;
        m.Seek(0, platform::SeekOrigin::Begin);
        CNovelFileHeader back;
        back.NovelTitle = "stale";
        back.LoadFromStream(m);
        EXPECT_EQ(m.Position(), c.size);
        EXPECT_EQ(back.Version, c.version);
        EXPECT_EQ(back.NovelTitle, c.version > 1 ? "T" : "");
        EXPECT_EQ(back.TextSpeed, 18);
        EXPECT_EQ(back.DefaultTransitionName, c.version > 3 ? "CUT" : "BLEND");
        EXPECT_EQ(back.SkipSetting, c.version > 5 ? 0 : 2);
        EXPECT_EQ(back.ReservedOption, c.version > 6 ? 9 : 0);
        EXPECT_EQ(back.ChoiceNumbering, c.version > 7 ? 0 : 1);
    }
}

TEST(NovelData, ShortStringLengthAboveCapacityStopsAtTheField) {
    CNovelFileHeader h;
    TMemoryStream m;
    h.SaveToStream(m);
    m.Bytes()[0] = 200;  // signature capacity is 32
    m.Bytes()[1 + 31] = 'Z';
    m.Seek(0, platform::SeekOrigin::Begin);
    CNovelFileHeader back;
    back.LoadFromStream(m);
    EXPECT_EQ(back.Signature.size(), 32u);
    EXPECT_EQ(back.Signature.back(), 'Z');
    EXPECT_EQ(back.Version, 8);
}

TEST(NovelData, ItemTextSplitsIntoLinesWithOneClosingEmptyLine) {
    using Lines = std::vector<std::string>;
    struct Case {
        std::string text;
        Lines lines;
    } cases[] = {
        {"A\r\nB\r\n", {"A", "B", ""}},
        {"A\r\nB", {"A", "B", ""}},
        {"", {}},
        {"\r\n", {""}},
        {"A\rB\nC", {"A", "B", "C", ""}},
        {"A\n\rB", {"A", "", "B", ""}},
        {"A\r\n\r\n", {"A", ""}},
        {std::string("A\r\nB\0C\r\nD", 9), {"A", "B", ""}},
        {std::string("\0A", 2), {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitItemText(c.text), c.lines) << test::Hex(c.text);
    }
}

TEST(NovelData, CountersAndItemsLookUpByExactNameLastOneWins) {
    tool::TScenarioFile f = test::SampleScenario();
    f.Counters = {{"Flag", 1, 0, 9, 1}, {"flag", 2, 0, 9, 0}, {"Flag", 3, -1, 5, 0}};
    tool::TRawItem again = f.Items[0];
    again.Text = "second\r\n";
    f.Items.push_back(again);
    TMemoryStream m(f.ToBytes());
    CNovelFileHeader h;
    CNovelCounters counters;
    CNovelItems items;
    h.LoadFromStream(m);
    counters.LoadFromStream(m);
    items.LoadFromStream(m);
    EXPECT_EQ(m.Remaining(), 0);
    EXPECT_EQ(counters.Count, 3);
    EXPECT_EQ(counters.IndexOf("Flag"), 2);
    EXPECT_EQ(counters.IndexOf("flag"), 1);
    EXPECT_EQ(counters.IndexOf("FLAG"), -1);
    EXPECT_EQ(counters.Entries[2].Minimum, -1);
    EXPECT_EQ(counters.Entries[0].PersistentFlag, 1);
    ASSERT_EQ(items.Count, 3);
    EXPECT_EQ(items.IndexOf("start"), 2);
    EXPECT_EQ(items.List[2]->Lines, (std::vector<std::string>{"second", ""}));
    EXPECT_EQ(items.List[0]->LinkKind, LinkAuto);
    EXPECT_EQ(items.List[0]->Links[0].Target, "end");
    EXPECT_FALSE(items.List[0]->Links[1].Enabled);
    EXPECT_EQ(items.List[0]->Links[1].Threshold, 1);

    CNovelCounters copy;
    copy.Assign(counters);
    EXPECT_EQ(copy.Count, 3);
    EXPECT_EQ(copy.Entries[1].Name, "flag");
    TMemoryStream saved;
    counters.SaveToStream(saved);
    saved.Seek(0, platform::SeekOrigin::Begin);
    EXPECT_EQ(scenario_io::ReadInt32(saved), 2);
    CNovelCounters reread;
    saved.Seek(0, platform::SeekOrigin::Begin);
    reread.LoadFromStream(saved);
    EXPECT_EQ(reread.Entries[2].Value, 3);
}

TEST(NovelData, DefaultsOfNewItems) {
    CNovelItems items;
    CNovelItem& item = items.Add();
    EXPECT_EQ(item.Name, "NewItem");
    EXPECT_TRUE(item.Links[0].Enabled);
    for (int i = 1; i < kLinkCount; ++i) {
        EXPECT_FALSE(item.Links[size_t(i)].Enabled);
    }
    EXPECT_EQ(item.Links[7].Threshold, 1);
    EXPECT_FALSE(item.Links[0].Conditional);
}

TEST(NovelData, LimitsAndDamageAreRefusedNotTrusted) {
    std::vector<uint8_t> good = test::SampleScenario().ToBytes();
    const size_t counters = 2484;
    const size_t items = counters + 8 + 17 + 4;  // one counter named "Flag"
    auto withInt = [&](size_t at, int32_t v) {
        std::vector<uint8_t> b = good;
        for (int i = 0; i < 4; ++i) {
            b[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
        }
        return b;
    };
    auto load = [](const std::vector<uint8_t>& bytes) {
        TMemoryStream m(bytes);
        CNovelFileHeader h;
        CNovelCounters c;
        CNovelItems i;
        h.LoadFromStream(m);
        c.LoadFromStream(m);
        i.LoadFromStream(m);
        return std::make_pair(c.Count, i.Count);
    };
    auto kindOf = [&](const std::vector<uint8_t>& bytes) {
        try {
            load(bytes);
        } catch (const EScenarioError& e) {
            return int(e.kind);
        }
        return -1;
    };
    EXPECT_EQ(load(good), std::make_pair(1, 2));
    EXPECT_EQ(kindOf(withInt(counters + 4, 257)), EScenarioError::TooManyCounters);
    EXPECT_EQ(kindOf(withInt(items, 2049)), EScenarioError::TooManyItems);
    EXPECT_EQ(kindOf(withInt(items, INT32_MAX)), EScenarioError::TooManyItems);
    EXPECT_EQ(kindOf(withInt(counters + 8, -1)), EScenarioError::Damaged);  // name length
    EXPECT_EQ(kindOf(withInt(counters + 8, 1 << 30)), EScenarioError::Damaged);
    // Negative counts load as empty tables.
    auto negative = withInt(counters + 4, -3);
    negative.resize(counters + 8);
    negative.insert(negative.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(load(negative), std::make_pair(0, 0));
    // Every cut of the file is an error, never a crash.
    for (size_t cut = 0; cut < good.size(); cut += 7) {
        EXPECT_EQ(kindOf(std::vector<uint8_t>(good.begin(), good.begin() + long(cut))),
                  EScenarioError::Damaged)
            << cut;
    }
}

}  // namespace
}  // namespace tavri

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>

#include "PackageFile2.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"

namespace tavri {
namespace {

using platform::RecordingMessageBoxService;
using platform::TMemoryStream;

std::vector<uint8_t> WithPrefix(const std::vector<uint8_t>& archive, size_t prefix) {
    std::vector<uint8_t> out(prefix + archive.size(), 0xAA);
    std::copy(archive.begin(), archive.end(), out.begin() + long(prefix));
    return out;
}

TEST(PackageFile2, LooksUpNamesWithoutRegardToAsciiCaseLastRecordWins) {
    std::string kanjiA = platform::Cp932("画像\\ア.png");  // ア's trail byte is 'A'
    std::string kanjiLower = platform::Cp932("画像\\ア.PNG");
    std::vector<uint8_t> archive = BuildPackage({{"autorun.qke", {1, 2, 3}},
                                                 {kanjiA, {4}},
                                                 {"AUTORUN.QKE", {5, 6}},
                                                 {"sound\\bgm.ogg", {}}});
    TMemoryStream s(WithPrefix(archive, 100));
    s.Seek(100, platform::SeekOrigin::Begin);
    RecordingMessageBoxService box;
    TReadPackageFile reader(box);
    reader.OpenStream(s);
    EXPECT_TRUE(box.records.empty());
    ASSERT_EQ(reader.Count, 4);
    EXPECT_EQ(reader.DataBase, 100 + 15 + 264 * 4);

    EXPECT_EQ(reader.IndexOf("autorun.qke"), 2);
    EXPECT_EQ(reader.IndexOf("Autorun.Qke"), 2);
    EXPECT_EQ(reader.IndexOf(kanjiLower), 1);
    // Upper-casing must not touch the trail byte of ア: a lower-case "a" there is a different
    // character.
    std::string changedTrail = kanjiA;
    changedTrail[changedTrail.find('\x83') + 1] = 'a';
    EXPECT_EQ(reader.IndexOf(changedTrail), -1);
    EXPECT_EQ(reader.IndexOf("missing"), -1);

    TStream* entry = reader.SeekEntry("autorun.qke");
    ASSERT_EQ(entry, &s);
    uint8_t two[2];
    entry->ReadBuffer(two, 2);
    EXPECT_EQ(two[0], 5);
    EXPECT_EQ(reader.EntryPosition("AUTORUN.qke"), reader.DataBase + 4);
    EXPECT_EQ(reader.EntryPosition("nothing"), -1);

    // An entry at offset 0 sits right after the directory.
    ASSERT_NE(reader.SeekEntry("autorun.qke"), nullptr);
    reader.SeekEntry(platform::Cp932("画像\\ア.png"));
    EXPECT_EQ(s.Position(), 100 + 15 + 264 * 4 + 3);
    int64_t before = s.Position();
    EXPECT_EQ(reader.SeekEntry("nope"), nullptr);
    EXPECT_EQ(s.Position(), before);
}

TEST(PackageFile2, GetEntryOutsideTheDirectoryIsTheErrorRecord) {
    TMemoryStream s(BuildPackage({{"a", {1}}}));
    RecordingMessageBoxService box;
    TReadPackageFile reader(box);
    reader.OpenStream(s);
    for (int index : {-1, 1, 1000}) {
        TPackageEntry e = reader.GetEntry(index);
        EXPECT_EQ(e.Name, "ERROR");
        EXPECT_EQ(e.Offset, -1);
        EXPECT_EQ(e.Size, -1);
    }
    EXPECT_EQ(reader.GetEntry(0).Name, "a");
}

TEST(PackageFile2, EmptyArchiveOpensQuietlyAndFindsNothing) {
    TMemoryStream s(BuildPackage({}));
    RecordingMessageBoxService box;
    TReadPackageFile reader(box);
    reader.OpenStream(s);
    EXPECT_TRUE(box.records.empty());
    EXPECT_TRUE(reader.Opened);
    EXPECT_EQ(reader.Count, 0);
    EXPECT_EQ(reader.IndexOf("autorun.qke"), -1);
}

TEST(PackageFile2, BadMagicWarnsAndLeavesAnEmptyReader) {
    std::vector<uint8_t> good = BuildPackage({{"autorun.qke", {1}}});
    struct Case {
        const char* what;
        size_t index;
        uint8_t value;
    } cases[] = {{"length byte", 0, 0x0B}, {"first letter", 1, 'p'}, {"last letter", 12, '3'}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        bad[c.index] = c.value;
        TMemoryStream s(bad);
        RecordingMessageBoxService box;
        TReadPackageFile reader(box);
        reader.OpenStream(s);
        ASSERT_EQ(box.records.size(), 1u) << c.what;
        EXPECT_EQ(box.records[0].text, platform::Cp932("ヘッダエラー。データ形式が違います。"));
        EXPECT_EQ(box.records[0].caption, "TReadPackageFile.OpenStream");
        EXPECT_EQ(box.records[0].icon, platform::MsgIcon::Warning);
        EXPECT_EQ(reader.Count, 0);
        EXPECT_FALSE(reader.Opened);
        EXPECT_EQ(reader.IndexOf("autorun.qke"), -1);
    }
}

TEST(PackageFile2, DamagedDirectoriesNeverReachOutsideTheFile) {
    std::vector<uint8_t> archive = BuildPackage({{"a.png", {1, 2, 3, 4}}, {"b.png", {5, 6}}});
    auto setInt = [](std::vector<uint8_t>& bytes, size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + size_t(i)] = uint8_t(uint32_t(v) >> (8 * i));
        }
    };
    const size_t second = 15 + 264;
    struct Case {
        const char* what;
        int32_t offset, size;
    } cases[] = {{"negative offset", -4, 2},
                 {"negative size", 4, -1},
                 {"past the end", 4, 3},
                 {"far past the end", INT32_MAX, INT32_MAX}};
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = archive;
        setInt(bad, second + 256, c.offset);
        setInt(bad, second + 260, c.size);
        TMemoryStream s(bad);
        RecordingMessageBoxService box;
        TReadPackageFile reader(box);
        reader.OpenStream(s);
        EXPECT_EQ(reader.IndexOf("b.png"), 1) << c.what;
        EXPECT_EQ(reader.SeekEntry("b.png"), nullptr) << c.what;
        EXPECT_EQ(reader.EntryPosition("b.png"), -1) << c.what;
        std::vector<uint8_t> bytes;
        EXPECT_FALSE(reader.ReadEntry("b.png", bytes)) << c.what;
        EXPECT_TRUE(reader.ReadEntry("a.png", bytes)) << c.what;
        EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
    }
}

TEST(PackageFile2, TruncatedDirectoryAndOddCounts) {
    std::vector<uint8_t> archive = BuildPackage({{"first", {9}}, {"second", {8}}});
    // Cut in the middle of the second record: it reads as an empty record, the first survives.
    std::vector<uint8_t> cut(archive.begin(), archive.begin() + 15 + 264 + 100);
    TMemoryStream s(cut);
    RecordingMessageBoxService box;
    TReadPackageFile reader(box);
    reader.OpenStream(s);
    EXPECT_EQ(reader.Count, 2);
    EXPECT_EQ(reader.IndexOf("first"), 0);
    EXPECT_EQ(reader.GetEntry(1).Name, "second");
    EXPECT_EQ(reader.GetEntry(1).Offset, 0);
    EXPECT_EQ(reader.GetEntry(1).Size, 0);
    // The first entry's byte lies beyond the cut file.
    EXPECT_EQ(reader.SeekEntry("first"), nullptr);

    for (int16_t count : {int16_t(-1), int16_t(-32768), int16_t(32767)}) {
        std::vector<uint8_t> odd(archive.begin(), archive.begin() + 15);
        odd[13] = uint8_t(count);
        odd[14] = uint8_t(uint16_t(count) >> 8);
        TMemoryStream os(odd);
        TReadPackageFile r(box);
        r.OpenStream(os);
        EXPECT_EQ(r.Count, count);
        EXPECT_EQ(r.IndexOf(""), count > 0 ? count - 1 : -1);
        EXPECT_EQ(r.GetEntry(0).Name, count > 0 ? "" : "ERROR");
    }
}

TEST(PackageFile2, RecordsRoundTripAndWriterRefusesWhatCannotBeStored) {
    TPackageEntry e{std::string(255, 'x'), 123456, -7};
    uint8_t record[kPackageEntrySize];
    EncodePackageEntry(e, record);
    TPackageEntry back = DecodePackageEntry(record);
    EXPECT_EQ(back.Name, e.Name);
    EXPECT_EQ(back.Offset, e.Offset);
    EXPECT_EQ(back.Size, e.Size);
    EXPECT_THROW(BuildPackage({{std::string(256, 'x'), {}}}), std::invalid_argument);
    EXPECT_THROW(BuildPackage(std::vector<TPackageWriterEntry>(32768)), std::invalid_argument);
}

}  // namespace
}  // namespace tavri

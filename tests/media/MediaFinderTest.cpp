// The one place a novel's files are found: archive entries first, then files on disk through
// the resolver, each caller with its own name variants.

#include <gtest/gtest.h>

#include "media/MediaFixture.h"

namespace tavri {
namespace {

using test::Bytes;

using Media = test::MediaFixture;

TEST(MediaFinder, VariantsReplaceTheLastExtensionOnly) {
    EXPECT_EQ(NameVariants("music\\a.b.mid"), std::vector<std::string>{"music\\a.b.mid"});
    EXPECT_EQ(NameVariants("se\\a.b.mp3", {".OGG", ".WAV"}),
              (std::vector<std::string>{"se\\a.b.mp3", "se\\a.b.OGG", "se\\a.b.WAV"}));
    EXPECT_EQ(NameVariants("bg\\night", {".PNG"}),
              (std::vector<std::string>{"bg\\night", "bg\\night.PNG"}));
}

TEST(MediaFinder, ArchiveFirstThenDiskEachInVariantOrder) {
    Media m;
    m.dir.Write("se/bell.wav", "disk bell");
    m.dir.Write("se/rain.OGG", "disk rain");
    m.UsePackage({{"se\\rain.wav", Bytes("archive rain")}, {"se\\wind.OGG", Bytes("wind")}});
    struct Case {
        const char* name;
        TMediaFile::TPlace place;
        const char* as;
        const char* bytes;
    } cases[] = {
        // Every variant in the archive comes before any on disk.
        {"se\\rain.mp3", TMediaFile::TPlace::Package, "se\\rain.WAV", "archive rain"},
        {"SE\\WIND", TMediaFile::TPlace::Package, "SE\\WIND.OGG", "wind"},
        // On disk the resolver ignores letter case.
        {"se\\BELL.mp3", TMediaFile::TPlace::Disk, "se\\BELL.WAV", "disk bell"},
        {"se\\none", TMediaFile::TPlace::Missing, "se\\none", ""},
    };
    for (const Case& c : cases) {
        const TMediaFile found = FindMedia(m.source, NameVariants(c.name, {".OGG", ".WAV"}));
        EXPECT_EQ(found.Place, c.place) << c.name;
        EXPECT_EQ(found.Name, c.as) << c.name;
        const auto bytes = ReadMedia(m.source, found);
        EXPECT_EQ(bytes.has_value(), found.Found()) << c.name;
        EXPECT_EQ(bytes ? std::string(bytes->begin(), bytes->end()) : "", c.bytes) << c.name;
    }
}

TEST(MediaFinder, EntriesOutsideTheFileAndRefusedEntriesAreMissing) {
    Media m;
    std::vector<uint8_t> archive =
        BuildPackage({{"a.ogg", Bytes("0123456789")}, {"a.wav", Bytes("wave")}});
    // The first entry's size reaches past the end of the archive.
    uint8_t* record = archive.data() + kPackageHeaderSize;
    TPackageEntry entry = DecodePackageEntry(record);
    entry.Size = 1 << 20;
    EncodePackageEntry(entry, record);
    m.UseArchive(std::move(archive));
    const TMediaFile found = FindInPackage(m.source, NameVariants("a.ogg", {".OGG", ".WAV"}));
    EXPECT_EQ(found.Name, "a.WAV");
    EXPECT_EQ(found.Size, 4);
    EXPECT_EQ(found.Position, m.package.EntryPosition("a.wav"));
    // A caller's own condition passes over an entry it cannot use.
    const TMediaFile refused =
        FindInPackage(m.source, {"a.wav"}, [](const TMediaFile& f) { return f.Size > 100; });
    EXPECT_FALSE(refused.Found());
    EXPECT_EQ(refused.Name, "a.wav");
    EXPECT_FALSE(FindInPackage(TMediaSource{}, {"a.wav"}).Found());
}

TEST(MediaFinder, LoadTakesTheDiskTwinOfARefusedEntry) {
    Media m;
    m.dir.Write("pic.bmp", "good");
    m.UsePackage({{"PIC.BMP", Bytes("damaged")}, {"only", Bytes("bad")}});
    std::vector<std::string> offered;
    const auto acceptGood = [&](const std::vector<uint8_t>& bytes) {
        offered.emplace_back(bytes.begin(), bytes.end());
        return offered.back() == "good";
    };
    EXPECT_TRUE(LoadMedia(m.source, "pic.bmp", acceptGood));
    EXPECT_EQ(offered, (std::vector<std::string>{"damaged", "good"}));
    offered.clear();
    EXPECT_FALSE(LoadMedia(m.source, "only", acceptGood));
    EXPECT_FALSE(LoadMedia(m.source, "nothing", acceptGood));
    EXPECT_EQ(offered, std::vector<std::string>{"bad"});
    EXPECT_TRUE(m.box.records.empty());
}

}  // namespace
}  // namespace tavri

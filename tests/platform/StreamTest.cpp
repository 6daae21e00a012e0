#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Stream.h"
#include "support/TestSupport.h"

namespace tavri::platform {
namespace {

using test::Bytes;
using test::TempDir;

std::vector<uint8_t> Sequence(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>(i * 7 + i / 251);
    }
    return v;
}

TEST(StreamMemory, ReadWriteAndSeekShareOnePosition) {
    TMemoryStream s;
    EXPECT_EQ(s.Size(), 0);
    EXPECT_EQ(s.Write("abcdef", 6), 6u);
    EXPECT_EQ(s.Position(), 6);
    EXPECT_EQ(s.Seek(2, SeekOrigin::Begin), 2);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "cde");
    EXPECT_EQ(s.Seek(-2, SeekOrigin::Current), 3);
    EXPECT_EQ(s.Write("XY", 2), 2u);  // overwrites in place, no growth
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Seek(-1, SeekOrigin::End), 5);
    EXPECT_EQ(s.Remaining(), 1);
    EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), "abcXYf");
}

TEST(StreamMemory, SeekBeforeStartFailsAndKeepsThePosition) {
    TMemoryStream s(Bytes("0123456789"));
    s.Seek(4, SeekOrigin::Begin);
    EXPECT_EQ(s.Seek(-1, SeekOrigin::Begin), -1);
    EXPECT_EQ(s.Seek(-5, SeekOrigin::Current), -1);
    EXPECT_EQ(s.Seek(-11, SeekOrigin::End), -1);
    EXPECT_EQ(s.Position(), 4);
    EXPECT_EQ(s.Seek(-10, SeekOrigin::End), 0);
}

TEST(StreamMemory, WritingPastTheEndGrowsWithZeros) {
    TMemoryStream s(Bytes("ab"));
    EXPECT_EQ(s.Seek(5, SeekOrigin::Begin), 5);
    EXPECT_EQ(s.Size(), 2);  // seeking alone does not grow
    EXPECT_EQ(s.Write("Z", 1), 1u);
    EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{'a', 'b', 0, 0, 0, 'Z'}));
    EXPECT_EQ(s.Write("", 0), 0u);
    EXPECT_EQ(s.Size(), 6);

    std::vector<uint8_t> big = Sequence(100000);
    TMemoryStream grown;
    for (size_t at = 0; at < big.size(); at += 4096) {
        grown.WriteBuffer(big.data() + at, std::min<size_t>(4096, big.size() - at));
    }
    EXPECT_EQ(grown.Bytes(), big);
}

TEST(StreamMemory, ShortReadsAndStrictReads) {
    TMemoryStream s(Bytes("hello"));
    char buf[16] = {};
    EXPECT_EQ(s.Read(buf, 16), 5u);
    EXPECT_EQ(std::string(buf, 5), "hello");
    EXPECT_EQ(s.Read(buf, 1), 0u);
    s.Seek(100, SeekOrigin::Begin);
    EXPECT_EQ(s.Read(buf, 1), 0u);  // beyond the end is simply empty

    s.Seek(1, SeekOrigin::Begin);
    s.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "ello");
    s.Seek(2, SeekOrigin::Begin);
    EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
    s.Seek(0, SeekOrigin::Begin);
    EXPECT_NO_THROW(s.ReadBuffer(buf, 0));
    try {
        s.Seek(0, SeekOrigin::End);
        s.ReadBuffer(buf, 1);
        FAIL() << "no exception";
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

TEST(StreamMemory, CopyFromCopiesExactlyCountBytes) {
    std::vector<uint8_t> data = Sequence(150000);  // more than one copy block
    TMemoryStream source(data);
    source.Seek(1000, SeekOrigin::Begin);
    TMemoryStream target(Bytes("head:"));
    target.Seek(0, SeekOrigin::End);
    target.CopyFrom(source, 140000);
    EXPECT_EQ(source.Position(), 141000);
    ASSERT_EQ(target.Size(), 5 + 140000);
    EXPECT_EQ(std::string(target.Bytes().begin(), target.Bytes().begin() + 5), "head:");
    EXPECT_TRUE(std::equal(target.Bytes().begin() + 5, target.Bytes().end(), data.begin() + 1000));

    TMemoryStream nothing;
    nothing.CopyFrom(source, 0);
    EXPECT_EQ(nothing.Size(), 0);
    EXPECT_EQ(source.Position(), 141000);
}

TEST(StreamMemory, CopyFromAShortSourceThrows) {
    TMemoryStream source(Sequence(10));
    source.Seek(4, SeekOrigin::Begin);
    TMemoryStream target;
    EXPECT_THROW(target.CopyFrom(source, 7), EReadError);
    TMemoryStream negative;
    EXPECT_THROW(negative.CopyFrom(source, -1), EReadError);
    EXPECT_EQ(negative.Size(), 0);
}

TEST(StreamFile, CreateWritesAndReadReadsBack) {
    TempDir dir;
    std::string path = dir.path() + "out.bin";
    std::vector<uint8_t> data = Sequence(70000);
    {
        auto out = OpenFileStream(path, FileMode::Create);
        out->WriteBuffer(data.data(), data.size());
        EXPECT_EQ(out->Position(), 70000);
        EXPECT_EQ(out->Size(), 70000);
    }
    EXPECT_EQ(ReadWholeFile(path), data);

    auto in = OpenFileStream(path, FileMode::Read);
    EXPECT_EQ(in->Size(), 70000);
    EXPECT_EQ(in->Seek(-16, SeekOrigin::End), 70000 - 16);
    std::vector<uint8_t> tail(32);
    EXPECT_EQ(in->Read(tail.data(), tail.size()), 16u);
    EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 16, data.end() - 16));
    EXPECT_EQ(in->Seek(-1, SeekOrigin::Begin), -1);
    in->Seek(100, SeekOrigin::Begin);
    uint8_t four[4];
    in->ReadBuffer(four, 4);
    EXPECT_TRUE(std::equal(four, four + 4, data.begin() + 100));
    in->Seek(-2, SeekOrigin::End);
    EXPECT_THROW(in->ReadBuffer(four, 4), EReadError);
    // A read-only stream refuses writes through the strict call.
    EXPECT_THROW(in->WriteBuffer(four, 4), EWriteError);
}

TEST(StreamFile, CreateTruncatesAnExistingFile) {
    TempDir dir;
    std::string path = dir.Write("old.bin", "a much longer old content");
    {
        auto out = OpenFileStream(path, FileMode::Create);
        out->WriteBuffer("new", 3);
    }
    EXPECT_EQ(ReadWholeFile(path), Bytes("new"));
}

TEST(StreamFile, MissingFilesAndFoldersFailNamingThePath) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() + "folder");
    struct Case {
        const char* label;
        std::string path;
        FileMode mode;
    } cases[] = {
        {"missing file", dir.path() + "missing.bin", FileMode::Read},
        {"a folder", dir.path() + "folder", FileMode::Read},
        {"a folder to create", dir.path() + "folder", FileMode::Create},
        {"inside a missing folder", dir.path() + "nothere/new.bin", FileMode::Create},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        try {
            OpenFileStream(c.path, c.mode);
            ADD_FAILURE() << "opened " << c.path;
        } catch (const EFOpenError& e) {
            EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(FileExists(dir.path() + "nothere/new.bin"));
}

}  // namespace
}  // namespace tavri::platform

#include <gtest/gtest.h>

#include <functional>

#include "Exceptions.h"
#include "FilePartitionStream.h"
#include "FileStream.h"
#include "MemoryStream.h"
#include "SoundFixtures.h"

using namespace morwick;
using soundtest::Cp932;
using soundtest::TempDir;

namespace {

// 4000 bytes whose value tells their offset (modulo 251, a prime, so windows are not periodic
// in step with the sizes used).
std::string Numbered(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

class SoundStream : public ::testing::Test {
  protected:
    TempDir dir;
    std::string file = dir.Write("data.bin", Numbered(4000));
};

TEST_F(SoundStream, PartitionIsAWindowOfTheFile) {
    CFilePartitionStream window(1000, 1000, file, 1, 1);
    EXPECT_EQ(window.GetSize(), 1000);
    EXPECT_EQ(window.Tell(), 0);
    std::string buffer(4096, '\0');
    ASSERT_EQ(window.Read(buffer.data(), 4096), 1000);
    EXPECT_EQ(buffer.substr(0, 1000), Numbered(4000).substr(1000, 1000));
    EXPECT_EQ(window.Read(buffer.data(), 4096), 0);
}

struct SeekCase {
    int32_t start;
    int32_t distance;
    int32_t origin;
    int32_t expectedTell;
};

class SoundStreamPartitionSeek : public SoundStream,
                                 public ::testing::WithParamInterface<SeekCase> {};

TEST_P(SoundStreamPartitionSeek, FollowsTheWindowRules) {
    const SeekCase c = GetParam();
    CFilePartitionStream window(1000, 1000, file, 1, 1);
    window.Seek(c.start, 0);
    const int32_t absolute = window.Seek(c.distance, c.origin);
    EXPECT_EQ(window.Tell(), c.expectedTell);
    EXPECT_EQ(absolute, 1000 + c.expectedTell);
    // What is read there is the file's byte at that place.
    char byte = 0;
    if (c.expectedTell < 1000) {
        ASSERT_EQ(window.Read(&byte, 1), 1);
        EXPECT_EQ(static_cast<unsigned char>(byte), (1000 + c.expectedTell) % 251);
    } else {
        EXPECT_EQ(window.Read(&byte, 1), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(SoundCases, SoundStreamPartitionSeek,
                         ::testing::Values(SeekCase{800, 500, 1, 800},   // past the end: stays
                                           SeekCase{800, -900, 1, 0},    // before: to the start
                                           SeekCase{800, 200, 1, 1000},  // exactly the end
                                           SeekCase{300, 0, 2, 1000},    // end
                                           SeekCase{300, 10, 2, 1000},   // beyond end: end
                                           SeekCase{300, -1500, 2, 0},   // before start
                                           SeekCase{300, -250, 2, 750},
                                           SeekCase{0, -5, 0, 0},  // clamped to window
                                           SeekCase{0, 5000, 0, 1000}));

TEST_F(SoundStream, FileSeekRules) {
    CFileStream stream(file, 1, 1);
    EXPECT_EQ(stream.GetSize(), 4000);
    stream.Seek(2, 0);
    EXPECT_EQ(stream.Seek(-5, 1), 0);
    EXPECT_EQ(stream.Seek(-10, 2), 3990);
    EXPECT_EQ(stream.Seek(-5000, 2), 0);
    EXPECT_EQ(stream.Seek(-3, 0), 0);
    try {
        stream.Seek(0, 3);
        FAIL();
    } catch (const EInvalidParameter& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("シーク指示が異常です."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CFileStream");
    }
    CFilePartitionStream window(0, 10, file, 1, 1);
    try {
        window.Seek(0, 9);
        FAIL();
    } catch (const EInvalidParameter& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("Seek(): シーク指示が異常です."));
    }
}

TEST_F(SoundStream, ClonesAreIndependent) {
    CFilePartitionStream window(1000, 1000, file, 1, 1);
    window.Seek(300, 0);
    auto copy = window.Clone();
    EXPECT_EQ(copy->Tell(), 300);
    EXPECT_EQ(copy->GetSize(), 1000);
    char a[10], b[10];
    ASSERT_EQ(copy->Read(a, 10), 10);
    EXPECT_EQ(window.Tell(), 300);
    ASSERT_EQ(window.Read(b, 10), 10);
    EXPECT_EQ(std::string(a, 10), std::string(b, 10));
    copy->Seek(0, 0);
    EXPECT_EQ(window.Tell(), 310);

    CFileStream whole(file, 1, 1);
    whole.Seek(123, 0);
    auto wholeCopy = whole.Clone();
    EXPECT_EQ(wholeCopy->Tell(), 123);
    wholeCopy->Seek(0, 2);
    EXPECT_EQ(whole.Tell(), 123);
}

TEST_F(SoundStream, OpenFailuresNameTheFile) {
    const std::string missing = (dir.Path() / "missing.wav").string();
    const std::vector<std::function<void()>> opens = {
        [&] { CFileStream s(missing, 1, 1); },
        [&] { CFilePartitionStream s(0, 10, missing, 1, 1); },
        [&] { CFilePartitionStream s(-1, 10, file, 1, 1); },  // negative window
        [&] { CFilePartitionStream s(10, -1, file, 1, 1); },
        [&] { CFileStream s(file, 4, 1); },  // no such access mode
    };
    for (size_t i = 0; i < opens.size(); ++i) {
        try {
            opens[i]();
            ADD_FAILURE() << "case " << i;
        } catch (const EFileOpenError& e) {
            const std::string name = i <= 1 ? missing : file;
            EXPECT_EQ(e.GetMessage(), Cp932("ファイルを開けませんでした: ") + "\"" + name + "\"")
                << i;
            // A window refused after the file opened is the partition's own error.
            EXPECT_EQ(e.GetOrigin(),
                      i == 2 || i == 3 ? "morwick::CFilePartitionStream" : "morwick::CFileStream")
                << i;
        }
    }
}

TEST_F(SoundStream, PartitionRefusesWrites) {
    CFilePartitionStream window(0, 10, file, 1, 1);
    EXPECT_THROW(window.Write("x", 1), EWriteError);
    try {
        window.SetSize(3);
        FAIL();
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("SetSize(): 書き込みが禁止されています."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CFilePartitionStream");
    }
}

TEST_F(SoundStream, StringsRoundTripAndBadLengthsAreRefused) {
    CMemoryStream memory;
    memory.WriteString(std::string("ab\0cd", 5));
    memory.WriteString("xyz");
    memory.Seek(0, 0);
    EXPECT_EQ(memory.ReadString(), "ab");
    EXPECT_EQ(memory.ReadString(), "xyz");
    const std::vector<uint32_t> badLengths = {0x80000000u, 1000u};
    for (uint32_t length : badLengths) {
        CMemoryStream bad;
        std::string bytes;
        soundtest::PutU32(bytes, length);
        bytes += "abc";
        bad.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
        bad.Seek(0, 0);
        EXPECT_THROW(bad.ReadString(), EReadError) << length;
    }
}

TEST_F(SoundStream, MemoryStreamSeeksClampAndIgnoreBadOrigins) {
    CMemoryStream memory;
    memory.Write("0123456789", 10);
    EXPECT_EQ(memory.Seek(4, 0), 4);
    EXPECT_EQ(memory.Seek(3, 7), 4);
    EXPECT_EQ(memory.Seek(100, 1), 10);
    EXPECT_EQ(memory.Seek(-100, 2), 0);
    auto copy = memory.Clone();
    memory.Write("ZZ", 2);
    char head[2];
    ASSERT_EQ(copy->Read(head, 2), 2);
    EXPECT_EQ(std::string(head, 2), "01");
}

TEST_F(SoundStream, CopyFromCopiesWhatIsThere) {
    CFilePartitionStream window(100, 20000, file, 1, 1);  // the file ends early
    CMemoryStream memory;
    EXPECT_EQ(memory.CopyFrom(window, 0), 3900);
    EXPECT_EQ(memory.GetSize(), 3900);
    EXPECT_EQ(std::string(static_cast<const char*>(memory.GetData()), 3900),
              Numbered(4000).substr(100));
    EXPECT_EQ(memory.CopyFrom(window, -5), 0);
}

}  // namespace

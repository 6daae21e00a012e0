#include <gtest/gtest.h>

#include "Exceptions.h"
#include "MemoryStream.h"
#include "OggVorbisReader.h"
#include "SoundFixtures.h"
#include "WaveSoundReader.h"

using namespace morwick;
using namespace soundtest;

namespace {

std::unique_ptr<CMemoryStream> Memory(const Bytes& bytes) {
    auto stream = std::make_unique<CMemoryStream>();
    stream->Write(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream->Seek(0, 0);
    return stream;
}

Bytes ReadAll(ISoundReader& reader) {
    Bytes all;
    char chunk[777];
    for (int32_t got; (got = reader.Read(chunk, sizeof chunk)) > 0;) {
        all.append(chunk, static_cast<size_t>(got));
    }
    return all;
}

struct Failure {
    const char* name;
    Bytes bytes;
    std::string type;
    std::string message;  // UTF-8
    std::string origin;
};

class SoundReaderFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(SoundReaderFailure, RaisesTheDescribedError) {
    const Failure& f = GetParam();
    auto stream = Memory(f.bytes);
    try {
        CreateSoundReader(*stream);
        FAIL() << "no exception";
    } catch (const EException& e) {
        EXPECT_EQ(ClassName(typeid(e)), f.type);
        EXPECT_EQ(e.GetMessage(), Cp932(f.message));
        EXPECT_EQ(e.GetOrigin(), f.origin);
    }
}

const Bytes kFmt = PcmFormat(1, 8000, 8);

INSTANTIATE_TEST_SUITE_P(
    SoundCases, SoundReaderFailure,
    ::testing::Values(
        Failure{"Unknown", "hello, this is not a sound file", "morwick::EInvalidFileFormat",
                "CreateSoundReader(): 対応していない音声フォーマットです.", ""},
        Failure{"Empty", "", "morwick::EInvalidFileFormat",
                "CreateSoundReader(): 対応していない音声フォーマットです.", ""},
        Failure{"Avi", Riff("AVI ", {MakeChunk("fmt ", kFmt)}), "morwick::EInvalidFileFormat",
                "CreateSoundReader(): 対応していない音声フォーマットです.", ""},
        Failure{"BadOgg", Bytes("OggS") + Bytes(100, 'x'), "morwick::EFileOpenError",
                "OggVorbisファイルのオープンに失敗しました.", "morwick::COggVorbisReader"},
        Failure{"NoFmt", Riff("WAVE", {MakeChunk("data", "ab")}), "morwick::EReadError",
                "指定されたRIFFチャンクが見つかりません - 0x20746D66", "morwick::CRIFFReader"},
        Failure{"NoData", Riff("WAVE", {MakeChunk("fmt ", kFmt)}), "morwick::EReadError",
                "指定されたRIFFチャンクが見つかりません - 0x61746164", "morwick::CRIFFReader"},
        Failure{"HugeFmt",
                Riff("WAVE",
                     {MakeChunk("fmt ", kFmt + Bytes(18 + 65535, '\0')), MakeChunk("data", "ab")}),
                "morwick::EInvalidFileFormat",
                "ファイルフォーマットエラー: WAVEファイルではありません.",
                "morwick::CWaveSoundReader"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundReader, RiffAndWaveChecksOfTheReaders) {
    auto notRiff = Memory("RIFX....WAVE");
    CWaveSoundReader wave;
    try {
        wave.Open(*notRiff);
        FAIL();
    } catch (const EInvalidFileFormat& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("ファイルフォーマットエラー: RIFFファイルではありません."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CRIFFReader");
    }
    auto avi = Memory(Riff("AVI ", {MakeChunk("fmt ", kFmt)}));
    try {
        wave.Open(*avi);
        FAIL();
    } catch (const EInvalidFileFormat& e) {
        EXPECT_EQ(e.GetMessage(), Cp932("ファイルフォーマットエラー: WAVEファイルではありません."));
        EXPECT_EQ(e.GetOrigin(), "morwick::CWaveSoundReader");
    }
}

TEST(SoundReader, FormatBlockIsAtLeast18BytesAndReadWhole) {
    auto plain = Memory(Wav(2, 44100, 16, Bytes(8, '\1')));
    auto reader = CreateSoundReader(*plain);
    const WaveFormat* format = reader->GetFormat();
    EXPECT_EQ(format->formatTag, 1);
    EXPECT_EQ(format->channels, 2);
    EXPECT_EQ(format->samplesPerSec, 44100u);
    EXPECT_EQ(format->avgBytesPerSec, 176400u);
    EXPECT_EQ(format->blockAlign, 4);
    EXPECT_EQ(format->bitsPerSample, 16);
    EXPECT_EQ(format->extraSize, 0);
    EXPECT_EQ(dynamic_cast<CWaveSoundReader&>(*reader).GetFormatBlock().size(), 18u);

    Bytes fmt50 = PcmFormat(1, 22050, 8);
    PutU16(fmt50, 32);
    fmt50 += Bytes(32, '\x7');
    auto big = Memory(Riff("WAVE", {MakeChunk("fmt ", fmt50), MakeChunk("data", "x")}));
    auto bigReader = CreateSoundReader(*big);
    const auto& block = dynamic_cast<CWaveSoundReader&>(*bigReader).GetFormatBlock();
    EXPECT_EQ(block.size(), 50u);
    EXPECT_EQ(block[49], 7);
    EXPECT_EQ(bigReader->GetFormat()->extraSize, 32);
}

TEST(SoundReader, ChunkWalkEdgeCases) {
    struct Case {
        const char* name;
        Bytes bytes;
        Bytes expectedData;
        int32_t expectedLength;
    };
    const Bytes fmt = PcmFormat(1, 8000, 8);
    const std::vector<Case> cases = {
        // The later of two data chunks is played.
        {"TwoData",
         Riff("WAVE",
              {MakeChunk("fmt ", fmt), MakeChunk("data", "first"), MakeChunk("data", "second")}),
         "second", 6},
        // No pad byte after an odd-sized chunk.
        {"OddChunk",
         Riff("WAVE", {MakeChunk("junk", "abc"), MakeChunk("fmt ", fmt), MakeChunk("data", "xyz")}),
         "xyz", 3},
        // A RIFF size beyond the file: the walk ends at the end of the file.
        {"RiffTooLarge",
         Riff("WAVE", {MakeChunk("fmt ", fmt), MakeChunk("data", "pcm")}, 0x7FFFFFF0u), "pcm", 3},
        // A data chunk cut short keeps its declared length; reads give what is there.
        {"CutShort", Riff("WAVE", {MakeChunk("fmt ", fmt), Chunk{"data", 1000, "short"}}), "short",
         1000},
        // A size that does not fit 31 bits is recorded as the bytes left.
        {"HugeSize", Riff("WAVE", {MakeChunk("fmt ", fmt), Chunk{"data", 0xFFFFFFF0u, "tail"}}),
         "tail", 4},
        // A header cut short after the data ends the walk without harm.
        {"CutHeader", Riff("WAVE", {MakeChunk("fmt ", fmt), MakeChunk("data", "ok")}) + "LIS", "ok",
         2},
    };
    for (const Case& c : cases) {
        auto stream = Memory(c.bytes);
        auto reader = CreateSoundReader(*stream);
        EXPECT_EQ(ReadAll(*reader), c.expectedData) << c.name;
        EXPECT_EQ(reader->GetLength(), c.expectedLength) << c.name;
    }
}

TEST(SoundReader, ReadAfterEndIsZeroAndRewindStartsAgain) {
    const Bytes pcm = Sine16(1, 8000, 440, 0.5, 3000);
    auto wav = Memory(Wav(1, 8000, 16, pcm));
    const Bytes ogg = OggSine(1, 22050, 440, 0.5, 22050);
    auto oggStream = Memory(ogg);
    std::vector<std::unique_ptr<ISoundReader>> readers;
    readers.push_back(CreateSoundReader(*wav));
    readers.push_back(CreateSoundReader(*oggStream));
    for (auto& reader : readers) {
        const Bytes first = ReadAll(*reader);
        EXPECT_EQ(static_cast<int32_t>(first.size()), reader->GetLength());
        char byte;
        EXPECT_EQ(reader->Read(&byte, 1), 0);
        reader->Rewind();
        EXPECT_EQ(ReadAll(*reader), first);
    }
    EXPECT_EQ(readers[0]->GetLength(), 6000);
}

TEST(SoundReader, OggFormatFollowsTheStream) {
    struct Case {
        int channels;
        int rate;
        uint32_t avg;
        uint16_t align;
    };
    for (const Case c : {Case{1, 22050, 44100, 2}, Case{2, 44100, 176400, 4}}) {
        auto stream = Memory(OggSine(c.channels, c.rate, 1000, 0.5, c.rate / 2));
        auto reader = CreateSoundReader(*stream);
        ASSERT_NE(dynamic_cast<COggVorbisReader*>(reader.get()), nullptr);
        const WaveFormat* format = reader->GetFormat();
        EXPECT_EQ(format->formatTag, 1);
        EXPECT_EQ(format->channels, c.channels);
        EXPECT_EQ(format->samplesPerSec, static_cast<uint32_t>(c.rate));
        EXPECT_EQ(format->bitsPerSample, 16);
        EXPECT_EQ(format->blockAlign, c.align);
        EXPECT_EQ(format->avgBytesPerSec, c.avg);
        EXPECT_EQ(reader->GetLength(), c.rate / 2 * c.align);
    }
}

TEST(SoundReader, OggCutShortEndsInsteadOfSpinning) {
    Bytes ogg = OggSine(2, 44100, 1000, 0.5, 44100);
    ogg.resize(ogg.size() * 2 / 3);
    auto stream = Memory(ogg);
    std::unique_ptr<ISoundReader> reader;
    try {
        reader = CreateSoundReader(*stream);
    } catch (const EException& e) {
        FAIL() << ClassName(typeid(e)) << " " << e.GetOrigin();
    }
    const Bytes all = ReadAll(*reader);
    EXPECT_LT(all.size(), 44100u * 4);
}

}  // namespace

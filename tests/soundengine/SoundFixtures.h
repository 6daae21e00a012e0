// Sound files for the tests, generated in code: RIFF/WAVE bytes from a small writer, Ogg
// Vorbis from libvorbisenc, cp932 texts converted from UTF-8 with iconv.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace soundtest {

using Bytes = std::string;

void PutU16(Bytes& out, uint16_t v);
void PutU32(Bytes& out, uint32_t v);

// One chunk: identifier, declared size and the bytes that follow (which may differ).
struct Chunk {
    std::string id;
    uint32_t declaredSize;
    Bytes body;
};
Chunk MakeChunk(const std::string& id, const Bytes& body);
// The 16-byte fmt body of a PCM format.
Bytes PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits);
// "RIFF" size form chunks...; riffSize 0 means the true size.
Bytes Riff(const std::string& form, const std::vector<Chunk>& chunks, uint32_t riffSize = 0);
Bytes Wav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& data);

// Interleaved 16-bit samples of a sine, amplitude in full-scale units (0..1).
Bytes Sine16(uint16_t channels, uint32_t rate, double hz, double amplitude, uint32_t frames);
Bytes Sine8(uint32_t rate, double hz, double amplitude, uint32_t frames);

// An Ogg Vorbis stream of a sine.
Bytes OggSine(int channels, int rate, double hz, double amplitude, int frames);

std::string Cp932(const std::string& utf8);

// A fresh directory that is removed with the object.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    std::string Write(const std::string& name, const Bytes& bytes) const;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace soundtest

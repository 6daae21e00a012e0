#include <cstring>

#include "Exceptions.h"
#include "Messages.h"
#include "OggVorbisReader.h"
#include "WaveSoundReader.h"

namespace morwick {

std::unique_ptr<ISoundReader> CreateSoundReader(IStream& stream) {
    const int32_t start = stream.Tell();
    unsigned char header[16] = {};
    stream.Read(header, sizeof header);
    stream.Seek(start, 0);
    std::unique_ptr<ISoundReader> reader;
    if (std::memcmp(header, "Ogg", 3) == 0) {
        reader = std::make_unique<COggVorbisReader>();
    } else if (std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "WAVE", 4) == 0) {
        reader = std::make_unique<CWaveSoundReader>();
    } else {
        throw EInvalidFileFormat(msg::kUnsupportedFormat);
    }
    reader->Open(stream);
    return reader;
}

}  // namespace morwick

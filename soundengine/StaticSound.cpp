#include "StaticSound.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

constexpr uint32_t kLocDefer = 0x40000;

}  // namespace

void CStaticSound::Open(CDXSound& device, IStream& stream) {
    const std::unique_ptr<ISoundReader> reader = CreateSoundReader(stream);
    CreateFromReader(device, *reader);
}

void CStaticSound::CreateFromReader(CDXSound& device, ISoundReader& reader) {
    buffer_.reset();
    memory_.reset();
    const uint32_t flags =
        creationFlags_ | (device.UseSoftwareBuffers() ? ds::DSBCAPS_LOCSOFTWARE : kLocDefer);
    const WaveFormat& format = *reader.GetFormat();
    const int32_t length = reader.GetLength();
    // An unknown or empty length cannot size a buffer; the size is made whole blocks.
    if (length > 0 && format.blockAlign != 0 && device.GetDirectSound() != nullptr) {
        const uint64_t blocks = (uint64_t(length) + format.blockAlign - 1) / format.blockAlign;
        buffer_ = device.GetDirectSound()->CreateSoundBuffer(
            format, static_cast<uint32_t>(blocks * format.blockAlign), flags);
    }
    if (!buffer_) {
        throw EReadError(*this, msg::kBufferCreateFailed);
    }
    silence_ = format.bitsPerSample == 8 ? 0x80 : 0;
    memory_ = std::make_unique<CMemoryStream>();
    std::vector<char> chunk(65536);
    for (int32_t got; (got = reader.Read(chunk.data(), static_cast<int32_t>(chunk.size()))) > 0;) {
        memory_->Write(chunk.data(), got);
    }
    if (!CopyIntoBuffer()) {
        buffer_->Restore();
        if (!CopyIntoBuffer()) {
            throw EReadError(*this, msg::kBufferLockFailed);
        }
    }
}

bool CStaticSound::CopyIntoBuffer() {
    void* first = nullptr;
    void* second = nullptr;
    uint32_t firstBytes = 0;
    uint32_t secondBytes = 0;
    if (buffer_->Lock(0, buffer_->GetBufferBytes(), &first, &firstBytes, &second, &secondBytes) !=
        ds::DS_OK) {
        return false;
    }
    const auto* data = static_cast<const unsigned char*>(memory_->GetData());
    const uint32_t have = std::min<uint32_t>(firstBytes, static_cast<uint32_t>(memory_->GetSize()));
    auto* region = static_cast<unsigned char*>(first);
    if (have > 0) {
        std::memcpy(region, data, have);
    }
    // What the reader did not deliver is silence in the sound's own sample format.
    std::memset(region + have, silence_, firstBytes - have);
    buffer_->Unlock(first, firstBytes, second, secondBytes);
    return true;
}

void CStaticSound::Play() {
    if (!buffer_) {
        return;
    }
    buffer_->SetCurrentPosition(0);
    const uint32_t flags = looping_ ? ds::DSBPLAY_LOOPING : 0;
    if (buffer_->Play(flags) == ds::DSERR_BUFFERLOST) {
        buffer_->Restore();
        CopyIntoBuffer();
        buffer_->Play(flags);
    }
}

}  // namespace morwick

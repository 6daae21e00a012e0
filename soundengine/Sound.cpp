#include "Sound.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Exceptions.h"

namespace morwick {

namespace {

// The constants as the single-precision values the conversion was made with: f is the float
// nearest 0.0001, so -10000 maps to -9786 rather than -10000.
constexpr long double kStep = static_cast<long double>(0.0001f);
constexpr long double kExponent = static_cast<long double>(0.22f);
constexpr long double kInverseExponent = 4.545454570084564L;

void LogDeviceError(int32_t code, int line) {
    char text[32];
    std::snprintf(text, sizeof text, "DirectX Error: 0x%08X", static_cast<uint32_t>(code));
    DiagnosticLog(text, __FILE__, line);
}

}  // namespace

int32_t UserToRaw(int32_t volume) {
    const long double v = std::clamp(volume, -10000, 0);
    return static_cast<int32_t>(-10000.0L * (1.0L - std::pow(1.0L + kStep * v, kExponent)));
}

int32_t RawToUser(int32_t raw) {
    const long double r = std::clamp(raw, -10000, 0);
    return static_cast<int32_t>(-10000.0L * (1.0L - std::pow(1.0L + kStep * r, kInverseExponent)));
}

bool CSound::IsPlaying() {
    if (!buffer_) {
        return false;
    }
    uint32_t status = 0;
    if (buffer_->GetStatus(&status) != ds::DS_OK) {
        return false;
    }
    return (status & ds::DSBSTATUS_PLAYING) != 0;
}

void CSound::Stop() {
    if (buffer_) {
        buffer_->Stop();
    }
}

void CSound::SetRawVolume(int32_t raw) {
    if (!buffer_) {
        return;
    }
    const int32_t result = buffer_->SetVolume(raw);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
    }
}

int32_t CSound::GetRawVolume() {
    if (!buffer_) {
        return 0;
    }
    int32_t raw = 0;
    const int32_t result = buffer_->GetVolume(&raw);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
        return 0;
    }
    return raw;
}

void CSound::SetVolume(int32_t volume) {
    if (buffer_) {
        SetRawVolume(UserToRaw(volume));
    }
}

int32_t CSound::GetVolume() {
    return buffer_ ? RawToUser(GetRawVolume()) : 0;
}

void CSound::SetPan(int32_t pan) {
    if (!buffer_) {
        return;
    }
    const int32_t result = buffer_->SetPan(pan);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
    }
}

int32_t CSound::GetPan() {
    if (!buffer_) {
        return 0;
    }
    int32_t pan = 0;
    const int32_t result = buffer_->GetPan(&pan);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
        return 0;
    }
    return pan;
}

}  // namespace morwick

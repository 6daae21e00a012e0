#include "DXSound.h"

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

void LogInitializeFailure(const char* text) {
    DiagnosticLog(std::string("ERROR: ") + text + "\n", __FILE__, __LINE__);
}

}  // namespace

CDXSound::CDXSound() {
    format_.formatTag = kFormatPcm;
    format_.channels = 2;
    format_.samplesPerSec = 44100;
    format_.bitsPerSample = 16;
}

CDXSound::~CDXSound() {
    Release();
}

bool CDXSound::Initialize() {
    Release();
    device_ = ds::Device::Create(output_);
    if (!device_) {
        LogInitializeFailure(msg::kDeviceCreateFailed);
        return false;
    }
    if (device_->SetCooperativeLevel(window_, ds::DSSCL_PRIORITY) != ds::DS_OK) {
        Release();
        LogInitializeFailure(msg::kCooperativeLevelFailed);
        return false;
    }
    // The primary format is fixed by the output (44,100 Hz, 16-bit stereo); it is kept for
    // those who ask, with its derived fields filled in as the device would.
    format_.blockAlign = static_cast<uint16_t>(format_.channels * format_.bitsPerSample / 8);
    format_.avgBytesPerSec = format_.blockAlign * format_.samplesPerSec;
    initialized_ = true;
    return true;
}

void CDXSound::Release() {
    device_.reset();
    initialized_ = false;
}

}  // namespace morwick

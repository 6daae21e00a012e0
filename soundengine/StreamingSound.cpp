#include "StreamingSound.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "EngineThread.h"
#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

// The platform's millisecond clock: wraps at 32 bits, only differences are used.
uint32_t TimeGetTime() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void LogDeviceError(int32_t code, int line) {
    char text[32];
    std::snprintf(text, sizeof text, "DirectX Error: 0x%08X", static_cast<uint32_t>(code));
    DiagnosticLog(text, __FILE__, line);
}

}  // namespace

CStreamingSound::CStreamingSound(uint32_t creationFlags) : CSound(creationFlags) {}

CStreamingSound::~CStreamingSound() {
    Close();
}

void CStreamingSound::Open(CDXSound& device, IStream& stream) {
    Close();
    device_ = &device;
    streamCopy_ = stream.Clone();
    reader_ = CreateSoundReader(*streamCopy_);
    CreateBuffer();
}

void CStreamingSound::CreateBuffer() {
    const WaveFormat& format = *reader_->GetFormat();
    ds::Device* directSound = device_->GetDirectSound();
    // Two seconds, rounded down to whole groups of 16 blocks per second; computed only after
    // the format is known to be playable, so the block align is never 0.
    uint64_t bytes = 0;
    if (ds::IsPlayableFormat(format)) {
        const uint64_t group = 16ull * format.blockAlign;
        bytes = 2 * (format.avgBytesPerSec / group * group);
    }
    if (directSound != nullptr && bytes >= 16ull * format.blockAlign && bytes <= 0x7FFFFFFF) {
        buffer_ = directSound->CreateSoundBuffer(
            format, static_cast<uint32_t>(bytes),
            creationFlags_ | ds::DSBCAPS_CTRLPOSITIONNOTIFY | ds::DSBCAPS_LOCSOFTWARE);
    }
    if (!buffer_) {
        LogDeviceError(ds::DSERR_INVALIDPARAM, __LINE__);
        throw EReadError(*this, msg::kBufferCreateFailed);
    }
    bufferBytes_ = static_cast<uint32_t>(bytes);
    events_ = std::make_unique<CEventSet>(kSegments + 1);
    if (!buffer_->CanNotify()) {
        throw EReadError(*this, msg::kNotifyCreateFailed);
    }
    segmentBytes_ = bufferBytes_ / kSegments;
    std::vector<ds::PositionNotify> notifies;
    for (int i = 0; i < kSegments; ++i) {
        notifies.push_back({static_cast<uint32_t>(i + 1) * segmentBytes_ - 1, events_.get(), i});
    }
    notifies.push_back({ds::DSBPN_OFFSETSTOP, events_.get(), kStopEvent});
    const int32_t result = buffer_->SetNotificationPositions(notifies);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
    }
    writeCursor_ = 0;
    lastPlayPosition_ = 0;
    playedBytes_ = 0;
    endReached_ = false;
    deliveredBytes_ = 0;
}

void CStreamingSound::Close() {
    StopFadeThread(true);
    if (buffer_) {
        buffer_->Stop();
    }
    // Joined before anything it uses goes away; the stop event stays set until it is seen.
    if (streamThread_.joinable()) {
        events_->Set(kStopEvent);
        streamThread_.join();
    }
    std::lock_guard<CCriticalSection> guard(lock_);
    buffer_.reset();
    reader_.reset();
    streamCopy_.reset();
    events_.reset();
}

void CStreamingSound::StopFadeThread(bool applyEnd) {
    if (!fadeThread_.joinable()) {
        return;
    }
    fadeCancelled_ = !applyEnd;
    fadeAbort_.Set(0);
    fadeThread_.join();
    fadeAbort_.ResetAll();
    fading_ = false;
}

void CStreamingSound::Play() {
    if (!buffer_ || IsPlaying()) {
        return;
    }
    if (streamThread_.joinable()) {
        events_->Set(kStopEvent);
        streamThread_.join();
    }
    events_->ResetAll();
    {
        std::lock_guard<std::mutex> guard(startMutex_);
        startDone_ = false;
    }
    streaming_ = true;
    try {
        streamThread_ =
            StartEngineThread(EngineThread::Stream, &CStreamingSound::StreamThread, this);
    } catch (const std::system_error&) {
        streaming_ = false;
        throw EReadError(*this, msg::kThreadCreateFailed);
    }
    std::unique_lock<std::mutex> guard(startMutex_);
    startChanged_.wait(guard, [this] { return startDone_; });
}

void CStreamingSound::StreamThread() {
    int32_t started = ds::DS_OK;
    {
        std::lock_guard<CCriticalSection> guard(lock_);
        writeCursor_ = 0;
        lastPlayPosition_ = 0;
        for (int i = 0; i < kSegments; ++i) {
            FillSegment();
        }
        buffer_->SetCurrentPosition(0);
        started = buffer_->Play(ds::DSBPLAY_LOOPING);
    }
    if (started != ds::DS_OK) {
        // A buffer that never plays gives no notifications to wait for (the output is gone).
        LogDeviceError(started, __LINE__);
        streaming_ = false;
    }
    {
        std::lock_guard<std::mutex> guard(startMutex_);
        startDone_ = true;
    }
    startChanged_.notify_all();
    if (started != ds::DS_OK) {
        return;
    }
    // Thread priorities stay normal: raising them needs privileges here.
    int expected = 0;
    for (;;) {
        const int index = events_->WaitAny();
        if (index == kStopEvent) {
            streaming_ = false;
            return;
        }
        // A notification that comes out of order is skipped.
        if (index == expected) {
            std::lock_guard<CCriticalSection> guard(lock_);
            FillSegment();
            expected = (index + 1) % kSegments;
        }
    }
}

void CStreamingSound::restore() {
    uint32_t status = 0;
    const int32_t result = buffer_->GetStatus(&status);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
        return;
    }
    if ((status & ds::DSBSTATUS_BUFFERLOST) != 0) {
        while (buffer_->Restore() == ds::DSERR_BUFFERLOST) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

uint32_t CStreamingSound::ReadSome(unsigned char* region, uint32_t bytes, bool& failed) {
    try {
        const int32_t got = reader_->Read(region, static_cast<int32_t>(bytes));
        if (got > 0) {
            deliveredBytes_ += got;
            return static_cast<uint32_t>(got);
        }
    } catch (...) {
        // Nothing may escape the streaming thread: a failed read ends the sound.
        failed = true;
    }
    return 0;
}

void CStreamingSound::FillSegment() {
    if (!buffer_ || !reader_) {
        return;
    }
    restore();
    void* first = nullptr;
    void* second = nullptr;
    uint32_t firstBytes = 0;
    uint32_t secondBytes = 0;
    int32_t result =
        buffer_->Lock(writeCursor_, segmentBytes_, &first, &firstBytes, &second, &secondBytes);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
        return;
    }
    if (second != nullptr) {
        buffer_->Unlock(first, firstBytes, second, secondBytes);
        DiagnosticLog(msg::kLockTwoRegions, __FILE__, __LINE__);
        return;
    }
    auto* region = static_cast<unsigned char*>(first);
    const unsigned char silence = reader_->GetFormat()->bitsPerSample == 8 ? 0x80 : 0;
    if (endReached_) {
        std::memset(region, silence, firstBytes);
    } else {
        bool failed = false;
        uint32_t filled = ReadSome(region, firstBytes, failed);
        bool ended = failed;
        if (filled < firstBytes && !failed && looping_) {
            // Completed from the rewound reader within the same fill, so the joint is seamless.
            while (filled < firstBytes) {
                try {
                    reader_->Rewind();
                } catch (...) {
                    failed = true;
                }
                const uint32_t got =
                    failed ? 0 : ReadSome(region + filled, firstBytes - filled, failed);
                if (got == 0) {
                    // Nothing after a rewind: the sound can only end, not spin here.
                    ended = true;
                    break;
                }
                filled += got;
            }
        } else if (filled < firstBytes) {
            ended = true;
        }
        if (ended) {
            std::memset(region + filled, silence, firstBytes - filled);
            endReached_ = true;
            const int32_t length = reader_->GetLength();
            endLength_ = failed || looping_ || length < 0 ? deliveredBytes_ : int64_t{length};
        }
    }
    buffer_->Unlock(first, firstBytes, nullptr, 0);

    uint32_t play = 0;
    result = buffer_->GetCurrentPosition(&play);
    if (result != ds::DS_OK) {
        LogDeviceError(result, __LINE__);
        return;
    }
    const uint32_t advance = play >= lastPlayPosition_ ? play - lastPlayPosition_
                                                       : bufferBytes_ - lastPlayPosition_ + play;
    playedBytes_ += advance;
    lastPlayPosition_ = play;
    if (endReached_ && int64_t{playedBytes_} >= endLength_) {
        buffer_->Stop();
        endReached_ = false;
    }
    writeCursor_ = (writeCursor_ + firstBytes) % bufferBytes_;
}

void CStreamingSound::Restart() {
    if (!buffer_) {
        return;
    }
    if (IsPlaying()) {
        Stop();
        {
            std::lock_guard<CCriticalSection> guard(lock_);
            playedBytes_ = 0;
            endReached_ = false;
            deliveredBytes_ = 0;
            reader_->Rewind();
        }
        Play();
    } else {
        std::lock_guard<CCriticalSection> guard(lock_);
        playedBytes_ = 0;
        endReached_ = false;
        deliveredBytes_ = 0;
        reader_->Rewind();
    }
}

void CStreamingSound::StartFade(int32_t from, int32_t to, uint32_t duration, bool stopAtEnd) {
    if (!buffer_) {
        return;
    }
    // Set before the thread exists, so two quick calls cannot start two fades.
    bool idle = false;
    if (!fading_.compare_exchange_strong(idle, true)) {
        return;
    }
    if (fadeThread_.joinable()) {
        fadeThread_.join();
    }
    fadeAbort_.ResetAll();
    fadeFrom_ = from;
    fadeTo_ = to;
    fadeDuration_ = duration;
    stopAtFadeEnd_ = stopAtEnd;
    fadeCancelled_ = false;
    try {
        fadeThread_ = StartEngineThread(EngineThread::Fade, &CStreamingSound::FadeThread, this);
    } catch (const std::system_error&) {
        fading_ = false;
        throw EReadError(*this, msg::kThreadCreateFailed);
    }
}

void CStreamingSound::FadeThread() {
    SetRawVolume(fadeFrom_);
    const int64_t a = RawToUser(fadeFrom_);
    const int64_t b = RawToUser(fadeTo_);
    const uint32_t start = TimeGetTime();
    while (fadeAbort_.WaitAny(std::chrono::milliseconds(30)) == CEventSet::kTimeout) {
        const uint32_t elapsed = TimeGetTime() - start;
        if (elapsed > fadeDuration_) {
            break;
        }
        if (elapsed > 100 && !IsPlaying()) {
            break;
        }
        // In 64 bits: long fades would overflow the product in 32.
        SetVolume(static_cast<int32_t>(a + int64_t{elapsed} * (b - a) / fadeDuration_));
    }
    // A fade-in taken over by a fade-out leaves the volume where it got to.
    if (!fadeCancelled_) {
        SetRawVolume(fadeTo_);
        if (stopAtFadeEnd_) {
            Stop();
        }
    }
    fading_ = false;
}

void CStreamingSound::FadeIn(int32_t ms) {
    if (!buffer_ || fading_) {
        return;
    }
    if (ms <= 0) {
        Play();
        return;
    }
    const int32_t target = GetRawVolume();
    SetRawVolume(-10000);
    try {
        Play();
        StartFade(-10000, target, static_cast<uint32_t>(ms), false);
    } catch (const EException&) {
        // Not left playing unheard: the caller learns that the start failed, and the volume
        // is back where it was for the next start.
        Stop();
        SetRawVolume(target);
        throw;
    }
}

void CStreamingSound::FadeOut(int32_t ms) {
    if (!buffer_) {
        return;
    }
    if (fading_) {
        if (stopAtFadeEnd_) {
            return;  // a fade-out is already running and finishes as it is
        }
        // A fade-out takes over from a running fade-in at the volume it reached.
        StopFadeThread(false);
    }
    if (!IsPlaying()) {
        return;
    }
    if (ms <= 0) {
        SetRawVolume(-10000);
        Stop();
        return;
    }
    StartFade(GetRawVolume(), -10000, static_cast<uint32_t>(ms), true);
}

}  // namespace morwick

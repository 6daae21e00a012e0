// The sound every track plays: a two-second ring buffer of 16 segments, refilled one segment
// at a time by a thread of its own as the play cursor leaves each, and volume fades run on a
// second thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "CriticalSection.h"
#include "EventSet.h"
#include "Sound.h"
#include "SoundReader.h"

namespace morwick {

class CStreamingSound : public CSound {
  public:
    static constexpr int kSegments = 16;
    static constexpr int kStopEvent = kSegments;

    explicit CStreamingSound(uint32_t creationFlags);
    ~CStreamingSound() override;

    void Open(CDXSound& device, IStream& stream) override;
    // Returns once the buffer is playing (or the start failed), so IsPlaying answers true.
    void Play() override;
    virtual void Restart();
    virtual void FadeIn(int32_t ms);
    virtual void FadeOut(int32_t ms);

    uint32_t GetBufferBytes() const { return bufferBytes_; }
    // Whether the streaming thread is still at work; it ends by itself once the buffer stops.
    bool IsStreaming() const { return streaming_; }
    bool IsFading() const { return fading_; }

  private:
    void Close();
    void CreateBuffer();
    void FillSegment();
    void restore();
    void StartFade(int32_t from, int32_t to, uint32_t duration, bool stopAtEnd);
    void StopFadeThread(bool applyEnd);
    void StreamThread();
    void FadeThread();
    // Reads into the region, turning a reader failure into the end of the sound.
    uint32_t ReadSome(unsigned char* region, uint32_t bytes, bool& failed);

    CDXSound* device_ = nullptr;
    uint32_t bufferBytes_ = 0;
    CCriticalSection lock_;
    std::unique_ptr<IStream> streamCopy_;
    std::unique_ptr<ISoundReader> reader_;
    std::unique_ptr<CEventSet> events_;
    std::thread streamThread_;
    std::atomic<bool> streaming_{false};
    uint32_t segmentBytes_ = 0;
    uint32_t writeCursor_ = 0;
    uint32_t lastPlayPosition_ = 0;
    uint32_t playedBytes_ = 0;
    bool endReached_ = false;
    // Bytes the reader delivered since the sound was opened or restarted.
    int64_t deliveredBytes_ = 0;
    // Played bytes at which an ended sound stops.
    int64_t endLength_ = 0;

    std::atomic<bool> fading_{false};
    std::thread fadeThread_;
    int32_t fadeFrom_ = 0;
    int32_t fadeTo_ = 0;
    uint32_t fadeDuration_ = 0;
    CEventSet fadeAbort_{1};
    bool stopAtFadeEnd_ = false;
    std::atomic<bool> fadeCancelled_{false};

    // The first fill of a start: Play waits for it.
    std::mutex startMutex_;
    std::condition_variable startChanged_;
    bool startDone_ = false;
};

}  // namespace morwick

#pragma once

// The binding of the sound engine library QKSound.qkx. The player does not link against it: it
// loads it by path at window creation, checks its revision, binds its exports by name and
// initialises it for the main window. When any of that fails the engine stays unloaded and
// every call does nothing, which is how the player runs without sampled sound (music through
// MIDI only).

#include <cstdint>
#include <string>

#include "platform/DynamicLibrary.h"
#include "platform/MessageBox.h"

namespace tavri {

// The only revision of the library's interface this player speaks.
inline constexpr int32_t kQKSoundRevision = 1;

// Our own engine for a novel that does not carry one we can load: beside the player, else in
// the folder TAVRI_SOUNDENGINE names, else where an installed player keeps its libraries. When
// none is there the first is given, so that loading fails with the usual message.
std::string InstalledSoundEngine(const std::string& executablePath);

class TQKSoundEngine {
  public:
    // Loads and binds the library at `libraryPath` (native, absolute) and initialises it for
    // `window`; failures are told through `messages`, which is used only here.
    TQKSoundEngine(uint32_t window, const std::string& libraryPath,
                   platform::IMessageBoxService& messages);
    ~TQKSoundEngine();
    TQKSoundEngine(const TQKSoundEngine&) = delete;
    TQKSoundEngine& operator=(const TQKSoundEngine&) = delete;

    bool IsLoaded() const { return loaded_; }
    // Whether the library is still in memory (it stays when initialisation alone failed).
    bool LibraryLoaded() const { return library_ != nullptr; }

    // Names and tracks are cp932 byte strings; file names are native paths.
    void Play(const std::string& track, const std::string& fileName, int32_t fadeInMs);
    void PlayFromFilePartition(const std::string& track, const std::string& fileName,
                               int32_t fadeInMs, int32_t offset, int32_t size);
    // The player passes -1 for true.
    void SetLooping(const std::string& track, int32_t loop);
    void FadeOut(const std::string& track, int32_t ms);
    bool IsPlaying(const std::string& track) const;

  private:
    using GetRevisionFn = int32_t (*)();
    using InitializeFn = int32_t (*)(uint32_t);
    using FinalizeFn = int32_t (*)();
    using PlayFn = int32_t (*)(const char*, const char*, int32_t);
    using PlayFromFilePartitionFn = int32_t (*)(const char*, const char*, int32_t, int32_t,
                                                int32_t);
    using SetLoopingFn = void (*)(const char*, int32_t);
    using SetVolumeFn = void (*)(const char*, int32_t);
    using StopFn = void (*)(const char*);
    using FadeOutFn = void (*)(const char*, int32_t);
    using IsPlayingFn = int32_t (*)(const char*);

    // Binds one export; a missing one is told to the user and leaves `slot` null.
    template <typename F>
    bool GetExport(const char* name, F& slot);
    bool BindExports();
    void Unload();

    platform::IMessageBoxService& messages_;
    uint32_t window_ = 0;
    bool loaded_ = false;
    platform::LibraryHandle library_ = nullptr;
    GetRevisionFn getRevision_ = nullptr;
    InitializeFn initialize_ = nullptr;
    FinalizeFn finalize_ = nullptr;
    PlayFn play_ = nullptr;
    PlayFromFilePartitionFn playFromFilePartition_ = nullptr;
    SetLoopingFn setLooping_ = nullptr;
    SetVolumeFn setVolume_ = nullptr;
    StopFn stop_ = nullptr;
    FadeOutFn fadeOut_ = nullptr;
    IsPlayingFn isPlaying_ = nullptr;
};

}  // namespace tavri

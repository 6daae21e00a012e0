#include "sound/SoundEngine.h"

#include <cstdio>

#include "platform/TextEncoding.h"

namespace tavri {

using platform::Cp932;

TQKSoundEngine::TQKSoundEngine(uint32_t window, const std::string& libraryPath,
                               platform::IMessageBoxService& messages)
    : messages_(messages), window_(window) {
    library_ = platform::LoadDynamicLibrary(libraryPath);
    if (library_ == nullptr) {
        messages_.Show(Cp932("QKSound をロードできません."), "Error", platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
        return;
    }
    // The revision is asked before anything else is bound: another revision may lay out its
    // exports differently.
    if (!GetExport("QKSoundGetRevision", getRevision_)) {
        Unload();
        return;
    }
    const int32_t revision = getRevision_();
    if (revision != kQKSoundRevision) {
        char text[256];
        std::snprintf(text, sizeof text,
                      Cp932("対応していないサウンドエンジン(QKSound)がロードされました.\r\n"
                            "(要求リビジョン = %d, ロードされたDLLのリビジョン = %d)")
                          .c_str(),
                      int(kQKSoundRevision), int(revision));
        messages_.Show(text, "Error", platform::MsgIcon::Error, platform::MsgButtons::Ok);
        Unload();
        return;
    }
    if (!BindExports()) {
        Unload();
        return;
    }
    // When the device cannot open the library stays loaded, but nothing calls into it again.
    loaded_ = initialize_(window_) != 0;
}

TQKSoundEngine::~TQKSoundEngine() {
    if (loaded_) {
        finalize_();
        loaded_ = false;
    }
    Unload();
}

template <typename F>
bool TQKSoundEngine::GetExport(const char* name, F& slot) {
    slot = reinterpret_cast<F>(platform::FindLibraryExport(library_, name));
    if (slot == nullptr) {
        messages_.Show(Cp932("関数 ") + name + Cp932("() をインポートできません."),
                       Cp932("QKSound ロードエラー"), platform::MsgIcon::Error,
                       platform::MsgButtons::Ok);
        return false;
    }
    return true;
}

// In the library's own order; the first missing export is the one the user hears of.
bool TQKSoundEngine::BindExports() {
    return GetExport("QKSoundInitialize", initialize_) && GetExport("QKSoundFinalize", finalize_) &&
           GetExport("QKSoundPlay", play_) &&
           GetExport("QKSoundPlayFromFilePartition", playFromFilePartition_) &&
           GetExport("QKSoundSetLooping", setLooping_) &&
           GetExport("QKSoundSetVolume", setVolume_) && GetExport("QKSoundStop", stop_) &&
           GetExport("QKSoundFadeOut", fadeOut_) && GetExport("QKSoundIsPlaying", isPlaying_);
}

// The handle is cleared at once, so no later path can unload the library a second time.
void TQKSoundEngine::Unload() {
    loaded_ = false;
    platform::LibraryHandle library = library_;
    library_ = nullptr;
    getRevision_ = nullptr;
    initialize_ = nullptr;
    finalize_ = nullptr;
    play_ = nullptr;
    playFromFilePartition_ = nullptr;
    setLooping_ = nullptr;
    setVolume_ = nullptr;
    stop_ = nullptr;
    fadeOut_ = nullptr;
    isPlaying_ = nullptr;
    platform::UnloadDynamicLibrary(library);
}

void TQKSoundEngine::Play(const std::string& track, const std::string& fileName, int32_t fadeInMs) {
    if (loaded_) {
        play_(track.c_str(), fileName.c_str(), fadeInMs);
    }
}

void TQKSoundEngine::PlayFromFilePartition(const std::string& track, const std::string& fileName,
                                           int32_t fadeInMs, int32_t offset, int32_t size) {
    if (loaded_) {
        playFromFilePartition_(track.c_str(), fileName.c_str(), fadeInMs, offset, size);
    }
}

void TQKSoundEngine::SetLooping(const std::string& track, int32_t loop) {
    if (loaded_) {
        setLooping_(track.c_str(), loop);
    }
}

void TQKSoundEngine::FadeOut(const std::string& track, int32_t ms) {
    if (loaded_) {
        fadeOut_(track.c_str(), ms);
    }
}

bool TQKSoundEngine::IsPlaying(const std::string& track) const {
    return loaded_ && isPlaying_(track.c_str()) != 0;
}

}  // namespace tavri

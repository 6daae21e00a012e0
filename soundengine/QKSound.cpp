// The eleven exports. Nothing thrown inside ever crosses them: the two play exports report
// through the error handler, the others stay silent.
#include "QKSound.h"

#include <memory>
#include <string>

#include "Engine.h"
#include "FilePartitionStream.h"
#include "FileStream.h"

namespace morwick {

namespace {

// Declared device first, so that the tracks go before the device at unload.
struct Library {
    CDXSound device;
    CSoundTrackList tracks;
    QKSoundErrorHandler handler = nullptr;
};

Library& TheLibrary() {
    static Library library;
    return library;
}

int32_t PlayStream(const char* track, IStream& stream, int32_t fadeInMs) {
    Library& library = TheLibrary();
    PlayOnTrack(library.tracks, library.device, track, stream, fadeInMs);
    return 1;
}

template <typename Action>
void Silently(Action action) {
    try {
        action();
    } catch (...) {
        // Only the play exports report errors.
    }
}

}  // namespace

}  // namespace morwick

using namespace morwick;

extern "C" {

int32_t QKSoundGetRevision(void) {
    return 1;
}

int32_t QKSoundInitialize(uint32_t window) {
    try {
        Library& library = TheLibrary();
        library.device.SetWindow(window);
        library.device.SetSoftwareBuffers(true);
        return library.device.Initialize() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

QKSoundErrorHandler QKSoundSetErrorHandler(QKSoundErrorHandler handler) {
    TheLibrary().handler = handler;
    return handler;
}

int32_t QKSoundFinalize(void) {
    Silently([] {
        Library& library = TheLibrary();
        library.tracks.Clear();
        library.device.Release();
    });
    return 0;
}

int32_t QKSoundPlay(const char* track, const char* file, int32_t fadeInMs) {
    try {
        std::unique_ptr<IStream> stream = std::make_unique<CFileStream>(file, 1, 1);
        return PlayStream(track, *stream, fadeInMs);
    } catch (...) {
        ReportCurrentException(TheLibrary().handler);
        return 0;
    }
}

int32_t QKSoundPlayFromFilePartition(const char* track, const char* file, int32_t fadeInMs,
                                     int32_t offset, int32_t size) {
    try {
        std::unique_ptr<IStream> stream =
            std::make_unique<CFilePartitionStream>(offset, size, file, 1, 1);
        return PlayStream(track, *stream, fadeInMs);
    } catch (...) {
        ReportCurrentException(TheLibrary().handler);
        return 0;
    }
}

void QKSoundSetLooping(const char* track, int32_t loop) {
    Silently([&] { TheLibrary().tracks.GetTrack(track)->streamingSound.SetLooping(loop != 0); });
}

void QKSoundSetVolume(const char* track, int32_t volume) {
    Silently([&] {
        const auto sound = TheLibrary().tracks.GetTrack(track);
        sound->volume = volume;
        sound->streamingSound.SetVolume(volume);
    });
}

void QKSoundStop(const char* track) {
    Silently([&] { TheLibrary().tracks.GetTrack(track)->streamingSound.Stop(); });
}

void QKSoundFadeOut(const char* track, int32_t fadeMs) {
    Silently([&] { FadeOutTrack(TheLibrary().tracks, track, fadeMs); });
}

int32_t QKSoundIsPlaying(const char* track) {
    try {
        return TheLibrary().tracks.GetTrack(track)->streamingSound.IsPlaying() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"

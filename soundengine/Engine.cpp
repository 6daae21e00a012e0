#include "Engine.h"

#include <cxxabi.h>

#include <exception>

#include "Exceptions.h"
#include "Messages.h"

namespace morwick {

namespace {

std::string OrUnknown(std::string text) {
    return text.empty() ? msg::kUnknown : text;
}

void Report(QKSoundErrorHandler handler, const std::string& type, const std::string& origin,
            const std::string& message) {
    const std::string text = msg::kExceptionPrefix + type + msg::kOriginPrefix + OrUnknown(origin) +
                             msg::kDetailPrefix + OrUnknown(message);
    handler(text.c_str());
}

}  // namespace

void ReportCurrentException(QKSoundErrorHandler handler) noexcept {
    if (handler == nullptr) {
        return;
    }
    try {
        try {
            throw;
        } catch (const EException& e) {
            Report(handler, ClassName(typeid(e)), e.GetOrigin(), e.GetMessage());
        } catch (const std::exception& e) {
            Report(handler, ClassName(typeid(e)), "", e.what());
        } catch (...) {
            const std::type_info* type = abi::__cxa_current_exception_type();
            Report(handler, type != nullptr ? ClassName(*type) : msg::kUnknown, "", "");
        }
    } catch (...) {
        // Building the text ran out of memory, or the handler threw: nothing more to say.
    }
}

void PlayOnTrack(CSoundTrackList& tracks, CDXSound& device, const std::string& track,
                 IStream& stream, int32_t fadeInMs) {
    tracks.GetTrack(track)->streamingSound.Open(device, stream);
    const auto sound = tracks.GetTrack(track);
    sound->streamingSound.SetVolume(sound->volume);
    if (fadeInMs > 0) {
        sound->streamingSound.FadeIn(fadeInMs);
    } else {
        sound->streamingSound.Play();
    }
}

void FadeOutTrack(CSoundTrackList& tracks, const std::string& track, int32_t fadeMs) {
    const auto sound = tracks.GetTrack(track);
    try {
        sound->streamingSound.FadeOut(fadeMs);
    } catch (const EException&) {
        sound->streamingSound.Stop();
    }
}

}  // namespace morwick

#include "SoundTrackList.h"

namespace morwick {

CSoundTrackList::~CSoundTrackList() {
    Clear();
}

void CSoundTrackList::Clear() {
    // Each track stops its threads and releases its buffer as it is destroyed.
    tracks_.clear();
}

std::shared_ptr<CSoundTrackList::CSoundTrack> CSoundTrackList::GetTrack(const std::string& name) {
    std::shared_ptr<CSoundTrack>& track = tracks_[name];
    if (!track) {
        track = std::make_shared<CSoundTrack>();
    }
    return track;
}

size_t CSoundTrackList::Remove(const std::string& name) {
    return tracks_.erase(name);
}

int32_t CSoundTrackList::GetVolume(const std::string& name) {
    return GetTrack(name)->volume;
}

void CSoundTrackList::SetVolume(const std::string& name, int32_t volume) {
    const auto track = GetTrack(name);
    track->volume = volume;
    track->streamingSound.SetVolume(volume);
}

void CSoundTrackList::ApplyVolume(const std::string& name) {
    const auto track = GetTrack(name);
    track->streamingSound.SetVolume(track->volume);
}

}  // namespace morwick

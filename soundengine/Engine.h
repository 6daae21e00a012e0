// The work behind the play and fade exports, on a device and a track list given by the
// caller. The exports run it on the library's one device and list; tests run it on a device
// whose output they drive, and so reach failures the exports cannot be made to show.
#pragma once

#include <cstdint>
#include <string>

#include "DXSound.h"
#include "QKSound.h"
#include "SoundTrackList.h"
#include "Stream.h"

namespace morwick {

// Passes the exception being handled to the handler as its three-line text; nothing without
// a handler. Only inside a catch block; never throws.
void ReportCurrentException(QKSoundErrorHandler handler) noexcept;

// Opens the stream on the track, applies the track's volume and starts it, with a fade-in
// when fadeInMs > 0. Throws what those steps throw.
void PlayOnTrack(CSoundTrackList& tracks, CDXSound& device, const std::string& track,
                 IStream& stream, int32_t fadeInMs);

// Fades the track out. When no fade can start, the track is stopped at once instead: the
// caller wanted silence, and has no way to hear of the failure.
void FadeOutTrack(CSoundTrackList& tracks, const std::string& track, int32_t fadeMs);

}  // namespace morwick

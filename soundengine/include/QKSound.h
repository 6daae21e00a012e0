// The C interface of the sound engine library QKSound.qkx. Only 32-bit integers and
// zero-terminated byte strings owned by the caller cross it; no exception ever does.
#pragma once

#include <stdint.h>

#if defined(QKSOUND_BUILDING)
#define QKSOUND_API __attribute__((visibility("default")))
#else
#define QKSOUND_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Receives a cp932 error text that lives only during the call.
typedef void (*QKSoundErrorHandler)(const char* text);

QKSOUND_API int32_t QKSoundGetRevision(void);
QKSOUND_API int32_t QKSoundInitialize(uint32_t window);
QKSOUND_API QKSoundErrorHandler QKSoundSetErrorHandler(QKSoundErrorHandler handler);
QKSOUND_API int32_t QKSoundFinalize(void);
QKSOUND_API int32_t QKSoundPlay(const char* track, const char* file, int32_t fadeInMs);
QKSOUND_API int32_t QKSoundPlayFromFilePartition(const char* track, const char* file,
                                                 int32_t fadeInMs, int32_t offset, int32_t size);
QKSOUND_API void QKSoundSetLooping(const char* track, int32_t loop);
QKSOUND_API void QKSoundSetVolume(const char* track, int32_t volume);
QKSOUND_API void QKSoundStop(const char* track);
QKSOUND_API void QKSoundFadeOut(const char* track, int32_t fadeMs);
QKSOUND_API int32_t QKSoundIsPlaying(const char* track);

#ifdef __cplusplus
}
#endif

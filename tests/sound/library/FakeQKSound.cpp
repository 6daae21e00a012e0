// A stand-in for the sound engine library that the binding must refuse: built once with another
// revision number, and once without some of its exports; and one that leaves a mark when it is
// loaded at all, for the libraries that must never be.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifdef FAKE_RECORDS_LOAD
__attribute__((constructor)) static void RecordLoad() {
    if (const char* marker = std::getenv("TAVRI_FAKE_QKSOUND_MARKER")) {
        if (FILE* file = std::fopen(marker, "w")) {
            std::fclose(file);
        }
    }
}
#endif

#ifndef FAKE_REVISION
#define FAKE_REVISION 1
#endif

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT int32_t QKSoundGetRevision() {
    return FAKE_REVISION;
}
FAKE_EXPORT int32_t QKSoundInitialize(uint32_t) {
    return 1;
}
FAKE_EXPORT int32_t QKSoundFinalize() {
    return 0;
}
FAKE_EXPORT int32_t QKSoundPlay(const char*, const char*, int32_t) {
    return 1;
}
#ifndef FAKE_WITHOUT_PARTITION
FAKE_EXPORT int32_t QKSoundPlayFromFilePartition(const char*, const char*, int32_t, int32_t,
                                                 int32_t) {
    return 1;
}
#endif
FAKE_EXPORT void QKSoundSetLooping(const char*, int32_t) {}
FAKE_EXPORT void QKSoundSetVolume(const char*, int32_t) {}
#ifndef FAKE_WITHOUT_STOP_AND_FADE
FAKE_EXPORT void QKSoundStop(const char*) {}
FAKE_EXPORT void QKSoundFadeOut(const char*, int32_t) {}
#endif
FAKE_EXPORT int32_t QKSoundIsPlaying(const char*) {
    return 0;
}

// The main window's side of the sound engine: loading it, and the two tracks the scenario's
// commands play on ("bgm" and "sound").

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "PackageFile2.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"
#include "run/RunMain.h"

namespace tavri {

using platform::Cp932;

namespace {

constexpr const char* kSoundEngineEntry = "QKSound.qkx";
constexpr int32_t kTrackFadeOutMs = 250;

TReadPackageFile* OpenPackage(TRunCommon& state) {
    TReadPackageFile* package = state.Media.Package;
    return package != nullptr && package->Opened ? package : nullptr;
}

}  // namespace

std::string InstalledSoundEngine(const std::string& executablePath) {
    const std::string programFolder =
        platform::NativeFolderOf(platform::MakeAbsolute(executablePath));
    std::vector<std::string> candidates{programFolder + kSoundEngineEntry};
    if (const char* folder = std::getenv("TAVRI_SOUNDENGINE"); folder != nullptr && *folder) {
        std::string named = folder;
        candidates.push_back(named + (named.back() == '/' ? "" : "/") + kSoundEngineEntry);
    }
    candidates.push_back(programFolder + "../lib/tavri/" + kSoundEngineEntry);
    for (const std::string& candidate : candidates) {
        if (platform::FileExists(candidate)) {
            return candidate;
        }
    }
    return candidates.front();
}

void TMainForm::LoadSoundEngine() {
    platform::IMessageBoxService& messages = Application.Messages();
    SoundEngineFile.clear();
    std::string libraryPath;
    std::vector<uint8_t> bytes;
    TReadPackageFile* package = OpenPackage(State);
    // A novel packaged for Windows carries a Windows library: it is never written out or loaded.
    if (package != nullptr && !State.Session.ForeignPackage &&
        package->ReadEntry(kSoundEngineEntry, bytes)) {
        // The library is code: its copy is made where no other user can place or swap it, and
        // never at a fixed name in the shared temporary folder.
        platform::RemoveAbandonedPrivateFolders();
        std::string error;
        SoundEngineCopy = platform::TPrivateFile::Create(
            bytes, kSoundEngineEntry, platform::PrivateFileKind::Automatic, error);
        if (SoundEngineCopy) {
            SoundEngineFile = SoundEngineCopy->Path();
            libraryPath = SoundEngineFile;
        }
        // Without a copy the path stays empty and loading fails with the usual message.
    } else {
        libraryPath = InstalledSoundEngine(State.Session.ExecutablePath);
    }
    SoundEngine =
        std::make_unique<TQKSoundEngine>(Application.Display().WindowId(), libraryPath, messages);
    // A loaded library no longer needs its file, so nothing is left behind even by a crash.
    DeleteSoundEngineFile();
    if (!SoundEngine->IsLoaded()) {
        messages.Show(Cp932("Tavri! Novel サウンドエンジンを開始できませんでした.\r\n"
                            "音声無しモードで起動します."),
                      "Error", platform::MsgIcon::Error, platform::MsgButtons::Ok);
    }
}

void TMainForm::DeleteSoundEngineFile() {
    SoundEngineCopy.reset();
    SoundEngineFile.clear();
}

void TMainForm::PlaySoundTrack(const std::string& track, const std::string& name,
                               int32_t fadeInMs) {
    FadeOutSoundTrack(track);
    if (!SoundEngine) {
        return;
    }
    const std::vector<std::string> variants = NameVariants(name, {".OGG", ".WAV"});
    // The library reads the entry straight out of the file the archive is in; an entry beyond
    // what its 32-bit offsets reach counts as missing.
    const TMediaSource package{OpenPackage(State), {}, nullptr};
    const TMediaFile entry = FindInPackage(package, variants, [](const TMediaFile& candidate) {
        return candidate.Position + candidate.Size <= INT32_MAX;
    });
    if (entry.Found()) {
        const TNovelSession& session = State.Session;
        const std::string& archiveFile =
            session.PackagePath.empty() ? session.ExecutablePath : session.PackagePath;
        SoundEngine->PlayFromFilePartition(track, platform::MakeAbsolute(archiveFile), fadeInMs,
                                           int32_t(entry.Position), entry.Size);
        return;
    }
    const TMediaFile file = FindOnDisk(State.Media, variants);
    if (!file.Found()) {
        Application.Messages().Show(Cp932("ファイル ") + name + Cp932(" がありません."),
                                    Cp932(".SoundPlay エラー"), platform::MsgIcon::Error,
                                    platform::MsgButtons::Ok);
    }
    // With no file the library fails to open "" and the track stays silent.
    SoundEngine->Play(track, file.DiskPath, fadeInMs);
}

void TMainForm::FadeOutSoundTrack(const std::string& track) {
    if (SoundEngine) {
        SoundEngine->FadeOut(track, kTrackFadeOutMs);
    }
}

}  // namespace tavri

#include "Startup.h"

#include <algorithm>

#include "ArchiveLocator.h"
#include "Crypt.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace tavri {

namespace {

using platform::Cp932;

const char* const kStopLine = "実行を中止します。";

// Native names reach messages in cp932, with "?" where cp932 has no character.
std::string MessageName(const std::string& nativePath) {
    return platform::Utf8ToCp932(platform::NativeFileNameOf(nativePath));
}

int Stop(const TStartupEnvironment& env, const std::string& firstLine,
         const std::string& secondLine = Cp932(kStopLine)) {
    env.Messages.Show(firstLine + "\r\n" + secondLine, kRuntimeCaption, platform::MsgIcon::Error,
                      platform::MsgButtons::Ok);
    return 1;
}

std::string Format(const char* utf8Pattern, const std::string& cp932Value) {
    std::string pattern = Cp932(utf8Pattern);
    size_t at = pattern.find("%s");
    return pattern.substr(0, at) + cp932Value + pattern.substr(at + 2);
}

bool OpenPackage(const TStartupEnvironment& env, const std::string& path, TNovelSession& session) {
    std::unique_ptr<platform::TStream> exe;
    try {
        exe = platform::OpenFileStream(path, platform::FileMode::Read);
    } catch (const platform::EStreamError&) {
        return false;
    }
    int64_t start = LocateArchive(*exe);
    if (start < 0) {
        return false;
    }
    exe->Seek(start, platform::SeekOrigin::Begin);
    session.PackageStream = std::move(exe);
    session.Package = std::make_unique<TReadPackageFile>(env.Messages);
    session.Package->OpenStream(*session.PackageStream);
    session.PackagePath = path;
    return true;
}

// A Windows program (a novel packaged for Windows is one): a regular file that starts with
// "MZ".
bool IsWindowsImage(const std::string& path) {
    if (path.empty() || !platform::FileExists(path) || platform::DirectoryExists(path)) {
        return false;
    }
    try {
        auto file = platform::OpenFileStream(path, platform::FileMode::Read);
        uint8_t head[2] = {};
        return file->Read(head, 2) == 2 && head[0] == 'M' && head[1] == 'Z';
    } catch (const platform::EStreamError&) {
        return false;
    }
}

bool IsOptionWord(const std::string& upper) {
    return upper == "/DEBUG" || upper == "/16";
}

// Loads header, counters and items; returns 0 or the exit status after the message.
int LoadScenario(const TStartupEnvironment& env, TNovelSession& session, platform::TStream& s,
                 const std::string& shownName) {
    try {
        session.Header->LoadFromStream(s);
        if (session.Header->Version != kScenarioVersion) {
            std::string versionName =
                session.Package ? std::string() : MessageName(session.ScenarioPath);
            return Stop(env, Format("%s のファイルバージョンが違います。", versionName),
                        Format("Tavri! Novel %s で保存しなおしてください。", kRuntimeVersion));
        }
        session.InitialCounters->LoadFromStream(s);
        session.Counters->Assign(*session.InitialCounters);
        session.Items->LoadFromStream(s);
    } catch (const EScenarioError& e) {
        switch (e.kind) {
            case EScenarioError::TooManyItems:
                return Stop(env, Format("%s のアイテム数が 2048 を超えています。", shownName));
            case EScenarioError::TooManyCounters:
                return Stop(env, Format("%s のカウンタ数が 256 を超えています。", shownName));
            case EScenarioError::Damaged:
                break;
        }
        return Stop(env, Format("%s のデータが壊れています。", shownName));
    }
    if (session.Items->Count == 0) {
        return Stop(env, Format("%s にアイテムがありません。", shownName));
    }
    return 0;
}

// A package cut short (a download that stopped halfway) still plays what it holds, but the
// reader hears once why pages stay black: how many of its files are gone.
void TellOfMissingEntries(const TStartupEnvironment& env, const TNovelSession& session) {
    if (!session.Package) {
        return;
    }
    int missing = 0;
    for (int i = 0; i < int(session.Package->Entries.size()); ++i) {
        missing +=
            session.Package->Entries[size_t(i)].Name.empty() || !session.Package->EntryReadable(i);
    }
    if (missing == 0) {
        return;
    }
    env.Messages.Show(
        Format("%s が壊れています。", MessageName(session.PackagePath)) + "\r\n" +
            Format("中のファイルのうち %s 個が読めません。読めるところだけで続けます。",
                   std::to_string(missing)),
        kRuntimeCaption, platform::MsgIcon::Warning, platform::MsgButtons::Ok);
}

}  // namespace

std::string DerivedBookmarkPath(const std::string& path) {
    std::string changed = platform::NativeChangeExt(path, ".qkb");
    std::string folder = platform::NativeFolderOf(changed);
    std::string name = platform::NativeFileNameOf(changed);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return folder + name;
}

void ApplyCommandLine(const TStartupEnvironment& env, TNovelSession& session) {
    session.DataFolder.clear();
    session.BookmarkPath.clear();
    session.BookmarkPathGiven = false;
    auto absolute = [&](const std::string& p) {
        return p.empty() ? p : platform::MakeAbsolute(p, env.StartDirectory);
    };
    for (const std::string& arg : env.Arguments) {
        if (arg.empty()) {
            continue;
        }
        if (arg[0] == '/') {
            std::string upper = platform::AnsiUpperCase(arg);
            if (upper == "/DEBUG") {
                session.DebugMode = true;
            } else if (upper == "/16") {
                session.Only16BitModes = true;
            } else if (!IsOptionWord(upper) &&
                       (platform::FileExists(arg) || arg.find('/', 1) != std::string::npos)) {
                // On Linux an absolute path starts with "/" too; only the option words and
                // other short "/" words are options.
                session.ScenarioPath = arg;
            }
        } else if (arg[0] == '*') {
            session.DataFolder = absolute(arg.substr(1));
        } else if (arg[0] == '=') {
            session.BookmarkPath = absolute(arg.substr(1));
            session.BookmarkPathGiven = !session.BookmarkPath.empty();
        } else {
            session.ScenarioPath = absolute(arg);
        }
    }
    if (session.ScenarioPath.empty()) {
        session.ScenarioPath = platform::NativeChangeExt(env.ExecutablePath, ".qke");
        session.DataFolder = platform::NativeFolderOf(session.ScenarioPath);
    }
    if (session.DataFolder.empty()) {
        session.DataFolder = platform::NativeFolderOf(session.ScenarioPath);
    }
    if (session.BookmarkPath.empty()) {
        session.BookmarkPath = DerivedBookmarkPath(session.ScenarioPath);
    }
}

TFontSpec DefaultFontFor(const CNovelFileHeader& header) {
    TFontSpec font;
    if (header.FontType == 0) {
        font.Face = Cp932("ＭＳ Ｐゴシック");
    } else if (header.FontType == 1) {
        font.Face = Cp932("ＭＳ Ｐ明朝");
        font.Bold = true;
    }
    font.Height = FontHeightForSize(header.FontSize);
    return font;
}

int32_t FontHeightForSize(int32_t pixels) {
    constexpr int64_t kMaxHeight = 480, kDefaultCellHeight = 16;
    const int64_t height = -int64_t(pixels);
    return int32_t(height == 0 ? kDefaultCellHeight : std::clamp(height, -kMaxHeight, kMaxHeight));
}

int StartNovel(const TStartupEnvironment& env, TNovelSession& session) {
    session.Random.seed(env.Clock.Now());
    session.Only16BitModes = false;
    session.Package.reset();
    session.PackagePath.clear();
    session.ForeignPackage = false;
    session.ExecutablePath = env.ExecutablePath;

    if (OpenPackage(env, env.ExecutablePath, session)) {
        session.ScenarioPath.clear();
        session.DataFolder = platform::NativeFolderOf(env.ExecutablePath);
        session.BookmarkPath = DerivedBookmarkPath(env.ExecutablePath);
        session.BookmarkPathGiven = false;
    } else {
        ApplyCommandLine(env, session);
        // A novel packaged for Windows carries the same archive after its image: it plays as
        // a package, with its folder as the data folder and its own bookmark file, as on
        // Windows, unless "*" or "=" said otherwise.
        if (IsWindowsImage(session.ScenarioPath)) {
            if (!OpenPackage(env, session.ScenarioPath, session)) {
                return Stop(env, Format("%s はこのプレイヤーで開けるノベルではありません。",
                                        MessageName(session.ScenarioPath)));
            }
            session.ForeignPackage = true;
            session.ScenarioPath.clear();
        }
    }
    session.NameFolder =
        platform::DirectoryExists(session.DataFolder) ? session.DataFolder : env.StartDirectory;

    session.Items = std::make_unique<CNovelItems>();
    session.Header = std::make_unique<CNovelFileHeader>();
    session.Counters = std::make_unique<CNovelCounters>();
    session.InitialCounters = std::make_unique<CNovelCounters>();

    platform::TMemoryStream scenario;
    std::string shownName;
    if (session.Package) {
        shownName = kScenarioEntryName;
        std::vector<uint8_t> entry;
        if (!session.Package->ReadEntry(kScenarioEntryName, entry)) {
            session.Package.reset();
            session.PackageStream.reset();
            return Stop(env, Cp932("EXEファイルアーカイブを正しく開けません。"));
        }
        platform::TMemoryStream scrambled(std::move(entry));
        auto plain = Descramble(scrambled);
        scenario.Bytes() = std::move(plain->Bytes());
    } else {
        shownName = MessageName(session.ScenarioPath);
        try {
            auto file = platform::OpenFileStream(session.ScenarioPath, platform::FileMode::Read);
            // Parsed from memory: the loader reads a few bytes at a time.
            scenario.CopyFrom(*file, file->Size());
        } catch (const platform::EStreamError&) {
            return Stop(env, Format("ファイル %s を開けません。", shownName));
        }
    }
    scenario.Seek(0, platform::SeekOrigin::Begin);
    if (int status = LoadScenario(env, session, scenario, shownName); status != 0) {
        return status;
    }
    session.DefaultFont = DefaultFontFor(*session.Header);
    TellOfMissingEntries(env, session);
    return 0;
}

}  // namespace tavri

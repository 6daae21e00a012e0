#include "Packager.h"

#include <algorithm>
#include <random>

#include "ArchiveLocator.h"
#include "Crypt.h"
#include "ScenarioFile.h"
#include "ScenarioSource.h"
#include "Startup.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"

namespace tavri::tool {

namespace {

using platform::TMemoryStream;

std::vector<uint8_t> ReadFileOrThrow(const std::string& path) {
    auto bytes = platform::ReadWholeFile(path);
    if (!bytes) {
        throw EToolError("cannot read " + path);
    }
    return *std::move(bytes);
}

bool IsScenarioEntry(const std::string& relative) {
    return platform::AnsiUpperCase(relative) == "AUTORUN.QKE";
}

// Relative paths of every regular file below folder, sorted; names starting with "." are
// left out (editor and system droppings).
void CollectFiles(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>& out) {
    for (const std::string& name : platform::ListDirectory(folder + prefix)) {
        if (name.empty() || name[0] == '.') {
            continue;
        }
        std::string relative = prefix + name;
        if (platform::DirectoryExists(folder + relative)) {
            CollectFiles(folder, relative + "/", out);
        } else if (platform::FileExists(folder + relative)) {
            out.push_back(relative);
        }
    }
}

std::string ArchiveName(const std::string& relative) {
    auto cp932 = platform::Utf8ToCp932Strict(relative);
    if (!cp932) {
        throw EToolError("the file name " + relative + " has characters cp932 cannot hold");
    }
    std::replace(cp932->begin(), cp932->end(), '/', '\\');
    if (cp932->size() > 255) {
        throw EToolError("the archive name of " + relative + " is longer than 255 bytes");
    }
    return *cp932;
}

// The scenario the package will carry, checked the way the player will load it.
std::vector<uint8_t> ScenarioBytes(const TPackOptions& options) {
    std::string path = options.ScenarioPath;
    if (path.empty()) {
        path = platform::ResolveNovelPath(options.Folder, "autorun.qke").value_or("");
        if (path.empty()) {
            throw EToolError("no scenario: " + options.Folder +
                             " has no autorun.qke and no --scenario was given");
        }
    }
    std::vector<uint8_t> bytes = ReadFileOrThrow(path);
    bool compiled =
        path.size() >= 4 && platform::AnsiLowerCase(path.substr(path.size() - 4)) == ".qke";
    TScenarioFile file;
    if (compiled) {
        try {
            file = TScenarioFile::FromBytes(bytes);
        } catch (const EScenarioError& e) {
            throw EToolError(path + ": not a scenario file (" + e.what() + ")");
        }
    } else {
        file = CompileSource(std::string(bytes.begin(), bytes.end()), path);
        bytes = file.ToBytes();
    }
    if (file.Header.Version != kScenarioVersion) {
        throw EToolError(path + ": version " + std::to_string(file.Header.Version) +
                         "; the player plays only version 8");
    }
    if (file.Items.empty() || file.Items.size() > kMaxItems) {
        throw EToolError(path + ": a playable scenario has 1 to 2048 items");
    }
    if (file.Counters.size() > kMaxCounters) {
        throw EToolError(path + ": a playable scenario has at most 256 counters");
    }
    return bytes;
}

TArchiveListing ReadListing(platform::TStream& s, int64_t start) {
    platform::RecordingMessageBoxService quiet;
    TReadPackageFile reader(quiet);
    s.Seek(start, platform::SeekOrigin::Begin);
    reader.OpenStream(s);
    if (!quiet.records.empty()) {
        throw EToolError("the archive's header is damaged");
    }
    TArchiveListing listing;
    listing.ArchiveStart = start;
    listing.DataBase = reader.DataBase;
    listing.FileSize = s.Size();
    listing.Entries = reader.Entries;
    return listing;
}

}  // namespace

std::vector<std::string> ArchiveNameComponents(const std::string& cp932Name) {
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < cp932Name.size();) {
        size_t n = platform::CharLength(cp932Name, i);
        if (n == 1 && (cp932Name[i] == '\\' || cp932Name[i] == '/')) {
            parts.push_back(platform::Cp932ToUtf8(current));
            current.clear();
        } else {
            current.append(cp932Name, i, n);
        }
        i += n;
    }
    parts.push_back(platform::Cp932ToUtf8(current));
    return parts;
}

TPackReport PackNovel(const TPackOptions& options) {
    std::string folder = options.Folder;
    if (!platform::DirectoryExists(folder)) {
        throw EToolError(folder + " is not a folder");
    }
    if (folder.back() != '/') {
        folder += '/';
    }
    std::vector<uint8_t> player = ReadFileOrThrow(options.PlayerPath);
    TMemoryStream playerStream(player);
    int64_t imageEnd = ImageEnd(playerStream);
    if (imageEnd < 0) {
        throw EToolError(options.PlayerPath + " is not a player executable");
    }
    // A player that already carries a novel is copied without it.
    player.resize(static_cast<size_t>(imageEnd));

    std::vector<TPackageWriterEntry> entries;
    uint32_t seed = options.Seed ? *options.Seed : std::random_device{}();
    entries.push_back({kScenarioEntryName, Scramble(ScenarioBytes(options), seed)});

    std::vector<std::string> files;
    CollectFiles(folder, "", files);
    bool haveEngine = false;
    std::string outputAbsolute = platform::MakeAbsolute(options.OutputPath);
    for (const std::string& relative : files) {
        if (IsScenarioEntry(relative) ||
            platform::MakeAbsolute(folder + relative) == outputAbsolute) {
            continue;
        }
        std::string name = ArchiveName(relative);
        haveEngine |= platform::AnsiUpperCase(name) == "QKSOUND.QKX";
        entries.push_back({name, ReadFileOrThrow(folder + relative)});
    }
    std::string engine = platform::NativeFolderOf(options.PlayerPath) + "QKSound.qkx";
    if (!haveEngine && platform::FileExists(engine)) {
        entries.push_back({"QKSound.qkx", ReadFileOrThrow(engine)});
    }

    std::vector<uint8_t> archive;
    try {
        archive = BuildPackage(entries);
    } catch (const std::invalid_argument& e) {
        throw EToolError(e.what());
    }
    TPackReport report;
    report.ArchiveStart = imageEnd;
    player.insert(player.end(), archive.begin(), archive.end());
    if (!platform::WriteWholeFile(options.OutputPath, player) ||
        !platform::SetExecutable(options.OutputPath)) {
        throw EToolError("cannot write " + options.OutputPath);
    }
    TMemoryStream check(std::move(archive));
    report.Entries = ReadListing(check, 0).Entries;
    return report;
}

TArchiveListing ListArchive(const std::string& path) {
    std::unique_ptr<platform::TStream> s;
    try {
        s = platform::OpenFileStream(path, platform::FileMode::Read);
    } catch (const platform::EStreamError& e) {
        throw EToolError(e.what());
    }
    uint8_t head[kPackageMagicSize] = {};
    int64_t start = -1;
    if (s->Read(head, sizeof head) == sizeof head &&
        std::equal(head, head + kPackageMagicSize, kPackageMagic)) {
        start = 0;
    } else {
        start = LocateArchive(*s);
    }
    if (start < 0) {
        throw EToolError(path + " holds no novel archive");
    }
    return ReadListing(*s, start);
}

std::vector<std::string> UnpackArchive(const std::string& path, const std::string& folder) {
    TArchiveListing listing = ListArchive(path);
    auto s = platform::OpenFileStream(path, platform::FileMode::Read);
    std::vector<std::string> skipped;
    std::string root = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    for (const TPackageEntry& e : listing.Entries) {
        std::vector<std::string> parts = ArchiveNameComponents(e.Name);
        bool safe =
            !e.Name.empty() && std::none_of(parts.begin(), parts.end(), [](const std::string& p) {
                return p.empty() || p == "." || p == ".." || p.find(':') != p.npos;
            });
        if (!safe || !listing.Readable(e)) {
            skipped.push_back(platform::Cp932ToUtf8(e.Name));
            continue;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(e.Size));
        s->Seek(listing.DataBase + e.Offset, platform::SeekOrigin::Begin);
        s->ReadBuffer(bytes.data(), bytes.size());
        if (IsScenarioEntry(e.Name)) {
            TMemoryStream scrambled(std::move(bytes));
            bytes = std::move(Descramble(scrambled)->Bytes());
        }
        std::string target = root;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            target += parts[i] + "/";
        }
        if (!platform::CreateDirectories(target) ||
            !platform::WriteWholeFile(target + parts.back(), bytes)) {
            throw EToolError("cannot write " + target + parts.back());
        }
    }
    return skipped;
}

}  // namespace tavri::tool

// The authoring side's command-line tool: compile and decompile scenarios, pack a novel into a
// copy of the player, and list or unpack a packaged novel.

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "Packager.h"
#include "ScenarioFile.h"
#include "ScenarioSource.h"
#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace {

using namespace tavri;
using namespace tavri::tool;

const char kUsage[] =
    "usage:\n"
    "  tavri-tool compile SOURCE OUTPUT.qke\n"
    "  tavri-tool decompile INPUT.qke [OUTPUT]      (standard output without OUTPUT)\n"
    "  tavri-tool pack FOLDER OUTPUT [--player PATH] [--scenario FILE] [--seed N]\n"
    "  tavri-tool list PROGRAM\n"
    "  tavri-tool unpack PROGRAM FOLDER\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

std::vector<uint8_t> ReadOrThrow(const std::string& path) {
    auto bytes = platform::ReadWholeFile(path);
    if (!bytes) {
        throw EToolError("cannot read " + path);
    }
    return *std::move(bytes);
}

void WriteOrThrow(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (!platform::WriteWholeFile(path, bytes)) {
        throw EToolError("cannot write " + path);
    }
}

int Compile(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage();
    }
    std::vector<uint8_t> source = ReadOrThrow(args[0]);
    TScenarioFile file = CompileSource(std::string(source.begin(), source.end()), args[0]);
    WriteOrThrow(args[1], file.ToBytes());
    return 0;
}

int Decompile(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        return Usage();
    }
    TScenarioFile file;
    try {
        file = TScenarioFile::FromBytes(ReadOrThrow(args[0]));
    } catch (const EScenarioError& e) {
        throw EToolError(args[0] + ": not a scenario file (" + e.what() + ")");
    }
    std::string text = DecompileToSource(file);
    if (args.size() == 1) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    WriteOrThrow(args[1], std::vector<uint8_t>(text.begin(), text.end()));
    return 0;
}

int Pack(const std::vector<std::string>& args) {
    TPackOptions options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool valued = a == "--player" || a == "--scenario" || a == "--seed";
        if (valued && i + 1 >= args.size()) {
            return Usage();
        }
        if (a == "--player") {
            options.PlayerPath = args[++i];
        } else if (a == "--scenario") {
            options.ScenarioPath = args[++i];
        } else if (a == "--seed") {
            try {
                options.Seed = static_cast<uint32_t>(std::stoul(args[++i], nullptr, 0));
            } catch (const std::exception&) {
                throw EToolError("--seed takes a number");
            }
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        return Usage();
    }
    options.Folder = positional[0];
    options.OutputPath = positional[1];
    if (options.PlayerPath.empty()) {
        options.PlayerPath = platform::NativeFolderOf(platform::ExecutablePath()) + "TavriNovelRun";
    }
    TPackReport report = PackNovel(options);
    std::printf("%s: %zu entries after byte %lld\n", options.OutputPath.c_str(),
                report.Entries.size(), static_cast<long long>(report.ArchiveStart));
    return 0;
}

int List(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return Usage();
    }
    TArchiveListing listing = ListArchive(args[0]);
    std::printf("archive at byte %lld, %zu entries\n", static_cast<long long>(listing.ArchiveStart),
                listing.Entries.size());
    for (const TPackageEntry& e : listing.Entries) {
        std::printf("%12d %12d  %s%s\n", e.Offset, e.Size, platform::Cp932ToUtf8(e.Name).c_str(),
                    listing.Readable(e) ? "" : "  (outside the file)");
    }
    return 0;
}

int Unpack(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        return Usage();
    }
    std::vector<std::string> skipped = UnpackArchive(args[0], args[1]);
    for (const std::string& name : skipped) {
        std::fprintf(stderr, "tavri-tool: skipped \"%s\": unsafe name or bytes outside the file\n",
                     name.c_str());
    }
    return skipped.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return Usage();
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "compile") {
            return Compile(args);
        }
        if (command == "decompile") {
            return Decompile(args);
        }
        if (command == "pack") {
            return Pack(args);
        }
        if (command == "list") {
            return List(args);
        }
        if (command == "unpack") {
            return Unpack(args);
        }
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        return Usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavri-tool: %s\n", e.what());
        return 1;
    }
}

// The player's lower layers build without the ones above them: the asset program links only the
// archive, the media finder and the pictures, so none of these may reach up into the main
// window, the forms, music or start-up. This test reads their includes.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TLayer {
    std::vector<std::string> files;    // below player/: folders ending in "/", or single files
    std::vector<std::string> allowed;  // quoted includes these may use: prefixes or whole names
};

// Lowest first; each layer may use what the layers below it may.
const std::vector<TLayer>& Layers() {
    static const std::vector<TLayer> layers = [] {
        std::vector<TLayer> list{
            {{"base/"}, {"base/"}},
            {{"PackageFile2.h", "PackageFile2.cpp", "Crypt.h", "Crypt.cpp", "ByteOrder.h"},
             {"platform/", "PackageFile2.h", "Crypt.h", "ByteOrder.h"}},
            {{"media/"}, {"media/"}},
            {{"graphics/"}, {"graphics/"}},
        };
        for (size_t i = 1; i < list.size(); ++i) {
            list[i].allowed.insert(list[i].allowed.end(), list[i - 1].allowed.begin(),
                                   list[i - 1].allowed.end());
        }
        return list;
    }();
    return layers;
}

bool Allowed(const TLayer& layer, const std::string& header) {
    for (const std::string& prefix : layer.allowed) {
        if (header.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

// "file:line: header" for every quoted include the layer may not use.
std::string Scan(const TLayer& layer, const std::string& label, const std::string& text) {
    std::string report;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const size_t hash = line.find_first_not_of(" \t");
        if (hash == std::string::npos || line.compare(hash, 8, "#include") != 0) {
            continue;
        }
        const size_t open = line.find('"', hash);
        const size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        if (close == std::string::npos) {
            continue;  // <...>: the standard library and the libraries below us
        }
        const std::string header = line.substr(open + 1, close - open - 1);
        if (!Allowed(layer, header)) {
            report += label + ":" + std::to_string(number) + ": " + header + "\n";
        }
    }
    return report;
}

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Layers, LowerLayersIncludeNothingAboveThem) {
    const fs::path player = fs::path(TAVRI_SOURCE_DIR) / "player";
    std::string report;
    int scanned = 0;
    for (const TLayer& layer : Layers()) {
        for (const std::string& entry : layer.files) {
            const fs::path path = player / entry;
            std::vector<fs::path> files;
            if (entry.back() == '/') {
                ASSERT_TRUE(fs::is_directory(path)) << path;
                for (const auto& file : fs::directory_iterator(path)) {
                    files.push_back(file.path());
                }
            } else {
                ASSERT_TRUE(fs::is_regular_file(path)) << path;
                files.push_back(path);
            }
            for (const fs::path& file : files) {
                report += Scan(layer, fs::relative(file, player).generic_string(), Read(file));
                ++scanned;
            }
        }
    }
    EXPECT_GT(scanned, 0);
    EXPECT_EQ(report, "") << "includes that reach above their layer:\n" << report;
}

TEST(Layers, ScannerTellsLayersApart) {
    const TLayer& graphics = Layers().back();
    EXPECT_EQ(Scan(graphics, "graphics/x.cpp",
                   "#include <png.h>\n#include \"media/MediaFinder.h\"\n"
                   "#include \"PackageFile2.h\"\n  #include \"run/RunMain.h\"\n"
                   "#include \"Startup.h\"\n// #include \"ui/Forms.h\"\n"),
              "graphics/x.cpp:4: run/RunMain.h\ngraphics/x.cpp:5: Startup.h\n");
    EXPECT_EQ(Scan(Layers().front(), "base/x.h", "#include \"platform/Clock.h\"\n"),
              "base/x.h:1: platform/Clock.h\n");
}

}  // namespace

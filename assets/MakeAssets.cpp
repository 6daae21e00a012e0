// tavri-assets OUTPUT.cpp: draws the pictures the player carries and writes them as a C++ source
// of byte arrays behind assets/Assets.h.

#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "assets/AssetArt.h"

namespace {

// The array is named after its function: kClickMarkBmp behind ClickMarkBmp().
void WriteArray(std::ostringstream& out, const std::string& function,
                const std::vector<uint8_t>& bytes) {
    const std::string name = "k" + function;
    out << "const uint8_t " << name << "[] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        out << (i % 16 == 0 ? "\n    " : " ") << unsigned(bytes[i]) << ',';
    }
    out << "\n};\n\n}  // namespace\n\n";
    out << "const std::vector<uint8_t>& " << function << "() {\n"
        << "    static const std::vector<uint8_t> bytes(std::begin(" << name << "), std::end("
        << name << "));\n    return bytes;\n}\n\nnamespace {\n\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavri-assets OUTPUT.cpp\n");
        return 2;
    }
    try {
        std::ostringstream out;
        out << "// Made by tavri-assets (assets/MakeAssets.cpp) at build time.\n\n"
            << "#include <cstdint>\n#include <iterator>\n#include <vector>\n\n"
            << "#include \"assets/Assets.h\"\n\nnamespace tavri::assets {\nnamespace {\n\n";
        using namespace tavri::assets;
        WriteArray(out, "ClickMarkBmp", MakeClickMarkBmp());
        WriteArray(out, "LogoPng", MakeLogoPng());
        for (const bool highlighted : {true, false}) {
            WriteArray(out,
                       std::string("Bookmark") + (highlighted ? "Highlighted" : "Normal") + "Png",
                       MakeBookmarkPng(highlighted));
        }
        for (const bool right : {false, true}) {
            for (const bool hover : {true, false}) {
                WriteArray(out,
                           std::string("Arrow") + (right ? "Right" : "Left") +
                               (hover ? "Hover" : "Normal") + "Bmp",
                           MakeArrowBmp(right, hover));
            }
        }
        for (const bool hover : {true, false}) {
            WriteArray(out, std::string("CancelBar") + (hover ? "Hover" : "Normal") + "Bmp",
                       MakeCancelBarBmp(hover));
        }
        const std::pair<TMenuIcon, const char*> icons[] = {
            {TMenuIcon::Mark, "Mark"}, {TMenuIcon::Open, "Open"},   {TMenuIcon::Window, "Window"},
            {TMenuIcon::Skip, "Skip"}, {TMenuIcon::About, "About"}, {TMenuIcon::Close, "Close"},
        };
        for (const auto& [icon, name] : icons) {
            for (const bool hover : {true, false}) {
                WriteArray(out, std::string("Menu") + name + (hover ? "Hover" : "Normal") + "Bmp",
                           MakeMenuItemBmp(icon, hover));
            }
        }
        for (const bool hover : {true, false}) {
            WriteArray(out, std::string("AboutClose") + (hover ? "Hover" : "Normal") + "Bmp",
                       MakeAboutCloseBmp(hover));
        }
        WriteArray(out, "AboutIconBmp", MakeAboutIconBmp());
        out << "}  // namespace\n}  // namespace tavri::assets\n";

        // Written whole or not at all, so a failed run never leaves half a source behind.
        const std::string path = argv[1];
        const std::string temporary = path + ".part";
        {
            std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
            file << out.str();
            if (!file.flush()) {
                std::fprintf(stderr, "tavri-assets: cannot write %s\n", temporary.c_str());
                return 1;
            }
        }
        if (std::rename(temporary.c_str(), path.c_str()) != 0) {
            std::fprintf(stderr, "tavri-assets: cannot write %s\n", path.c_str());
            return 1;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavri-assets: %s\n", error.what());
        return 1;
    }
    return 0;
}

// tavri-demo-art FOLDER: draws the demo novel's pictures and writes its music and sounds into
// FOLDER, in the layout the story names them (bg\, chara\, trans\, music\, sound\).

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Art.h"
#include "Music.h"
#include "Sounds.h"
#include "graphics/PictureEncode.h"

namespace {

namespace fs = std::filesystem;
using tavri::EncodeBmp24;
using tavri::EncodeJpeg;
using tavri::EncodePngGrey;
using tavri::EncodePngRgb;
using tavri::EncodePngRgba;

void Write(const fs::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = folder / fs::u8path(name);
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::printf("%8zu  %s\n", bytes.size(), name.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tavri-demo-art FOLDER\n");
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        Write(folder, "bg/forest.png", EncodePngRgb(demo::Forest(false).ToImage()));
        // A Japanese file name, stored in Shift-JIS in the package.
        Write(folder, "bg/夕暮れ.jpg", EncodeJpeg(demo::Forest(true).ToImage(), 90));
        Write(folder, "bg/lake.jpg", EncodeJpeg(demo::Lake().ToImage(), 90));
        Write(folder, "bg/clearing.bmp", EncodeBmp24(demo::Clearing().ToImage()));
        Write(folder, "bg/memory.png", EncodePngRgb(demo::Memory().ToImage()));
        Write(folder, "chara/shiori.png", EncodePngRgba(demo::Shiori().ToRgba()));
        Write(folder, "chara/kitsune.bmp", EncodeBmp24(demo::Kitsune().ToImage()));
        Write(folder, "chara/hotaru.png", EncodePngRgba(demo::Hotaru().ToRgba()));
        Write(folder, "trans/uzu.png", EncodePngGrey(demo::WhirlMask()));
        Write(folder, "music/logo.mid", demo::LogoJingle());
        Write(folder, "music/title.mid", demo::TitleTheme());
        Write(folder, "music/forest.mid", demo::ForestTheme());
        Write(folder, "sound/omoide.ogg", demo::MemoryTheme());
        Write(folder, "sound/bird.wav", demo::BirdSong());
        Write(folder, "sound/steps.wav", demo::RunningSteps());
        Write(folder, "sound/chime.wav", demo::WindChime());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavri-demo-art: %s\n", error.what());
        return 1;
    }
    return 0;
}

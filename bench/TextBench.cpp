// Typing one 28-pixel character of scenario text, as the text window does for every character:
// measure it, then draw it smooth and outlined onto the 640 × 480 frame (ours), beside FreeType's
// own anti-aliased rendering of the same glyph at the same size (freetype), which is what a
// renderer without supersampling would pay at least. Characters cycle through a short line, so
// both sides run with their faces open and ours with its glyphs cached, as in a running novel.
//
//   build-bench/bin/tavri-bench --benchmark_filter=TypeCharacter

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "graphics/AntiAliasTextout.h"
#include "graphics/Fonts.h"
#include "platform/TextEncoding.h"

namespace tavri {
namespace {

const char* const kLine = "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。";

std::vector<std::string> Characters() {
    const std::string line = platform::Cp932(kLine);
    std::vector<std::string> characters;
    for (size_t pos = 0; pos < line.size();) {
        const size_t length = platform::CharLength(line, pos);
        characters.push_back(line.substr(pos, length));
        pos += length;
    }
    return characters;
}

TFont TextFont() {
    return TFont{platform::Cp932("ＭＳ Ｐゴシック"), -28};
}

void TypeCharacterOurs(benchmark::State& state) {
    const std::vector<std::string> characters = Characters();
    TImage frame(640, 480);
    TAntiAliasTextout renderer;
    renderer.Target = &frame;
    renderer.Font = TextFont();
    renderer.TextColor = RGB(255, 255, 255);
    renderer.EdgeColor = RGB(0, 0, 0);
    renderer.Decoration = 1;
    size_t next = 0;
    int penX = 26;
    for (auto _ : state) {
        const std::string& character = characters[next];
        next = (next + 1) % characters.size();
        const TSize size = renderer.MeasureText(character);
        benchmark::DoNotOptimize(renderer.TextOut(penX, 26, character));
        penX = penX + size.Width > 600 ? 26 : penX + size.Width;
    }
}

void TypeCharacterFreeType(benchmark::State& state) {
    std::vector<char32_t> codes;
    for (const std::string& character : Characters()) {
        codes.push_back(platform::Cp932ToUtf32(character)[0]);
    }
    const TFont font = TextFont();
    TGlyphImage glyph;
    size_t next = 0;
    for (auto _ : state) {
        const char32_t code = codes[next];
        next = (next + 1) % codes.size();
        benchmark::DoNotOptimize(RenderGlyph(font, code, TGlyphRendering::Grey, glyph));
        benchmark::DoNotOptimize(glyph.Ink.data());
    }
}

[[maybe_unused]] const bool kRegistered = [] {
    benchmark::RegisterBenchmark("TypeCharacter/ours", TypeCharacterOurs)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("TypeCharacter/freetype", TypeCharacterFreeType)
        ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
}  // namespace tavri

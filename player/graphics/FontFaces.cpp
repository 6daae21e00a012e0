// Face resolution through fontconfig. Debian's fontconfig knows no aliases for the Japanese face
// names scenarios use and would answer them with a face without Japanese glyphs, so our own table
// names the metric twins, and fontconfig only finds their files.

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <future>
#include <map>
#include <mutex>
#include <system_error>
#include <tuple>

#include "graphics/Fonts.h"
#include "platform/TextEncoding.h"

namespace tavri {
namespace {

struct TFaceEntry {
    const char* Name;      // UTF-8, as the platform spells it
    const char* Family;    // the installed twin
    const char* Fallback;  // fontconfig pattern when the twin is missing
};

constexpr const char* kJapaneseSans = "sans-serif:lang=ja";
constexpr const char* kJapaneseSerif = "serif:lang=ja";

// The empty name is the default face of a new font on the Japanese desktops the novels target.
constexpr TFaceEntry kFaceTable[] = {
    {"", "IPAPGothic", kJapaneseSans},
    {"ＭＳ Ｐゴシック", "IPAPGothic", kJapaneseSans},
    {"MS PGothic", "IPAPGothic", kJapaneseSans},
    {"ＭＳ Ｐ明朝", "IPAPMincho", kJapaneseSerif},
    {"MS PMincho", "IPAPMincho", kJapaneseSerif},
    {"ＭＳ ゴシック", "IPAGothic", kJapaneseSans},
    {"MS Gothic", "IPAGothic", kJapaneseSans},
    {"ＭＳ 明朝", "IPAMincho", kJapaneseSerif},
    {"MS Mincho", "IPAMincho", kJapaneseSerif},
    {"Terminal", "IPAGothic", kJapaneseSans},
    // Latin-only text still falls back to a face with Japanese glyphs, so that nothing a novel
    // writes in this face is ever lost.
    {"Arial", "Liberation Sans", kJapaneseSans},
};

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return out;
}

const TFaceEntry* EntryFor(const std::string& utf8Name) {
    const std::string key = AsciiLower(utf8Name);
    for (const TFaceEntry& entry : kFaceTable) {
        if (AsciiLower(entry.Name) == key) {
            return &entry;
        }
    }
    return nullptr;
}

// Reading fontconfig's configuration and caches takes a noticeable part of start-up; a program
// can have it read on another thread while it does other work (StartFontWarmUp). The
// configuration is a private one, so nothing else touches it meanwhile.
std::mutex warmUpMutex;
std::future<FcConfig*> warmUp;
bool configTaken = false;

// A program that ends before drawing any text still releases what was read for it.
struct TWarmUpReaper {
    ~TWarmUpReaper() {
        std::lock_guard<std::mutex> lock(warmUpMutex);
        if (warmUp.valid()) {
            if (FcConfig* unused = warmUp.get()) {
                FcConfigDestroy(unused);
            }
        }
    }
} warmUpReaper;

FcConfig* LoadConfig() {
    std::future<FcConfig*> pending;
    {
        std::lock_guard<std::mutex> lock(warmUpMutex);
        configTaken = true;
        pending = std::move(warmUp);
    }
    return pending.valid() ? pending.get() : FcInitLoadConfigAndFonts();
}

class TFontConfig {
  public:
    TFontConfig() : config_(LoadConfig()) {}
    ~TFontConfig() {
        if (config_ != nullptr) {
            FcConfigDestroy(config_);
        }
    }
    TFontConfig(const TFontConfig&) = delete;
    TFontConfig& operator=(const TFontConfig&) = delete;

    // The best match of `pattern` with the style asked for; when `family` is not empty the
    // match must be that family, since fontconfig answers any name with something.
    bool Match(FcPattern* pattern, const std::string& family, bool bold, bool italic,
               TResolvedFace& out) {
        if (config_ == nullptr || pattern == nullptr) {
            return false;
        }
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config_, pattern, &result);
        const bool found = match != nullptr && Accept(match, family, bold, italic, out);
        if (match != nullptr) {
            FcPatternDestroy(match);
        }
        return found;
    }

    bool FaceWithCharacter(char32_t code, std::string& file, int& index) {
        if (config_ == nullptr) {
            return false;
        }
        FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(":lang=ja"));
        FcCharSet* wanted = FcCharSetCreate();
        FcCharSetAddChar(wanted, FcChar32(code));
        FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config_, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcFontSet* sorted = FcFontSort(config_, pattern, FcFalse, nullptr, &result);
        bool found = false;
        for (int i = 0; sorted != nullptr && i < sorted->nfont && !found; ++i) {
            FcCharSet* charset = nullptr;
            FcChar8* path = nullptr;
            if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch &&
                FcCharSetHasChar(charset, FcChar32(code)) &&
                FcPatternGetString(sorted->fonts[i], FC_FILE, 0, &path) == FcResultMatch) {
                int faceIndex = 0;
                FcPatternGetInteger(sorted->fonts[i], FC_INDEX, 0, &faceIndex);
                file = reinterpret_cast<const char*>(path);
                index = faceIndex;
                found = true;
            }
        }
        if (sorted != nullptr) {
            FcFontSetDestroy(sorted);
        }
        FcCharSetDestroy(wanted);
        FcPatternDestroy(pattern);
        return found;
    }

  private:
    static bool Accept(FcPattern* match, const std::string& family, bool bold, bool italic,
                       TResolvedFace& out) {
        FcChar8* name = nullptr;
        bool familyOk = family.empty();
        std::string firstFamily;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
            const std::string candidate = reinterpret_cast<const char*>(name);
            if (i == 0) {
                firstFamily = candidate;
            }
            if (AsciiLower(candidate) == AsciiLower(family)) {
                familyOk = true;
                firstFamily = candidate;
            }
        }
        FcChar8* path = nullptr;
        if (!familyOk || FcPatternGetString(match, FC_FILE, 0, &path) != FcResultMatch) {
            return false;
        }
        int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out.Family = firstFamily;
        out.File = reinterpret_cast<const char*>(path);
        out.Index = index;
        // fontconfig's own synthetic-style rules report an emboldened or slanted regular face
        // as bold or oblique; those are faces without the style all the same.
        FcBool embolden = FcFalse;
        FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
        FcMatrix* matrix = nullptr;
        const bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch &&
                             matrix != nullptr && matrix->xy != 0;
        out.SynthBold = bold && (embolden == FcTrue || weight < FC_WEIGHT_DEMIBOLD);
        out.SynthItalic = italic && (sheared || slant == FC_SLANT_ROMAN);
        return true;
    }

    FcConfig* config_;
};

TFontConfig& Config() {
    static TFontConfig config;
    return config;
}

}  // namespace

void StartFontWarmUp() {
    std::lock_guard<std::mutex> lock(warmUpMutex);
    if (configTaken || warmUp.valid()) {
        return;
    }
    try {
        warmUp = std::async(std::launch::async, [] { return FcInitLoadConfigAndFonts(); });
    } catch (const std::system_error&) {
        // No thread to spare: the configuration is read when it is first needed.
    }
}

int FontHeightForPoints(int points, int dpi) {
    return -int(std::lround(double(points) * dpi / 72.0));
}

std::string TableFamilyFor(std::string_view cp932Face) {
    const std::string name = platform::Cp932ToUtf8(cp932Face);
    const TFaceEntry* entry = EntryFor(name);
    return entry != nullptr ? entry->Family : name;
}

TResolvedFace ResolveFace(std::string_view cp932Face, bool bold, bool italic) {
    static std::map<std::tuple<std::string, bool, bool>, TResolvedFace> cache;
    const auto key = std::make_tuple(std::string(cp932Face), bold, italic);
    if (auto it = cache.find(key); it != cache.end()) {
        return it->second;
    }
    const std::string name = platform::Cp932ToUtf8(cp932Face);
    const TFaceEntry* entry = EntryFor(name);
    const std::string family = entry != nullptr ? entry->Family : name;
    const char* fallback = entry != nullptr ? entry->Fallback : kJapaneseSans;

    TResolvedFace face;
    bool found = false;
    if (!family.empty()) {
        FcPattern* pattern = FcPatternCreate();
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        found = Config().Match(pattern, family, bold, italic, face);
        FcPatternDestroy(pattern);
    }
    for (const char* pattern : {fallback, "sans-serif"}) {
        if (!found) {
            FcPattern* parsed = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
            found = Config().Match(parsed, "", bold, italic, face);
            if (parsed != nullptr) {
                FcPatternDestroy(parsed);
            }
        }
    }
    if (!found) {
        face = TResolvedFace{};
    }
    cache.emplace(key, face);
    return face;
}

bool FindFaceForCharacter(char32_t code, std::string& file, int& index) {
    struct TFound {
        bool Ok;
        std::string File;
        int Index;
    };
    static std::map<char32_t, TFound> cache;
    auto it = cache.find(code);
    if (it == cache.end()) {
        TFound found{false, {}, 0};
        found.Ok = Config().FaceWithCharacter(code, found.File, found.Index);
        it = cache.emplace(code, std::move(found)).first;
    }
    file = it->second.File;
    index = it->second.Index;
    return it->second.Ok;
}

}  // namespace tavri

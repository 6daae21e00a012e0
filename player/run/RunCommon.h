#pragma once

// The interpreter's state for one running novel: the screen images, the sprites, the text
// renderer, where reading stands, and the page snapshot a bookmark saves. One object per
// running novel, owned by the program body (tests make their own); field names follow the
// interpreter's vocabulary.

#include <array>
#include <cstdint>
#include <string>

#include "Startup.h"
#include "graphics/AntiAliasTextout.h"
#include "graphics/DIBTools.h"
#include "graphics/Image.h"
#include "graphics/SpriteLayer.h"
#include "platform/Display.h"
#include "scenario/NovelData.h"

namespace tavri {

// The picture is the display's canvas, in both display modes.
using platform::kCanvasHeight;
using platform::kCanvasWidth;

// The renderer's font for a font of the scenario.
inline TFont FontOf(const TFontSpec& scenarioFont) {
    TFont font;
    font.Face = scenarioFont.Face;
    font.Bold = scenarioFont.Bold;
    font.Height = scenarioFont.Height;
    return font;
}

// A command line naming a file in double quotes, so that the name stays one word (a split word
// never holds a double quote itself).
inline std::string QuotedCommand(const char* command, const std::string& name) {
    return std::string(command) + " \"" + name + "\"";
}

// Run modes of the main window.
enum TRunMode : uint8_t { RmTyping = 0, RmLinks = 1, RmClickWait = 2, RmTitle = 3 };

// The next character to read: a byte column from 1 in line `Line` from 0 of the current item.
struct TTextCursor {
    int32_t Column = 1;
    int32_t Line = 0;
    bool operator==(const TTextCursor&) const = default;
};

struct TPoint {
    int32_t X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};

// The one click waiting to be taken; Button 0 left, 1 right, 2 middle.
struct TPendingClick {
    bool Pending = false;
    int32_t X = 0, Y = 0;
    uint8_t Button = 0;
};

// The state at the start of the current page.
struct TPageSnapshot {
    std::string SnapshotBackground, SnapshotMidi, SnapshotSound, SnapshotBgm;
    TTextCursor SnapshotCursor;
    CNovelCounters SnapshotCounters;
};

class TRunCommon {
  public:
    // The session holds the scenario, the package and the paths; it must outlive this.
    TRunCommon(TNovelSession& session, platform::IMessageBoxService& messages);
    TRunCommon(const TRunCommon&) = delete;
    TRunCommon& operator=(const TRunCommon&) = delete;

    TNovelSession& Session;
    // Where pictures come from: the package, then the folder names resolve against.
    TMediaSource Media;

    TImage ScreenImage{kCanvasWidth, kCanvasHeight};
    TImage NextFrameImage{kCanvasWidth, kCanvasHeight};
    TImage PreviousFrameImage{kCanvasWidth, kCanvasHeight};
    TImage BackgroundImage{kCanvasWidth, kCanvasHeight};
    TImage ChoiceHighlightImage{kCanvasWidth, kCanvasHeight};
    TImage ClickMarkImage;  // 48 × 24: two 24 × 24 frames, pure white is transparent

    TSpriteLayer SpriteLayer;      // owns its pictures
    TSpriteLayer SnapshotSprites;  // data only
    TAntiAliasTextout TextRenderer;

    uint8_t RunMode = RmTitle;
    int32_t CurrentItem = 0;
    TTextCursor TextCursor;
    TPoint PenPosition;
    const TRect TextArea{26, 26, 590, 460};
    TSize GlyphSize;
    // Unsigned so that it never turns negative; the marker's frame is (TickTotal div k) and 1.
    uint32_t TickTotal = 0;
    TPendingClick PendingClick;
    TPoint MousePosition;
    std::string CurrentBackgroundName, CurrentMidiName, CurrentSoundName, CurrentBgmName;
    TPageSnapshot PageSnapshot;
    int32_t PageNumber = 0;
    int32_t ReadingCount = 0;

    // The scenario's values, through the session.
    CNovelFileHeader& Header() { return *Session.Header; }
    CNovelItems& Items() { return *Session.Items; }
    CNovelCounters& Counters() { return *Session.Counters; }
    CNovelCounters& InitialCounters() { return *Session.InitialCounters; }

    // Decodes a picture into NextFrameImage: a 640 × 480 one replaces it, any other size is
    // drawn centred over what it held. ".JPG", ".PNG" and ".BMP" (any case) only; from the
    // package first, then from disk. A missing or undecodable picture changes nothing, silently.
    void LoadPicture(const std::string& name);
    // The background: remembered by name (and in the page snapshot), loaded, kept in
    // BackgroundImage, and composed with the sprites into NextFrameImage. The screen is not
    // touched.
    void LoadBackground(const std::string& name);
};

}  // namespace tavri

#pragma once

// Start-up of the player: where the novel comes from, the three paths everything else uses,
// and the loaded scenario.

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PackageFile2.h"
#include "base/Runtime.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/Stream.h"
#include "scenario/NovelData.h"

namespace tavri {

inline constexpr const char* kScenarioEntryName = "autorun.qke";

// A font as the scenario asks for it; the renderer maps the face to an installed one.
struct TFontSpec {
    std::string Face;  // cp932; empty means the platform's default face
    bool Bold = false;
    int Height = 0;  // negative: a character height of that many pixels
};

// The process-wide values of one running novel. Members are declared so that the reader goes
// before the executable stream it reads from.
struct TNovelSession {
    std::string ExecutablePath;
    std::string ScenarioPath;  // native; empty in package mode
    std::string DataFolder;    // native, as set by start-up
    std::string NameFolder;    // where novel names resolve: DataFolder, or the start directory
    std::string BookmarkPath;  // native
    // Named by the reader ("="): the bookmarks stay there even when it cannot be written.
    bool BookmarkPathGiven = false;
    // The file the archive is in (native, absolute): the program itself, or a novel packaged
    // for Windows named on the command line; empty in file mode.
    std::string PackagePath;
    // A novel packaged for Windows: its archive's sound engine is a Windows library, never used.
    bool ForeignPackage = false;
    bool DebugMode = false;
    bool Only16BitModes = false;

    std::unique_ptr<platform::TStream> PackageStream;
    std::unique_ptr<TReadPackageFile> Package;

    std::unique_ptr<CNovelItems> Items;
    std::unique_ptr<CNovelFileHeader> Header;
    std::unique_ptr<CNovelCounters> Counters;
    std::unique_ptr<CNovelCounters> InitialCounters;
    TFontSpec DefaultFont;
    std::mt19937 Random;
};

struct TStartupEnvironment {
    std::vector<std::string> Arguments;  // without the program name
    std::string ExecutablePath;          // resolved, absolute
    std::string StartDirectory;          // absolute
    platform::IClock& Clock;
    platform::IMessageBoxService& Messages;
};

// Finds the archive, fixes the paths, loads the scenario and picks the default font. Returns 0
// when the novel is ready to play, or the exit status after the user was told why not.
int StartNovel(const TStartupEnvironment& env, TNovelSession& session);

// Pieces of the sequence, exposed for the tests.
void ApplyCommandLine(const TStartupEnvironment& env, TNovelSession& session);
TFontSpec DefaultFontFor(const CNovelFileHeader& header);
// The font height for a character height of `pixels` (the header's FontSize, ".FONTSIZE"):
// −pixels, formed in 64 bits so that no size overflows, its magnitude capped at 480 (a
// character always fits an empty page, so a full page always advances); the sign is kept, and
// 0 gives the platform's default, a 16-pixel cell.
int32_t FontHeightForSize(int32_t pixels);
// The bookmark file beside `path`: its extension becomes ".qkb" and only the file name (never
// a folder) is lower-cased, so the folders still exist on a case-sensitive file system.
std::string DerivedBookmarkPath(const std::string& path);

}  // namespace tavri

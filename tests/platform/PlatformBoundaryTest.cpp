// Engine code must reach the system only through platform/ (and the sound engine's device layer),
// so that it builds and runs headless. This test reads the sources and names every include that
// crosses that line.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The header named by an #include line, or "" when the line is no include.
std::string IncludedHeader(std::string_view line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string_view::npos || line[i] != '#') {
        return {};
    }
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string_view::npos || line.substr(i, 7) != "include") {
        return {};
    }
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string_view::npos || (line[i] != '<' && line[i] != '"')) {
        return {};
    }
    char close = line[i] == '<' ? '>' : '"';
    size_t end = line.find(close, i + 1);
    if (end == std::string_view::npos) {
        return {};
    }
    return std::string(line.substr(i + 1, end - i - 1));
}

// Which system family a header belongs to, or "" when engine code may include it.
std::string ForbiddenFamily(std::string_view header) {
    std::string_view base = header.substr(header.rfind('/') + 1);
    if (header == "SDL.h" || StartsWith(header, "SDL2/") || StartsWith(header, "SDL3/") ||
        StartsWith(header, "SDL/") || (StartsWith(base, "SDL_") && EndsWith(base, ".h"))) {
        return "SDL";
    }
    static constexpr std::string_view kPosix[] = {
        "unistd.h", "fcntl.h",    "dirent.h",  "dlfcn.h",   "pthread.h",   "iconv.h",
        "time.h",   "signal.h",   "poll.h",    "termios.h", "semaphore.h", "sched.h",
        "spawn.h",  "libgen.h",   "glob.h",    "fnmatch.h", "pwd.h",       "mqueue.h",
        "aio.h",    "langinfo.h", "strings.h", "wordexp.h", "utime.h",     "ftw.h"};
    for (std::string_view name : kPosix) {
        if (header == name) {
            return "POSIX";
        }
    }
    if (StartsWith(header, "sys/") || StartsWith(header, "linux/") ||
        StartsWith(header, "netinet/") || StartsWith(header, "arpa/")) {
        return "POSIX";
    }
    if (StartsWith(header, "alsa/") || base == "asoundlib.h") {
        return "ALSA";
    }
    if (header == "fluidsynth.h" || StartsWith(header, "fluidsynth/")) {
        return "FluidSynth";
    }
    return {};
}

// One line of the report per offending include: "file:line: text (family)".
std::string ScanText(const std::string& label, const std::string& text) {
    std::string report;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string family = ForbiddenFamily(IncludedHeader(line));
        if (!family.empty()) {
            report += label + ":" + std::to_string(number) + ": " + line + "  (" + family + ")\n";
        }
    }
    return report;
}

bool IsSourceFile(const fs::path& path) {
    static constexpr std::string_view kExtensions[] = {".c",  ".cc",  ".cpp", ".cxx", ".h",
                                                       ".hh", ".hpp", ".hxx", ".inl", ".ipp"};
    std::string ext = path.extension().string();
    for (std::string_view e : kExtensions) {
        if (ext == e) {
            return true;
        }
    }
    return false;
}

bool IsSkippedFolder(const std::string& relative) {
    std::string_view name = std::string_view(relative).substr(relative.rfind('/') + 1);
    return relative == "soundengine/dsound" || name == "tests" || name == "fuzz" ||
           name == "bench" || name == "build" || StartsWith(name, "build-") ||
           StartsWith(name, "build_");
}

std::string ScanTree(const fs::path& root) {
    std::string report;
    for (const char* top : {"player", "soundengine", "tools"}) {
        fs::path start = root / top;
        if (!fs::is_directory(start)) {
            continue;
        }
        for (auto it = fs::recursive_directory_iterator(start);
             it != fs::recursive_directory_iterator(); ++it) {
            std::string relative = fs::relative(it->path(), root).generic_string();
            if (it->is_directory()) {
                if (IsSkippedFolder(relative)) {
                    it.disable_recursion_pending();
                }
                continue;
            }
            if (!it->is_regular_file() || !IsSourceFile(it->path())) {
                continue;
            }
            std::ifstream in(it->path(), std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            report += ScanText(relative, text.str());
        }
    }
    return report;
}

TEST(PlatformBoundary, EngineCodeIncludesNoSystemHeaders) {
    fs::path root = TAVRI_SOURCE_DIR;
    ASSERT_TRUE(fs::is_directory(root / "player")) << root;
    std::string report = ScanTree(root);
    EXPECT_EQ(report, "") << "System headers belong in platform/ (or soundengine/dsound/):\n"
                          << report;
}

TEST(PlatformBoundary, ScannerFlagsEveryFamilyAndSparesTheRest) {
    struct Case {
        const char* line;
        const char* family;  // "" when allowed
    } cases[] = {
        {"#include <unistd.h>", "POSIX"},
        {"#  include \"SDL.h\"", "SDL"},
        {"\t#\tinclude <SDL2/SDL_mixer.h>", "SDL"},
        {"#include <SDL_audio.h>", "SDL"},
        {"#include <sys/stat.h>  // for stat", "POSIX"},
        {"#include <fcntl.h>", "POSIX"},
        {"#include <dirent.h>", "POSIX"},
        {"#include <dlfcn.h>", "POSIX"},
        {"#include <pthread.h>", "POSIX"},
        {"#include <iconv.h>", "POSIX"},
        {"#include <time.h>", "POSIX"},
        {"#include <signal.h>", "POSIX"},
        {"#include <poll.h>", "POSIX"},
        {"#include <termios.h>", "POSIX"},
        {"#include <semaphore.h>", "POSIX"},
        {"#include <alsa/asoundlib.h>", "ALSA"},
        {"#include <asoundlib.h>", "ALSA"},
        {"#include <fluidsynth.h>", "FluidSynth"},
        {"#include <fluidsynth/synth.h>", "FluidSynth"},
        {"#include <ctime>", ""},
        {"#include <csignal>", ""},
        {"#include <string>", ""},
        {"#include \"platform/Clock.h\"", ""},
        {"#include \"SDLWrapper.h\"", ""},
        {"#include \"scenario/systems.h\"", ""},
        {"// #include <unistd.h>", ""},
        {"#define INCLUDE_UNISTD <unistd.h>", ""},
        {"std::string s = \"#include <unistd.h>\";", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ForbiddenFamily(IncludedHeader(c.line)), c.family);
    }
    std::string report = ScanText("player/x.cpp",
                                  "#include <string>\n"
                                  "#include <unistd.h>\n"
                                  "\n"
                                  "#  include \"SDL.h\"\n");
    EXPECT_EQ(report,
              "player/x.cpp:2: #include <unistd.h>  (POSIX)\n"
              "player/x.cpp:4: #  include \"SDL.h\"  (SDL)\n");
}

TEST(PlatformBoundary, ScannerReadsTheTreeAndSkipsAllowedFolders) {
    tavri::test::TempDir dir;
    fs::path root = dir.path();
    auto write = [&](const std::string& relative, const std::string& text) {
        fs::create_directories((root / relative).parent_path());
        std::ofstream(root / relative) << text;
    };
    write("player/run/Loop.cpp", "#include <vector>\n#include <pthread.h>\n");
    write("soundengine/dsound/Device.cpp", "#include <alsa/asoundlib.h>\n");
    write("soundengine/Sound.h", "#include <SDL_audio.h>\n");
    write("tools/tests/Helper.cpp", "#include <unistd.h>\n");
    write("tools/build-x/gen.h", "#include <unistd.h>\n");
    write("tools/notes.txt", "#include <unistd.h>\n");
    write("platform/posix/Clock.cpp", "#include <time.h>\n");
    std::string report = ScanTree(root);
    EXPECT_EQ(report,
              "player/run/Loop.cpp:2: #include <pthread.h>  (POSIX)\n"
              "soundengine/Sound.h:1: #include <SDL_audio.h>  (SDL)\n");
}

}  // namespace

#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "platform/FileSystem.h"
#include "platform/TextEncoding.h"

namespace tavri::test {

namespace fs = std::filesystem;

namespace {

// No test may keep anything in the user's own data folder (moved bookmarks): the whole run
// gets a data folder of its own, removed when it ends.
const bool kPrivateUserData = [] {
    static std::string folder = (fs::temp_directory_path() / "tavri-user-data-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        return false;
    }
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    });
    return true;
}();

}  // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tavri-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
    std::string full = path_ + relative;
    fs::create_directories(fs::path(full).parent_path());
    platform::WriteWholeFile(full, bytes);
    return full;
}

std::string TempDir::Write(const std::string& relative, const std::string& text) const {
    return Write(relative, Bytes(text));
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Hex(const std::string& bytes) {
    std::ostringstream out;
    for (unsigned char c : bytes) {
        out << std::hex << std::setw(2) << std::setfill('0') << int(c);
    }
    return out.str();
}

tool::TScenarioFile SampleScenario() {
    tool::TScenarioFile f;
    f.Header.NovelTitle = platform::Cp932("見本の物語");
    f.Header.StartItemName = "start";
    f.Counters.push_back({"Flag", 0, 0, 10, 0});
    tool::TRawItem start;
    start.Name = "start";
    start.Text = platform::Cp932("最初の行\r\n.GRAPHLOAD 背景\\01.jpg\r\n");
    start.LinkKind = LinkAuto;
    start.Links[0].Target = "end";
    tool::TRawItem end;
    end.Name = "end";
    end.Text = platform::Cp932("おしまい\r\n");
    end.LinkKind = LinkEnding;
    f.Items = {start, end};
    return f;
}

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& workDir) {
    TempDir capture;
    std::string outPath = capture.path() + "out", errPath = capture.path() + "err";
    pid_t pid = fork();
    if (pid == 0) {
        // Messages must come out on stderr, never as a box waiting for a click.
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (!workDir.empty() && chdir(workDir.c_str()) != 0) {
            _exit(127);
        }
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) {
            _exit(127);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    auto slurp = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), slurp(outPath),
            slurp(errPath)};
}

std::string BinDir() {
    return TAVRI_BIN_DIR;
}

}  // namespace tavri::test

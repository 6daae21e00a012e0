// The main() of tavri-player-bench: the packed demo novel measured as a user meets it.
//   start-up  from exec until the window is viewable, which the main window's first timer tick
//             makes it; timed from outside through the X server, beside a minimal SDL program
//             (the peer) that shows its window once its renderer has drawn a first frame, or
//             ("bare") at creation, and again with SDL kept off OpenGL
//   memory    the peak resident size of the demo reading itself through without a display, and
//             of the windowed start-up beside the peer's
//   frames    pictures presented per second during 500 ms transitions on the real display
// It needs an X server for all but the memory figure:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/tavri-player-bench
// Options: --demo PROGRAM (a packed demo; otherwise one is packed from the programs beside this
// one), --runs N (start-ups, 15), --frame-runs N (transitions, 7), --memory-runs N (3).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "PlayerBench.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct TChild {
    pid_t Pid = -1;
};

// Starts `argv` with its output going to `output` (or nowhere) and the environment `env`.
TChild Spawn(const std::vector<std::string>& argv, char** env, const std::string& output = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string target = output.empty() ? "/dev/null" : output;
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, target.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    TChild child;
    if (posix_spawn(&child.Pid, args[0], &actions, nullptr, args.data(), env) != 0) {
        child.Pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// The exit status, or -1 when it did not end normally.
int Wait(pid_t pid, rusage* usage = nullptr) {
    int status = 0;
    rusage ignored{};
    if (wait4(pid, &status, 0, usage ? usage : &ignored) < 0) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Run(const std::vector<std::string>& argv) {
    const TChild child = Spawn(argv, environ);
    return child.Pid > 0 && Wait(child.Pid) == 0;
}

double Median(std::vector<double> samples) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    return n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// A window that is gone by the time it is asked about is no error here.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// Whether `window`, or a window inside it (a window manager's frame holds the client), belongs
// to process `pid`.
bool BelongsTo(Display* x, Window window, pid_t pid, int depth = 0) {
    const Atom property = XInternAtom(x, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(x, window, property, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32) {
        found = pid_t(*reinterpret_cast<unsigned long*>(data)) == pid;
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (found || depth >= 2) {
        return found;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(x, window, &root, &parent, &children, &n) != 0) {
        for (unsigned int i = 0; i < n && !found; ++i) {
            found = BelongsTo(x, children[i], pid, depth + 1);
        }
        if (children != nullptr) {
            XFree(children);
        }
    }
    return found;
}

struct TStart {
    double Milliseconds = 0;
    double PeakMegabytes = 0;
};

// Time from exec until the server maps a window of the program's (a top-level window of a
// mapped root is viewable the moment it is mapped).
std::optional<TStart> TimeUntilShown(Display* x, const std::vector<std::string>& argv, char** env) {
    XSync(x, True);
    const auto start = Clock::now();
    const TChild child = Spawn(argv, env);
    if (child.Pid <= 0) {
        return std::nullopt;
    }
    std::optional<TStart> result;
    const auto limit = start + std::chrono::seconds(20);
    while (!result && Clock::now() < limit) {
        while (!result && XPending(x) > 0) {
            XEvent event;
            XNextEvent(x, &event);
            if (event.type == MapNotify && BelongsTo(x, event.xmap.window, child.Pid)) {
                result =
                    TStart{std::chrono::duration<double, std::milli>(Clock::now() - start).count()};
            }
        }
        if (!result) {
            pollfd connection{ConnectionNumber(x), POLLIN, 0};
            poll(&connection, 1, 1);
        }
    }
    kill(child.Pid, SIGKILL);
    rusage usage{};
    Wait(child.Pid, &usage);
    if (result) {
        result->PeakMegabytes = double(usage.ru_maxrss) / 1024;
    }
    return result;
}

// This process's environment with `extra` added and the variables named `removed` left out.
class TEnvironment {
  public:
    TEnvironment(std::vector<std::string> extra, std::vector<std::string> removed)
        : variables_(std::move(extra)) {
        for (char** v = environ; *v != nullptr; ++v) {
            const std::string_view variable(*v);
            const bool drop = std::any_of(removed.begin(), removed.end(), [&](const auto& name) {
                return variable.starts_with(name + "=");
            });
            if (!drop) {
                variables_.emplace_back(variable);
            }
        }
    }
    // Made on every call: moving the strings (short ones live inside them) moves their text.
    char** Get() {
        pointers_.clear();
        for (std::string& variable : variables_) {
            pointers_.push_back(variable.data());
        }
        pointers_.push_back(nullptr);
        return pointers_.data();
    }

  private:
    std::vector<std::string> variables_;
    std::vector<char*> pointers_;
};

struct TReading {
    double PeakMegabytes = 0;
    std::string Report;  // the player's last line, "N pages and M endings read"
};

// The demo reads itself through headless when it finds no display.
std::optional<TReading> ReadHeadless(const std::string& program, const fs::path& work) {
    TEnvironment env({}, {"DISPLAY", "WAYLAND_DISPLAY", "TAVRI_SHOTS"});
    const std::string log = (work / "headless.log").string();
    const TChild child = Spawn({program}, env.Get(), log);
    rusage usage{};
    if (child.Pid <= 0 || Wait(child.Pid, &usage) != 0) {
        return std::nullopt;
    }
    TReading reading{double(usage.ru_maxrss) / 1024, ""};
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.find("ending") != std::string::npos && line.find(" read") != std::string::npos) {
            reading.Report = line;
        }
    }
    return reading;
}

fs::path PackDemo(const fs::path& bin, const fs::path& work) {
    const fs::path data = work / "data";
    fs::create_directories(data);
    const fs::path program = work / "MoriNoKomichi";
    const std::string tool = (bin / "tavri-tool").string();
    if (!Run({(bin / "tavri-demo-art").string(), data.string()}) ||
        !Run({tool, "compile", TAVRI_SOURCE_DIR "/demo/story.src",
              (data / "autorun.qke").string()}) ||
        !Run({tool, "pack", data.string(), program.string(), "--player",
              (bin / "TavriNovelRun").string()})) {
        throw std::runtime_error("packing the demo failed (are the programs built in " +
                                 bin.string() + "?)");
    }
    return program;
}

int IntOption(int argc, char** argv, const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::max(1, std::atoi(argv[i + 1]));
        }
    }
    return fallback;
}

std::string StringOption(int argc, char** argv, const char* name) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return argv[i + 1];
        }
    }
    return {};
}

void Row(const std::string& what, double ours, const std::string& peer,
         std::optional<double> theirs, const char* target) {
    std::printf("%-36s %9.1f  %-20s", what.c_str(), ours, peer.c_str());
    if (theirs) {
        std::printf(" %9.1f %9.2f", *theirs, ours / *theirs);
    } else {
        std::printf(" %9s %9s", "", "");
    }
    std::printf("   %s\n", target);
}

// One way of starting a program: what runs, and with which environment.
struct TStarter {
    std::string Name;
    std::vector<std::string> Argv;
    TEnvironment Env;
    std::vector<double> Milliseconds, PeakMegabytes;
};

}  // namespace

int main(int argc, char** argv) {
    const int runs = IntOption(argc, argv, "--runs", 15);
    const int frameRuns = IntOption(argc, argv, "--frame-runs", 7);
    const int memoryRuns = IntOption(argc, argv, "--memory-runs", 3);
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    std::string work = (fs::temp_directory_path() / "tavri-player-bench-XXXXXX").string();
    if (mkdtemp(work.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    // No program may wait for a sound device the machine does not have.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    int status = 0;
    try {
        std::string demo = StringOption(argc, argv, "--demo");
        if (demo.empty()) {
            std::fprintf(stderr, "Packing the demo novel in %s ...\n", work.c_str());
            demo = PackDemo(bin, work).string();
        }
        const std::string peer = (bin / "tavri-bench-sdl-window").string();

        std::vector<double> memory;
        std::string report;
        for (int i = 0; i < memoryRuns; ++i) {
            if (const auto reading = ReadHeadless(demo, work)) {
                memory.push_back(reading->PeakMegabytes);
                report = reading->Report;
            }
        }

        // SDL's first renderer is OpenGL, which on a virtual server is Mesa drawing with the
        // processor: loading it dominates a start. Without it (the software renderer drawing
        // straight into the window) the same starts show what is left.
        const std::string software = "SDL_RENDER_DRIVER=software";
        const std::string noGl = "SDL_FRAMEBUFFER_ACCELERATION=0";
        std::vector<TStarter> starters;
        starters.push_back({"ours", {demo}, TEnvironment({}, {}), {}, {}});
        starters.push_back({"sdl", {peer}, TEnvironment({}, {}), {}, {}});
        starters.push_back({"sdl-bare", {peer, "bare"}, TEnvironment({}, {}), {}, {}});
        starters.push_back({"ours-nogl", {demo}, TEnvironment({software, noGl}, {}), {}, {}});
        starters.push_back({"sdl-nogl", {peer}, TEnvironment({software, noGl}, {}), {}, {}});
        std::vector<double> blend, camera;
        Display* x = XOpenDisplay(nullptr);
        const bool onDisplay = x != nullptr;
        if (!onDisplay) {
            std::fprintf(stderr,
                         "No X display: only the memory is measured. For everything run\n"
                         "  xvfb-run -a -s \"-screen 0 1280x1024x24\" %s\n",
                         argv[0]);
        } else {
            XSetErrorHandler(IgnoreXErrors);
            XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
            // One start of each first, for the page cache and the shader cache; then they take
            // turns.
            for (TStarter& starter : starters) {
                TimeUntilShown(x, starter.Argv, starter.Env.Get());
            }
            for (int i = 0; i < runs; ++i) {
                for (TStarter& starter : starters) {
                    if (const auto start = TimeUntilShown(x, starter.Argv, starter.Env.Get())) {
                        starter.Milliseconds.push_back(start->Milliseconds);
                        starter.PeakMegabytes.push_back(start->PeakMegabytes);
                    }
                }
            }
            XCloseDisplay(x);
            blend = tavri::bench::TransitionFramesPerSecond("BLEND", frameRuns);
            camera = tavri::bench::TransitionFramesPerSecond("CAMERA", frameRuns);
        }

        std::printf(
            "\nMedians (%d start-ups of each, %zu/%zu transitions, %zu readings)."
            "\nours/peer below 1 means ours is faster or smaller.\n",
            runs, blend.size(), camera.size(), memory.size());
        std::printf("%-36s %9s  %-20s %9s %9s   %s\n", "Measurement", "ours", "peer", "peer",
                    "ours/peer", "target");
        bool complete = !memory.empty();
        if (onDisplay) {
            for (const TStarter& starter : starters) {
                complete = complete && !starter.Milliseconds.empty();
            }
            complete = complete && !blend.empty() && !camera.empty();
        }
        if (complete && onDisplay) {
            const auto time = [&](size_t i) { return Median(starters[i].Milliseconds); };
            const auto peak = [&](size_t i) { return Median(starters[i].PeakMegabytes); };
            Row("Start-up to window shown (ms)", time(0), starters[1].Name, time(1), "<= 80");
            Row("", time(0), starters[2].Name, time(2), "");
            Row("  without OpenGL", time(3), starters[4].Name, time(4), "");
            Row("Peak RSS, start-up to shown (MB)", peak(0), starters[1].Name, peak(1), "");
            Row("  without OpenGL", peak(3), starters[4].Name, peak(4), "");
        }
        if (!memory.empty()) {
            Row("Peak RSS, reading headless (MB)", Median(memory), "", std::nullopt, "<= 40");
        }
        if (complete && onDisplay) {
            Row("Frames/s, 500 ms BLEND", Median(blend), "", std::nullopt, ">= 60");
            Row("Frames/s, 500 ms CAMERA (mask)", Median(camera), "", std::nullopt, ">= 60");
        }
        if (!report.empty()) {
            std::printf("The headless reading: %s\n", report.c_str());
        }
        if (!complete) {
            std::fprintf(stderr, "Some measurements failed.\n");
            status = 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return status;
}

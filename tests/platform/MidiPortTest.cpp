// The real MIDI outputs: FluidSynth as device −1 on an SDL audio device of its own, and the ALSA
// sequencer's ports (absent on build machines, which must cost nothing and say nothing).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Midi.h"
#include "support/TestSupport.h"

// FluidSynth loads a SoundFont's samples with OpenMP tasks. libgomp is not built for
// ThreadSanitizer, which cannot see its barriers, so the hand-overs between its own threads
// would read as races; they happen wholly inside the library.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libgomp.so.1\n";
}

namespace {

using tavri::platform::CreateMidiSystem;
using tavri::platform::IMidiPort;
using tavri::platform::IMidiSystem;
using tavri::platform::TMidiOutCaps;
namespace platform = tavri::platform;

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
  public:
    void Set(const std::string& name, const std::string& value) {
        Remember(name);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Unset(const std::string& name) {
        Remember(name);
        unsetenv(name.c_str());
    }
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) {
                setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                unsetenv(it->first.c_str());
            }
        }
    }

  private:
    void Remember(const std::string& name) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

bool SystemSoundFontInstalled() {
    for (const char* name : {"FluidR3_GM.sf2", "TimGM6mb.sf2", "default-GM.sf2"}) {
        if (std::ifstream(std::string("/usr/share/sounds/sf2/") + name).good()) {
            return true;
        }
    }
    return false;
}

size_t CountLines(const std::string& text) {
    size_t lines = 0;
    for (char c : text) {
        lines += c == '\n';
    }
    return lines;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The loudest 16-bit sample in raw little-endian stereo output.
int Peak(const std::vector<uint8_t>& raw) {
    int peak = 0;
    for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        int sample = static_cast<int16_t>(raw[i] | raw[i + 1] << 8);
        peak = std::max(peak, std::abs(sample));
    }
    return peak;
}

TEST(MidiSystem, DeviceNumbersOutsideTheListAreRefused) {
    auto system = CreateMidiSystem();
    int count = system->DeviceCount();
    for (int device : {-2, -1000, count, count + 7}) {
        SCOPED_TRACE(device);
        std::unique_ptr<IMidiPort> port;
        EXPECT_EQ(system->Open(device, port), platform::MidiErrBadDeviceId);
        EXPECT_EQ(port, nullptr);
        TMidiOutCaps caps;
        EXPECT_EQ(system->Capabilities(device, caps), platform::MidiErrBadDeviceId);
    }
    EXPECT_NE(system->ErrorText(platform::MidiErrBadDeviceId), "");
    EXPECT_EQ(system->ErrorText(12345), "") << "codes of no meaning have no text";
}

TEST(MidiSystem, WithoutASequencerThereAreNoPortsAndNoComplaint) {
    if (std::ifstream("/dev/snd/seq").good()) {
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    }
    testing::internal::CaptureStderr();
    auto system = CreateMidiSystem();
    int count = system->DeviceCount();
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count, 0);
    EXPECT_EQ(said, "");
}

TEST(MidiSystem, TheSynthesiserDescribesItself) {
    auto system = CreateMidiSystem();
    TMidiOutCaps caps;
    ASSERT_EQ(system->Capabilities(-1, caps), platform::MidiNoError);
    EXPECT_EQ(caps.ProductName, "FluidSynth");
    EXPECT_EQ(caps.Technology, 7);
    EXPECT_GT(caps.Voices, 0);
    EXPECT_EQ(caps.ChannelMask, 0xFFFF);
}

TEST(MidiSynth, AMissingOrForeignSoundFontRefusesTheOpenInOneLine) {
    tavri::test::TempDir dir;
    struct Case {
        const char* label;
        std::string path;
    } cases[] = {
        {"missing", dir.path() + "/none.sf2"},
        {"not a SoundFont", dir.Write("notes.sf2", std::string("RIFF\4\0\0\0WAVEfmt "))},
        {"empty", dir.Write("empty.sf2", std::string())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EnvGuard env;
        env.Set("SDL_AUDIODRIVER", "dummy");
        env.Set("TAVRI_SOUNDFONT", c.path);
        auto system = CreateMidiSystem();
        std::unique_ptr<IMidiPort> port;
        testing::internal::CaptureStderr();
        int result = system->Open(-1, port);
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, platform::MidiErrNoDevice);
        EXPECT_EQ(port, nullptr);
        EXPECT_EQ(CountLines(said), 1u) << said;
        EXPECT_NE(said.find(c.path), std::string::npos) << said;
    }
}

// The file only looks like a SoundFont from its first bytes: that passes the quick check at
// open, and the load that follows off the caller's thread fails.
TEST(MidiSynth, ASoundFontThatFailsToLoadLeavesASilentPortAndOneLine) {
    tavri::test::TempDir dir;
    std::string path = dir.Write("broken.sf2", std::string("RIFF\x40\0\0\0sfbkLIST\xff\xff", 18));
    EnvGuard env;
    env.Set("SDL_AUDIODRIVER", "dummy");
    env.Set("TAVRI_SOUNDFONT", path);
    auto system = CreateMidiSystem();
    std::unique_ptr<IMidiPort> port;
    testing::internal::CaptureStderr();
    ASSERT_EQ(system->Open(-1, port), platform::MidiNoError);
    EXPECT_EQ(port->SendShort(0x7F3C90), platform::MidiNoError);
    int completions = 0;
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(port->SendLong(gmOn, sizeof gmOn, [&] { ++completions; }), platform::MidiNoError);
    port.reset();  // waits for the load to end
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(CountLines(said), 1u) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
}

class MidiSynthPlaying : public testing::Test {
  protected:
    void SetUp() override {
        if (!SystemSoundFontInstalled()) {
            GTEST_SKIP() << "no General MIDI SoundFont installed";
        }
        env_.Unset("TAVRI_SOUNDFONT");
    }
    EnvGuard env_;
};

TEST_F(MidiSynthPlaying, NotesSoundOnTheAudioDevice) {
    tavri::test::TempDir dir;
    std::string output = dir.path() + "/music.raw";
    env_.Set("SDL_AUDIODRIVER", "disk");
    env_.Set("SDL_DISKAUDIOFILE", output);
    auto system = CreateMidiSystem();
    std::unique_ptr<IMidiPort> port;
    ASSERT_EQ(system->Open(-1, port), platform::MidiNoError);
    // Sent at once, while the SoundFont may still be loading: nothing is lost.
    EXPECT_EQ(port->SendShort(0x0000C0), platform::MidiNoError);  // piano
    EXPECT_EQ(port->SendShort(0x7F3C90), platform::MidiNoError);  // middle C, held
    EXPECT_EQ(port->SendShort(0x2040E0), platform::MidiNoError);  // a little bend
    EXPECT_EQ(port->SendShort(0x7F4099), platform::MidiNoError);  // a drum
    int peak = 0;
    for (int tries = 0; tries < 400 && peak < 1000; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        peak = Peak(ReadFile(output));
    }
    port.reset();
    EXPECT_GE(peak, 1000) << "the held note should be clearly audible";
}

TEST_F(MidiSynthPlaying, ExclusivesCompleteOnceAndBadMessagesAreRefused) {
    env_.Set("SDL_AUDIODRIVER", "dummy");
    auto system = CreateMidiSystem();
    std::unique_ptr<IMidiPort> port;
    ASSERT_EQ(system->Open(-1, port), platform::MidiNoError);
    std::atomic<int> completions{0};
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    const uint8_t gsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
    const uint8_t continuation[] = {0xF7, 0x01, 0x02, 0xF7};
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(port->SendLong(gmOn, sizeof gmOn, [&] { ++completions; }), 0);
        EXPECT_EQ(port->SendLong(gsReset, sizeof gsReset, [&] { ++completions; }), 0);
        EXPECT_EQ(port->SendLong(continuation, sizeof continuation, [&] { ++completions; }), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 100));
    }
    const uint8_t noExclusive[] = {0x90, 0x40, 0x40};
    EXPECT_EQ(port->SendLong(noExclusive, sizeof noExclusive, [&] { ++completions; }),
              platform::MidiErrInvalidParam);
    EXPECT_EQ(port->SendLong(gmOn, 0, [&] { ++completions; }), platform::MidiErrInvalidParam);
    for (uint32_t message : {0x00u, 0x7F3C40u, 0xF0u, 0xF7u, 0xF4u}) {
        SCOPED_TRACE(message);
        EXPECT_EQ(port->SendShort(message), platform::MidiErrInvalidParam);
    }
    for (uint32_t message : {0xF8u, 0xFFu, 0x7F0BB0u, 0x3FD5u}) {
        SCOPED_TRACE(message);
        EXPECT_EQ(port->SendShort(message), platform::MidiNoError);
    }
    port.reset();
    EXPECT_EQ(completions.load(), 9);
}

// The sequencer sends from its own thread while the audio callback renders.
TEST_F(MidiSynthPlaying, SendingFromAnotherThreadWhileRendering) {
    env_.Set("SDL_AUDIODRIVER", "dummy");
    auto system = CreateMidiSystem();
    std::unique_ptr<IMidiPort> port;
    ASSERT_EQ(system->Open(-1, port), platform::MidiNoError);
    std::thread sender([&] {
        for (int i = 0; i < 400; ++i) {
            uint32_t key = 48 + i % 24;
            EXPECT_EQ(port->SendShort(0x600090 | key << 8), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EXPECT_EQ(port->SendShort(0x000080 | key << 8), 0);
        }
    });
    sender.join();
    port.reset();
}

}  // namespace

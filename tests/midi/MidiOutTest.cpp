// The output component: choosing devices, the error texts, short and system-exclusive sends,
// and buffers that live until the device has sent them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi/MidiOut.h"
#include "midi/MidiSupport.h"
#include "platform/Clock.h"
#include "platform/Midi.h"

namespace tavri::test {
namespace {

struct OutputFixture {
    explicit OutputFixture(bool completeAtOnce = true, int devices = 2)
        : midi(clock, devices, completeAtOnce), output(midi, posted.Poster()) {}
    platform::VirtualClock clock{1000};
    PostedQueue posted;
    platform::RecordingMidiSystem midi;
    TMidiOutput output;
};

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EmidioutputError& error) {
        return error.what();
    }
    return "";
}

TEST(MidiOutput, DeviceNumbersAndTheirNames) {
    struct Case {
        int id;
        std::string error, name;
    };
    const std::vector<Case> cases = {
        {-1, "", "Recording"},         {0, "", "Recording 0"},
        {1, "", "Recording 1"},        {2, "Invalid device ID", ""},  // the device count
        {-2, "Invalid device ID", ""}, {1000, "Invalid device ID", ""},
    };
    for (const Case& c : cases) {
        OutputFixture f;
        EXPECT_EQ(f.output.DeviceCount(), 2);
        EXPECT_EQ(ErrorOf([&] { f.output.SetDeviceID(c.id); }), c.error) << c.id;
        if (c.error.empty()) {
            EXPECT_EQ(f.output.DeviceID(), c.id);
            EXPECT_EQ(f.output.ProductName(), c.name);
        }
    }
}

TEST(MidiOutput, DeviceCannotChangeWhileOpen) {
    OutputFixture f;
    f.output.SetDeviceID(0);
    ASSERT_TRUE(f.output.Open());
    EXPECT_EQ(ErrorOf([&] { f.output.SetDeviceID(1); }),
              "Change to DeviceID while device was open");
    EXPECT_EQ(ErrorOf([&] { f.output.SetProductName("Recording"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(f.output.DeviceID(), 0);
    f.output.PutShort(0x90, 60, 100);
    ASSERT_EQ(f.midi.Messages().size(), 1u);
    EXPECT_EQ(f.midi.Messages()[0].Device, 0);
    EXPECT_TRUE(f.output.Close());
    EXPECT_FALSE(f.output.Close());
    f.output.SetDeviceID(1);
    EXPECT_EQ(f.output.DeviceID(), 1);
}

TEST(MidiOutput, ProductNameChoosesTheDevice) {
    OutputFixture f;
    f.output.SetProductName("Recording 1");
    EXPECT_EQ(f.output.DeviceID(), 1);
    f.output.SetProductName("Recording");
    EXPECT_EQ(f.output.DeviceID(), -1);
    EXPECT_EQ(ErrorOf([&] { f.output.SetProductName("Piano"); }),
              "MIDI output Device Piano not installed");
    EXPECT_EQ(f.output.DeviceID(), -1);
}

TEST(MidiOutput, ShortMessagesArePackedLowByteFirst) {
    OutputFixture f;
    f.output.SetDeviceID(-1);
    ASSERT_TRUE(f.output.Open());
    f.output.PutShort(0x93, 0x3C, 0x64);
    TMyMidiEvent program;
    program.Status = 0xC1;
    program.Data1 = 5;
    f.output.PutMidiEvent(program);
    const auto messages = f.midi.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].Short, 0x643C93u);
    EXPECT_EQ(messages[1].Short, 0x0005C1u);
    EXPECT_EQ(messages[0].Time, 1000u);
}

TEST(MidiOutput, ClosedDeviceSendsNothing) {
    OutputFixture f;
    TMyMidiEvent note;
    note.Status = 0x90;
    EXPECT_EQ(ErrorOf([&] { f.output.PutMidiEvent(note); }), "MIDI Output device not open");
    f.output.SetDeviceID(-1);
    ASSERT_TRUE(f.output.Open());
    f.output.Close();
    EXPECT_EQ(ErrorOf([&] { f.output.PutMidiEvent(note); }), "MIDI Output device not open");
    EXPECT_TRUE(f.midi.Messages().empty());
}

TEST(MidiOutput, DeviceErrorsCarryThePlatformText) {
    OutputFixture f;
    f.output.SetDeviceID(-1);
    f.midi.FailOpen(platform::MidiErrNoDevice);
    EXPECT_FALSE(f.output.Open());
    EXPECT_FALSE(f.output.IsOpen());
    f.midi.FailOpen(0);
    ASSERT_TRUE(f.output.Open());

    f.midi.FailSends(platform::MidiErrNotOpen);
    EXPECT_EQ(ErrorOf([&] { f.output.PutShort(0x90, 1, 2); }), "The device is not open.");
    f.midi.FailSends(99);  // a code the platform has no text for
    EXPECT_EQ(ErrorOf([&] { f.output.PutShort(0x90, 1, 2); }),
              "Specified error number is out of range");
    const uint8_t sysex[] = {0xF0, 0x01, 0xF7};
    EXPECT_EQ(ErrorOf([&] { f.output.PutLong(sysex, sizeof sysex); }),
              "Specified error number is out of range");
    EXPECT_EQ(f.output.LastResult(), 99);
    // A refused buffer is freed at once; it will never be reported sent.
    EXPECT_EQ(f.output.PendingHeaders(), 0u);
    EXPECT_TRUE(f.output.IsOpen());
}

TEST(MidiOutput, SysExBuffersLiveUntilTheirOwnCompletion) {
    OutputFixture f(/*completeAtOnce=*/false);
    int notices = 0;
    f.output.Onmidioutput = [&](TMidiOutput& sender) {
        EXPECT_EQ(&sender, &f.output);
        ++notices;
    };
    f.output.SetDeviceID(-1);
    ASSERT_TRUE(f.output.Open());
    std::vector<uint8_t> first = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    f.output.PutLong(first.data(), first.size());
    first.assign(first.size(), 0);  // the component keeps its own copy
    const uint8_t second[] = {0xF0, 0x41, 0xF7};
    f.output.PutLong(second, sizeof second);
    TMyMidiEvent third;
    third.Status = 0xF0;
    third.SysExLength = 2;
    third.SysEx = std::make_unique<uint8_t[]>(2);
    third.SysEx[0] = 0xF0;
    third.SysEx[1] = 0xF7;
    f.output.PutMidiEvent(third);

    EXPECT_EQ(f.output.PendingHeaders(), 3u);
    f.posted.RunPosted();
    EXPECT_EQ(f.output.PendingHeaders(), 3u);
    EXPECT_EQ(f.midi.Complete(), 3u);
    // The device's notices reach the main loop; nothing is freed before it runs them.
    EXPECT_EQ(f.output.PendingHeaders(), 3u);
    EXPECT_EQ(notices, 0);
    EXPECT_EQ(f.posted.RunPosted(), 3u);
    EXPECT_EQ(f.output.PendingHeaders(), 0u);
    EXPECT_EQ(notices, 3);
    const auto messages = f.midi.Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].Long, (std::vector<uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}));
    EXPECT_EQ(messages[2].Long, (std::vector<uint8_t>{0xF0, 0xF7}));
}

TEST(MidiOutput, LateCompletionsAfterCloseAreIgnored) {
    PostedQueue posted;
    platform::VirtualClock clock;
    platform::RecordingMidiSystem midi(clock, 0, /*completeAtOnce=*/false);
    int notices = 0;
    {
        TMidiOutput output(midi, posted.Poster());
        output.Onmidioutput = [&](TMidiOutput&) { ++notices; };
        output.SetDeviceID(-1);
        ASSERT_TRUE(output.Open());
        const uint8_t sysex[] = {0xF0, 0x01, 0xF7};
        output.PutLong(sysex, sizeof sysex);
        output.PutLong(sysex, sizeof sysex);
        // Closing takes the buffers back from the device and frees them.
        output.Close();
        EXPECT_EQ(output.PendingHeaders(), 0u);
        EXPECT_EQ(midi.Complete(), 0u);
        posted.RunPosted();
        EXPECT_EQ(notices, 0);

        ASSERT_TRUE(output.Open());
        output.PutLong(sysex, sizeof sysex);
        EXPECT_EQ(midi.Complete(), 1u);
    }
    // The component is gone before its notice reaches the main loop.
    EXPECT_EQ(posted.RunPosted(), 1u);
    EXPECT_EQ(notices, 0);
}

}  // namespace
}  // namespace tavri::test

#include <errno.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/TextEncoding.h"
#include "support/TestSupport.h"

namespace tavri::platform {
namespace {

using test::Hex;

TEST(ClockVirtual, MovesOnlyWhenTold) {
    VirtualClock clock(1000);
    EXPECT_EQ(clock.Now(), 1000u);
    EXPECT_EQ(clock.Now(), 1000u);
    clock.Sleep(15);
    EXPECT_EQ(clock.Now(), 1015u);
    clock.Advance(5);
    EXPECT_EQ(clock.Now(), 1020u);
    clock.Set(7);
    EXPECT_EQ(clock.Now(), 7u);

    IClock& seen = clock;  // engine code sees only the interface
    seen.Sleep(3);
    EXPECT_EQ(seen.Now(), 10u);
}

TEST(ClockVirtual, ElapsedTimeSurvivesTheWrap) {
    VirtualClock clock(0xFFFFFFF0u);
    uint32_t start = clock.Now();
    clock.Sleep(0x30);
    EXPECT_EQ(clock.Now(), 0x20u);
    EXPECT_EQ(static_cast<uint32_t>(clock.Now() - start), 0x30u);
    clock.Advance(0xFFFFFFFFu);  // one short of a full turn
    EXPECT_EQ(clock.Now(), 0x1Fu);
    EXPECT_EQ(static_cast<uint32_t>(clock.Now() - start), 0x2Fu);
}

TEST(ClockSystem, NeverGoesBackAcrossASleep) {
    std::unique_ptr<IClock> clock = CreateSystemClock();
    uint32_t before = clock->Now();
    clock->Sleep(5);
    uint32_t after = clock->Now();
    EXPECT_GE(static_cast<uint32_t>(after - before), 5u);
    clock->Sleep(0);
    EXPECT_GE(static_cast<uint32_t>(clock->Now() - before), 5u);
}

TEST(MessageBoxRecording, RecordsExactBytesAndAnswersFromItsScript) {
    RecordingMessageBoxService boxes;
    boxes.answers = {IdNo, IdCancel};
    // cp932 with a trail byte 0x5C, CR LF and a NUL: all must arrive untouched.
    std::string text = std::string("\x95\x5C\r\nline\0two", 12);
    std::string caption = "\x83\x47\x83\x89\x81\x5B";  // エラー
    EXPECT_EQ(boxes.Show(text, caption, MsgIcon::Question, MsgButtons::YesNo), IdNo);
    EXPECT_EQ(boxes.Show("b", "c", MsgIcon::Warning, MsgButtons::OkCancel), IdCancel);
    // Script used up: the first button answers.
    EXPECT_EQ(boxes.Show("c", "c", MsgIcon::Question, MsgButtons::YesNo), IdYes);
    EXPECT_EQ(boxes.Show("d", "c", MsgIcon::Warning, MsgButtons::OkCancel), IdOk);
    EXPECT_EQ(boxes.Show("e", "c", MsgIcon::Error, MsgButtons::Ok), IdOk);

    ASSERT_EQ(boxes.records.size(), 5u);
    EXPECT_EQ(Hex(boxes.records[0].text), Hex(text));
    EXPECT_EQ(Hex(boxes.records[0].caption), Hex(caption));
    EXPECT_EQ(boxes.records[0].icon, MsgIcon::Question);
    EXPECT_EQ(boxes.records[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(boxes.records[1].icon, MsgIcon::Warning);
    EXPECT_EQ(boxes.records[1].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(boxes.records[4].text, "e");
    EXPECT_EQ(boxes.records[4].icon, MsgIcon::Error);
    EXPECT_TRUE(boxes.answers.empty());
}

// Removes an environment variable for the scope and puts the old value back afterwards.
class UnsetEnv {
  public:
    explicit UnsetEnv(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) {
            saved_ = value;
        }
        unsetenv(name);
    }
    ~UnsetEnv() {
        if (saved_) {
            setenv(name_, saved_->c_str(), 1);
        }
    }
    UnsetEnv(const UnsetEnv&) = delete;
    UnsetEnv& operator=(const UnsetEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

TEST(MessageBoxSdl, WithoutADisplayPrintsCaptionAndTextOnStderr) {
    UnsetEnv noX11("DISPLAY");
    UnsetEnv noWayland("WAYLAND_DISPLAY");
    std::unique_ptr<IMessageBoxService> boxes = CreateSdlMessageBoxService();
    struct Case {
        const char* label;
        std::string text;
        std::string caption;
        MsgButtons buttons;
        std::string expectedOutput;  // UTF-8
        int expectedAnswer;
    } cases[] = {
        {"Japanese text and caption",
         // "ファイル 表.png を開けません。" / "エラー"
         "\x83\x74\x83\x40\x83\x43\x83\x8B \x95\x5C.png \x82\xF0\x8A\x4A\x82\xAF\x82\xDC\x82\xB9"
         "\x82\xF1\x81\x42",
         "\x83\x47\x83\x89\x81\x5B", MsgButtons::Ok,
         "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC: \xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB "
         "\xE8\xA1\xA8.png \xE3\x82\x92\xE9\x96\x8B\xE3\x81\x91\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93"
         "\xE3\x80\x82\n",
         IdOk},
        {"CR LF becomes one newline", "one\r\ntwo\r\nthree", "Title", MsgButtons::Ok,
         "Title: one\ntwo\nthree\n", IdOk},
        {"yes/no answers yes", "Quit?", "Q", MsgButtons::YesNo, "Q: Quit?\n", IdYes},
        {"ok/cancel answers ok", "Go on?", "Q", MsgButtons::OkCancel, "Q: Go on?\n", IdOk},
        {"unmapped byte shows as a middle dot", "a\x80z", "c", MsgButtons::Ok,
         "c: a\xE3\x83\xBBz\n", IdOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        testing::internal::CaptureStderr();
        int answer = boxes->Show(c.text, c.caption, MsgIcon::Error, c.buttons);
        std::string printed = testing::internal::GetCapturedStderr();
        // Every line of ours carries the program's name.
        EXPECT_EQ(printed, std::string(program_invocation_short_name) + ": " + c.expectedOutput);
        EXPECT_EQ(answer, c.expectedAnswer);
    }
}

}  // namespace
}  // namespace tavri::platform

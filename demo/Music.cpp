#include "Music.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "midi/SmfWriter.h"

namespace demo {

namespace {

using tavri::TSmfTrack;

constexpr uint32_t kQuarter = 480;
constexpr uint32_t kEighth = kQuarter / 2;
constexpr uint32_t kBar = 4 * kQuarter;

uint32_t MicrosPerQuarter(int bpm) {
    return 60000000u / static_cast<uint32_t>(bpm);
}

// One instrument's part, written at absolute ticks and turned into a track at the end, so
// voices and chords can overlap freely.
class Part {
  public:
    Part(int channel, const std::string& name) : channel_(channel), name_(name) {}

    Part& Setup(int program, int volume, int pan, int reverb) {
        if (channel_ != 9) {
            Add(at_, {static_cast<uint8_t>(0xC0 | channel_), static_cast<uint8_t>(program)});
        }
        Add(at_, {static_cast<uint8_t>(0xB0 | channel_), 7, static_cast<uint8_t>(volume)});
        Add(at_, {static_cast<uint8_t>(0xB0 | channel_), 10, static_cast<uint8_t>(pan)});
        Add(at_, {static_cast<uint8_t>(0xB0 | channel_), 91, static_cast<uint8_t>(reverb)});
        return *this;
    }
    // A note of `length` ticks that sounds for `gate` of it (legato at 1, detached below).
    Part& Note(int key, uint32_t length, int velocity, double gate = 0.92) {
        Sound(at_, key, length, velocity, gate);
        at_ += length;
        return *this;
    }
    Part& Chord(std::initializer_list<int> keys, uint32_t length, int velocity,
                double gate = 0.92) {
        for (int key : keys) {
            Sound(at_, key, length, velocity, gate);
        }
        at_ += length;
        return *this;
    }
    Part& Rest(uint32_t length) {
        at_ += length;
        return *this;
    }
    Part& Expression(uint32_t offset, int value) {
        Add(at_ + offset, {static_cast<uint8_t>(0xB0 | channel_), 11, static_cast<uint8_t>(value)});
        return *this;
    }
    // A melody in eighths: each pair is a key (0 for a rest) and its length in eighths.
    Part& Line(std::initializer_list<std::pair<int, int>> notes, int velocity) {
        int accent = 0;
        for (auto [key, eighths] : notes) {
            uint32_t length = static_cast<uint32_t>(eighths) * kEighth;
            if (key == 0) {
                Rest(length);
            } else {
                // Long notes a little louder than passing ones, as a player would lean on them.
                accent = eighths >= 3 ? 8 : (eighths == 1 ? -6 : 0);
                Note(key, length, std::clamp(velocity + accent, 1, 127));
            }
        }
        return *this;
    }

    TSmfTrack Finish(uint32_t length) const {
        std::vector<Timed> events = events_;
        // Releases first at equal times, so a repeated key is struck again, not cut short.
        std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        TSmfTrack track;
        track.Meta(0, 0x03, std::vector<uint8_t>(name_.begin(), name_.end()));
        uint32_t now = 0;
        for (const Timed& e : events) {
            if (e.tick > length) {
                break;
            }
            track.Event(e.tick - now, e.bytes);
            now = e.tick;
        }
        track.End(length - now);
        return track;
    }

  private:
    struct Timed {
        uint32_t tick;
        int order;  // 0 release, 1 anything else
        std::vector<uint8_t> bytes;
    };

    void Add(uint32_t tick, std::vector<uint8_t> bytes, int order = 1) {
        events_.push_back(Timed{tick, order, std::move(bytes)});
    }
    void Sound(uint32_t tick, int key, uint32_t length, int velocity, double gate) {
        uint32_t sounding = std::max<uint32_t>(1, static_cast<uint32_t>(length * gate));
        auto k = static_cast<uint8_t>(key);
        Add(tick, {static_cast<uint8_t>(0x90 | channel_), k, static_cast<uint8_t>(velocity)});
        Add(tick + sounding, {static_cast<uint8_t>(0x80 | channel_), k, 0}, 0);
    }

    int channel_;
    std::string name_;
    uint32_t at_ = 0;
    std::vector<Timed> events_;
};

// The first track of a format 1 file: the title, the metre and the tempo changes.
TSmfTrack Conductor(const std::string& title,
                    std::initializer_list<std::pair<uint32_t, int>> tempos, uint32_t length) {
    TSmfTrack track;
    track.Meta(0, 0x03, std::vector<uint8_t>(title.begin(), title.end()));
    track.Meta(0, 0x58, {4, 2, 24, 8});  // 4/4
    uint32_t now = 0;
    for (auto [tick, bpm] : tempos) {
        track.Tempo(tick - now, MicrosPerQuarter(bpm));
        now = tick;
    }
    track.End(length - now);
    return track;
}

// A four-note chord voicing broken into eighths by `pattern` (indices into the voicing).
void Arpeggio(Part& part, std::initializer_list<int> voicing, std::initializer_list<int> pattern,
              int velocity) {
    std::vector<int> keys(voicing);
    int step = 0;
    for (int index : pattern) {
        // The first of each group of four leans a little.
        part.Note(keys[static_cast<size_t>(index)], kEighth, velocity + (step % 4 == 0 ? 10 : 0),
                  0.98);
        ++step;
    }
}

// General MIDI programs (0-based).
enum Program {
    Glockenspiel = 9,
    Marimba = 12,
    NylonGuitar = 24,
    AcousticBass = 32,
    PizzicatoStrings = 45,
    Harp = 46,
    StringEnsemble = 48,
    Clarinet = 71,
    Flute = 73,
};

}  // namespace

std::vector<uint8_t> LogoJingle() {
    constexpr uint32_t kLength = 3 * kBar;
    Part bells(0, "Bells");
    bells.Setup(Glockenspiel, 100, 72, 70);
    bells.Rest(kQuarter).Note(67, kEighth, 80).Note(72, kEighth, 84).Note(76, kEighth, 88);
    bells.Note(79, kEighth, 92).Note(84, kBar + kQuarter, 104, 1.0);

    Part harp(1, "Harp");
    harp.Setup(Harp, 96, 52, 60);
    for (int key : {48, 52, 55, 60, 64, 67, 72, 76}) {
        harp.Note(key, kEighth / 2, 70, 4.0);  // each string rings on under the next
    }
    harp.Rest(kEighth * 2).Chord({48, 55, 64, 72}, kBar + kQuarter, 84, 1.0);

    Part strings(2, "Strings");
    strings.Setup(StringEnsemble, 92, 64, 80);
    strings.Expression(0, 40).Rest(kQuarter * 2);
    strings.Expression(0, 60).Expression(kQuarter, 90).Expression(kQuarter * 2, 110);
    strings.Expression(kBar + kQuarter * 2, 80).Expression(kBar + kQuarter * 3, 50);
    strings.Chord({48, 55, 60, 64}, kBar + kQuarter * 3 + kEighth, 90, 1.0);

    Part bass(3, "Bass");
    bass.Setup(AcousticBass, 96, 64, 40);
    bass.Rest(kQuarter * 2).Note(36, kBar + kQuarter * 2, 96, 1.0);

    return tavri::WriteSmf(
        1, kQuarter,
        {Conductor("Logo", {{0, 96}, {kBar, 84}, {kBar + 2 * kQuarter, 66}}, kLength),
         bells.Finish(kLength), harp.Finish(kLength), strings.Finish(kLength),
         bass.Finish(kLength)});
}

std::vector<uint8_t> TitleTheme() {
    constexpr uint32_t kLength = 12 * kBar;
    // F | C/E | Dm | Bb | F | Am | Bb | C | Dm | Bb | C | F
    Part flute(0, "Flute");
    flute.Setup(Flute, 96, 70, 72).Rest(kBar);  // the guitar alone for a bar, then the tune
    flute.Line({{76, 3}, {77, 1}, {79, 4}}, 84);
    flute.Line({{77, 2}, {81, 2}, {86, 3}, {84, 1}}, 84);
    flute.Line({{82, 4}, {81, 2}, {79, 2}}, 84);
    flute.Line({{81, 2}, {84, 2}, {89, 3}, {88, 1}}, 88);
    flute.Line({{88, 2}, {84, 2}, {81, 4}}, 84);
    flute.Line({{86, 2}, {84, 1}, {82, 1}, {81, 2}, {79, 2}}, 84);
    flute.Line({{79, 6}, {0, 2}}, 80);
    flute.Line({{77, 1}, {79, 1}, {81, 2}, {86, 2}, {84, 2}}, 84);
    flute.Line({{82, 3}, {81, 1}, {79, 2}, {77, 2}}, 84);
    flute.Line({{76, 2}, {79, 2}, {84, 2}, {82, 2}}, 80);
    flute.Line({{81, 6}, {0, 2}}, 76);

    Part guitar(1, "Guitar");
    guitar.Setup(NylonGuitar, 88, 44, 50);
    const std::initializer_list<int> kPattern = {0, 1, 2, 3, 2, 1, 2, 3};
    for (auto voicing : {std::initializer_list<int>{41, 48, 53, 57},
                         {40, 48, 52, 55},
                         {38, 45, 50, 53},
                         {46, 50, 53, 58},
                         {41, 48, 53, 57},
                         {45, 52, 57, 60},
                         {46, 50, 53, 58},
                         {48, 52, 55, 60},
                         {38, 45, 50, 53},
                         {46, 50, 53, 58},
                         {48, 52, 55, 60},
                         {41, 48, 53, 57}}) {
        Arpeggio(guitar, voicing, kPattern, 62);
    }

    Part strings(2, "Strings");
    strings.Setup(StringEnsemble, 70, 84, 90).Rest(kBar);
    for (auto chord : {std::initializer_list<int>{55, 60, 64},
                       {57, 62, 65},
                       {58, 62, 65},
                       {57, 60, 65},
                       {57, 60, 64},
                       {58, 62, 65},
                       {55, 60, 64},
                       {57, 62, 65},
                       {58, 62, 65},
                       {55, 60, 64},
                       {57, 60, 65}}) {
        strings.Chord(chord, kBar, 64, 1.0);
    }

    Part bass(3, "Bass");
    bass.Setup(AcousticBass, 92, 64, 30);
    for (auto [root, fifth] : {std::pair{41, 48},
                               {40, 43},
                               {38, 45},
                               {34, 41},
                               {41, 48},
                               {33, 40},
                               {34, 41},
                               {36, 43},
                               {38, 45},
                               {34, 41},
                               {36, 43},
                               {41, 36}}) {
        bass.Note(root, 2 * kQuarter, 90, 0.9).Note(fifth, 2 * kQuarter, 80, 0.9);
    }

    // The last bar broadens before the tune comes round again.
    return tavri::WriteSmf(
        1, kQuarter,
        {Conductor("Title", {{0, 84}, {11 * kBar, 78}}, kLength), flute.Finish(kLength),
         guitar.Finish(kLength), strings.Finish(kLength), bass.Finish(kLength)});
}

std::vector<uint8_t> ForestTheme() {
    constexpr uint32_t kLength = 8 * kBar;
    // G | Em | C | D | G | Em | Am D | G
    Part clarinet(0, "Clarinet");
    clarinet.Setup(Clarinet, 92, 58, 60);
    clarinet.Line({{74, 1}, {79, 1}, {83, 2}, {81, 1}, {79, 1}, {74, 2}}, 80);
    clarinet.Line({{76, 2}, {79, 1}, {83, 1}, {88, 3}, {86, 1}}, 82);
    clarinet.Line({{84, 2}, {83, 1}, {81, 1}, {79, 2}, {76, 2}}, 80);
    clarinet.Line({{78, 3}, {79, 1}, {81, 4}}, 82);
    clarinet.Line({{83, 1}, {81, 1}, {79, 2}, {86, 2}, {83, 2}}, 82);
    clarinet.Line({{79, 1}, {81, 1}, {83, 2}, {76, 4}}, 80);
    clarinet.Line({{81, 2}, {84, 2}, {78, 2}, {81, 2}}, 82);
    clarinet.Line({{79, 6}, {0, 2}}, 78);

    Part marimba(1, "Marimba");
    marimba.Setup(Marimba, 84, 86, 40);
    const std::initializer_list<int> kPattern = {0, 1, 2, 3, 2, 1, 2, 1};
    const std::initializer_list<int> kHalf = {0, 1, 2, 3};
    for (auto voicing : {std::initializer_list<int>{55, 59, 62, 67},
                         {52, 55, 59, 64},
                         {48, 52, 55, 60},
                         {50, 54, 57, 62},
                         {55, 59, 62, 67},
                         {52, 55, 59, 64}}) {
        Arpeggio(marimba, voicing, kPattern, 56);
    }
    Arpeggio(marimba, {45, 48, 52, 57}, kHalf, 56);
    Arpeggio(marimba, {50, 54, 57, 62}, kHalf, 56);
    Arpeggio(marimba, {55, 59, 62, 67}, kPattern, 56);

    Part pizzicato(2, "Pizzicato");
    pizzicato.Setup(PizzicatoStrings, 80, 40, 50);
    for (auto chord : {std::initializer_list<int>{59, 62, 67},
                       {59, 64, 67},
                       {60, 64, 67},
                       {57, 62, 66},
                       {59, 62, 67},
                       {59, 64, 67}}) {
        for (int beat = 0; beat < 2; ++beat) {
            pizzicato.Rest(kQuarter).Chord(chord, kQuarter, 70, 0.5);
        }
    }
    pizzicato.Rest(kQuarter).Chord({57, 60, 64}, kQuarter, 70, 0.5);
    pizzicato.Rest(kQuarter).Chord({57, 62, 66}, kQuarter, 70, 0.5);
    pizzicato.Rest(kQuarter).Chord({59, 62, 67}, kQuarter, 70, 0.5).Rest(2 * kQuarter);

    Part bass(3, "Bass");
    bass.Setup(AcousticBass, 92, 64, 30);
    for (auto [root, fifth] :
         {std::pair{43, 50}, {40, 47}, {36, 43}, {38, 45}, {43, 50}, {40, 47}}) {
        bass.Note(root, kQuarter, 88, 0.8).Note(fifth, kQuarter, 76, 0.8);
        bass.Note(root, kQuarter, 84, 0.8).Note(fifth, kQuarter, 76, 0.8);
    }
    bass.Note(45, kQuarter, 88, 0.8).Note(52, kQuarter, 76, 0.8);
    bass.Note(38, kQuarter, 84, 0.8).Note(45, kQuarter, 76, 0.8);
    bass.Note(43, 2 * kQuarter, 88, 0.9).Note(38, 2 * kQuarter, 80, 0.9);

    Part shaker(9, "Shaker");
    shaker.Setup(0, 70, 76, 30);
    for (int i = 0; i < 8 * 8; ++i) {
        shaker.Note(82, kEighth, i % 2 == 0 ? 52 : 34, 0.5);
    }

    return tavri::WriteSmf(1, kQuarter,
                           {Conductor("Forest path", {{0, 108}}, kLength), clarinet.Finish(kLength),
                            marimba.Finish(kLength), pizzicato.Finish(kLength),
                            bass.Finish(kLength), shaker.Finish(kLength)});
}

}  // namespace demo

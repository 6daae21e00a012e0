// Compiling: a scenario source read line by line into a scenario file.

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <map>

#include "ScenarioSource.h"
#include "SourceSyntax.h"
#include "SourceText.h"

namespace tavri::tool {

using namespace source_syntax;

ESourceError::ESourceError(const std::string& file, int line, const std::string& message)
    : std::runtime_error(file + ":" + std::to_string(line) + ": " + message),
      file(file),
      line(line) {}

namespace {

using H = CNovelFileHeader;

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kUint32Max = std::numeric_limits<uint32_t>::max();

bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}
class TCompiler {
  public:
    TCompiler(std::string_view source, const std::string& fileName)
        : source_(source), fileName_(fileName) {}

    TScenarioFile Run() {
        size_t start = 0;
        for (;;) {
            size_t end = source_.find('\n', start);
            std::string_view line = source_.substr(
                start, end == std::string_view::npos ? std::string_view::npos : end - start);
            ++lineNumber_;
            // Sources saved on Windows end their lines with CR LF; a BOM may open them.
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            if (lineNumber_ == 1 && line.starts_with("\xEF\xBB\xBF")) {
                line.remove_prefix(3);
            }
            Line(line);
            if (end == std::string_view::npos) {
                break;
            }
            start = end + 1;
        }
        CloseSection();
        return std::move(file_);
    }

  private:
    enum class TSection { None, Header, Counter, Item };

    [[noreturn]] void FailAt(int line, const std::string& message) const {
        throw ESourceError(fileName_, line, message);
    }
    [[noreturn]] void Fail(const std::string& message) const { FailAt(lineNumber_, message); }

    // --- the current line, read left to right ---

    void SkipSpace() {
        while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) {
            ++pos_;
        }
    }
    bool AtLineEnd() {
        SkipSpace();
        return pos_ == line_.size() || line_[pos_] == '#';
    }
    std::string Found() {
        if (AtLineEnd()) {
            return "the line ends";
        }
        size_t end = pos_;
        while (end < line_.size() && line_[end] != ' ' && line_[end] != '\t') {
            ++end;
        }
        return "found '" + std::string(line_.substr(pos_, end - pos_)) + "'";
    }
    void ExpectLineEnd() {
        if (!AtLineEnd()) {
            Fail("unexpected '" + std::string(line_.substr(pos_)) + "' after the value");
        }
    }
    void Expect(std::string_view token, const std::string& where) {
        SkipSpace();
        if (!line_.substr(pos_).starts_with(token)) {
            Fail("expected '" + std::string(token) + "' " + where + ", but " + Found());
        }
        pos_ += token.size();
    }
    std::string_view Word() {
        SkipSpace();
        size_t start = pos_;
        while (pos_ < line_.size() && IsWordChar(line_[pos_])) {
            ++pos_;
        }
        return line_.substr(start, pos_ - start);
    }
    std::string String(const std::string& what) {
        SkipSpace();
        if (pos_ >= line_.size() || line_[pos_] != '"') {
            Fail("expected a quoted " + what + ", but " + Found());
        }
        size_t close = line_.find('"', pos_ + 1);
        if (close == std::string_view::npos) {
            Fail(
                "unterminated string (no closing '\"'; a quote inside a string is written "
                "\\[22])");
        }
        std::string_view body = line_.substr(pos_ + 1, close - pos_ - 1);
        pos_ = close + 1;
        try {
            return SourceToStored(body);
        } catch (const ETextError& e) {
            Fail(std::string(e.what()) + " in the " + what);
        }
    }
    int64_t Number(int64_t low, int64_t high, const std::string& what) {
        SkipSpace();
        size_t start = pos_;
        while (pos_ < line_.size() && (IsWordChar(line_[pos_]) || line_[pos_] == '+')) {
            ++pos_;
        }
        std::string_view token = line_.substr(start, pos_ - start);
        if (token.empty()) {
            Fail("expected a number for " + what + ", but " + Found());
        }
        std::string_view digits = token;
        bool negative = digits[0] == '-';
        if (negative || digits[0] == '+') {
            digits.remove_prefix(1);
        }
        int base = 10;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            base = 16;
            digits.remove_prefix(2);
        }
        int64_t value = 0;
        bool tooBig = false;
        for (char c : digits) {
            int d = c >= '0' && c <= '9'                 ? c - '0'
                    : base == 16 && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                         : -1;
            if (d < 0) {
                Fail("bad number '" + std::string(token) + "' for " + what);
            }
            value = value * base + d;
            if (value > (int64_t{1} << 40)) {
                tooBig = true;
                value = int64_t{1} << 40;
            }
        }
        if (digits.empty()) {
            Fail("bad number '" + std::string(token) + "' for " + what);
        }
        value = negative ? -value : value;
        if (tooBig || value < low || value > high) {
            std::string range = high == kUint32Max
                                    ? "0..0xFFFFFFFF"
                                    : std::to_string(low) + ".." + std::to_string(high);
            Fail("number " + std::string(token) + " is out of range for " + what + " (" + range +
                 ")");
        }
        return value;
    }
    int32_t Int32(const std::string& what) {
        return static_cast<int32_t>(Number(kInt32Min, kInt32Max, what));
    }
    uint8_t Byte8(const std::string& what) { return static_cast<uint8_t>(Number(0, 255, what)); }

    // --- lines ---

    void Line(std::string_view line) {
        line_ = line;
        pos_ = 0;
        SkipSpace();
        if (pos_ == line_.size()) {
            textOpen_ = false;
            return;
        }
        char c = line_[pos_];
        if (c == '#') {
            return;  // comments may sit between text lines without ending the block
        }
        if (c == '|' || c == '\\') {
            TextLine();
            return;
        }
        textOpen_ = false;
        if (c == '[') {
            StartSection();
            return;
        }
        std::string_view key = Word();
        if (key.empty()) {
            Fail(
                "expected a key, a section such as [item \"name\"], or a comment starting "
                "with '#', but " +
                Found());
        }
        switch (section_) {
            case TSection::None:
                Fail("'" + std::string(key) +
                     "' comes before any section; start with [header], [counter \"name\"] or "
                     "[item \"name\"]");
            case TSection::Header:
                HeaderLine(key);
                break;
            case TSection::Counter:
                CounterLine(key);
                break;
            case TSection::Item:
                ItemLine(key);
                break;
        }
    }

    void MarkKey(std::string_view key) {
        auto [it, added] = keyLines_.emplace(std::string(key), lineNumber_);
        if (!added) {
            Fail("duplicate key '" + std::string(key) + "' (first given on line " +
                 std::to_string(it->second) + ")");
        }
    }

    void StartSection() {
        CloseSection();
        keyLines_.clear();
        ++pos_;
        std::string_view kind = Word();
        if (kind == "header") {
            if (headerLine_ != 0) {
                Fail("second [header] section (the first is on line " +
                     std::to_string(headerLine_) + ")");
            }
            headerLine_ = lineNumber_;
            section_ = TSection::Header;
        } else if (kind == "counter") {
            TNovelCounter counter;
            counter.Name = String("counter name");
            file_.Counters.push_back(std::move(counter));
            section_ = TSection::Counter;
        } else if (kind == "item") {
            TRawItem item;
            item.Name = String("item name");
            // A source lists the links it has; every other slot is an unused one.
            item.Links = std::array<TNovelLink, kLinkCount>{};
            file_.Items.push_back(std::move(item));
            section_ = TSection::Item;
            linkLines_.fill(0);
            nextLink_ = 0;
        } else {
            Fail("unknown section '[" + std::string(kind) +
                 "'; expected [header], [counter \"name\"] or [item \"name\"]");
        }
        Expect("]", "to close the section name");
        ExpectLineEnd();
    }

    void CloseSection() {
        if (section_ != TSection::Header) {
            return;
        }
        const H& h = file_.Header;
        int line = 0;
        const THeaderField* culprit = nullptr;
        for (const THeaderField& f : HeaderFields()) {
            auto it = keyLines_.find(f.name);
            if (h.Version < f.from && it != keyLines_.end() && (line == 0 || it->second < line)) {
                line = it->second;
                culprit = &f;
            }
        }
        if (culprit != nullptr) {
            FailAt(line, std::string(culprit->name) + " is not stored in a version " +
                             std::to_string(h.Version) + " scenario (it needs version " +
                             std::to_string(culprit->from) + " or later)");
        }
    }

    [[noreturn]] void UnknownKey(std::string_view key, const std::string& where,
                                 const std::vector<std::string_view>& known) {
        std::string message = "unknown key '" + std::string(key) + "' in " + where;
        for (std::string_view k : known) {
            if (SameIgnoringCase(k, key)) {
                Fail(message + "; did you mean '" + std::string(k) + "'?");
            }
        }
        Fail(message);
    }

    void HeaderLine(std::string_view key) {
        H& h = file_.Header;
        if (key == kCounterTableVersionKey) {
            MarkKey(key);
            Expect("=", "after the key");
            file_.CounterTableVersion = Int32(kCounterTableVersionKey);
            ExpectLineEnd();
            return;
        }
        const auto& fields = HeaderFields();
        auto field = std::find_if(fields.begin(), fields.end(),
                                  [&](const THeaderField& f) { return key == f.name; });
        if (field == fields.end()) {
            std::vector<std::string_view> known{kCounterTableVersionKey};
            for (const THeaderField& f : fields) {
                known.push_back(f.name);
            }
            UnknownKey(key, "[header]", known);
        }
        MarkKey(key);
        Expect("=", "after the key");
        const std::string name = field->name;
        switch (field->kind) {
            case TFieldKind::Short: {
                std::string value = String("value of " + name);
                if (value.size() > static_cast<size_t>(field->capacity)) {
                    Fail(name + " holds at most " + std::to_string(field->capacity) +
                         " bytes of cp932 text; this value takes " + std::to_string(value.size()));
                }
                h.*field->text = std::move(value);
                break;
            }
            case TFieldKind::Int:
                h.*field->number = Int32(name);
                break;
            case TFieldKind::Byte:
                h.*field->byte = Byte8(name);
                break;
            case TFieldKind::Colour:
                h.*field->colour = static_cast<uint32_t>(Number(0, kUint32Max, name));
                break;
            case TFieldKind::Point:
                h.*field->number = Int32(name + " x");
                Expect(",", "between x and y");
                h.*field->number2 = Int32(name + " y");
                break;
        }
        ExpectLineEnd();
    }

    void CounterLine(std::string_view key) {
        TNovelCounter& c = file_.Counters.back();
        if (key != "Value" && key != "Minimum" && key != "Maximum" && key != "Persistent") {
            UnknownKey(key, "a [counter] section (Value, Minimum, Maximum, Persistent)",
                       {"Value", "Minimum", "Maximum", "Persistent"});
        }
        MarkKey(key);
        Expect("=", "after the key");
        if (key == "Value") {
            c.Value = Int32("Value");
        } else if (key == "Minimum") {
            c.Minimum = Int32("Minimum");
        } else if (key == "Maximum") {
            c.Maximum = Int32("Maximum");
        } else {
            c.PersistentFlag = Byte8("Persistent");
        }
        ExpectLineEnd();
    }

    void ItemLine(std::string_view key) {
        TRawItem& item = file_.Items.back();
        if (key == "Link") {
            LinkLine(item);
        } else if (key == "Text") {
            MarkKey(key);
            SkipSpace();
            if (pos_ < line_.size() && line_[pos_] == '=') {
                Fail("write 'Text:' and put the lines below it, each starting with '| '");
            }
            Expect(":", "after Text");
            ExpectLineEnd();
            textOpen_ = true;
        } else if (key == "Position") {
            MarkKey(key);
            Expect("=", "after the key");
            item.PositionX = Int32("Position x");
            Expect(",", "between x and y");
            item.PositionY = Int32("Position y");
            ExpectLineEnd();
        } else if (key == "LinkKind") {
            MarkKey(key);
            Expect("=", "after the key");
            SkipSpace();
            if (pos_ < line_.size() && line_[pos_] >= '0' && line_[pos_] <= '9') {
                item.LinkKind = Byte8("LinkKind");
            } else {
                std::string_view word = Word();
                auto it = std::find(std::begin(kLinkKindNames), std::end(kLinkKindNames), word);
                if (word.empty() || it == std::end(kLinkKindNames)) {
                    Fail("unknown link kind '" +
                         std::string(word.empty() ? line_.substr(pos_) : word) +
                         "' (menu, auto, ending or a number 0-255)");
                }
                item.LinkKind = static_cast<uint8_t>(it - std::begin(kLinkKindNames));
            }
            ExpectLineEnd();
        } else {
            UnknownKey(key, "an [item] section (Position, LinkKind, Link, Text)",
                       {"Position", "LinkKind", "Link", "Text"});
        }
    }

    void LinkLine(TRawItem& item) {
        SkipSpace();
        int slot;
        if (pos_ < line_.size() && line_[pos_] != '=') {
            slot = static_cast<int>(Number(0, kLinkCount - 1, "the link slot"));
        } else {
            if (nextLink_ >= kLinkCount) {
                Fail("the item has more than 8 links (slots 0-7)");
            }
            slot = nextLink_;
        }
        int& first = linkLines_[static_cast<size_t>(slot)];
        if (first != 0) {
            Fail("link slot " + std::to_string(slot) + " given twice (first on line " +
                 std::to_string(first) + ")");
        }
        first = lineNumber_;
        nextLink_ = slot + 1;
        Expect("=", "after Link");

        TNovelLink link;
        link.Enabled = true;
        SkipSpace();
        if (pos_ < line_.size() && line_[pos_] != '"') {
            std::string_view word = Word();
            if (word != "disabled") {
                Fail("expected a quoted caption or 'disabled' in the link, but found '" +
                     std::string(word.empty() ? line_.substr(pos_) : word) + "'");
            }
            link.Enabled = false;
        }
        if (link.Enabled || !AtLineEnd()) {
            link.Caption = String("link caption");
            Expect("->", "between the link's caption and target");
            link.Target = String("link target");
            if (!AtLineEnd()) {
                std::string_view word = Word();
                if (word != "if" && word != "if-off") {
                    Fail("expected 'if' or 'if-off' after the link's target, but found '" +
                         std::string(word.empty() ? line_.substr(pos_) : word) + "'");
                }
                link.Conditional = word == "if";
                link.CounterName = String("counter name");
                Expect(">=",
                       "after the counter name (a link condition is always counter >= "
                       "number)");
                link.Threshold = Int32("the link threshold");
            }
        }
        ExpectLineEnd();
        item.Links[static_cast<size_t>(slot)] = std::move(link);
    }

    void TextLine() {
        if (section_ != TSection::Item) {
            Fail("text line outside an [item] section");
        }
        if (!textOpen_) {
            Fail(
                "text line outside a Text: block (a blank line or a key ends the block; write "
                "'|' alone for an empty text line)");
        }
        char marker = line_[pos_++];
        std::string_view content;
        if (pos_ < line_.size()) {
            if (line_[pos_] != ' ') {
                Fail(std::string("expected a space after '") + marker + "'");
            }
            content = line_.substr(pos_ + 1);
        }
        TRawItem& item = file_.Items.back();
        try {
            item.Text += SourceToStored(content);
        } catch (const ETextError& e) {
            Fail(std::string(e.what()) + " in the text");
        }
        if (marker == '|') {
            item.Text += "\r\n";
        }
    }

    std::string_view source_;
    const std::string& fileName_;
    TScenarioFile file_;
    int lineNumber_ = 0;
    std::string_view line_;
    size_t pos_ = 0;
    TSection section_ = TSection::None;
    int headerLine_ = 0;
    std::map<std::string, int, std::less<>> keyLines_;  // keys of the current section
    bool textOpen_ = false;
    std::array<int, kLinkCount> linkLines_{};
    int nextLink_ = 0;
};
}  // namespace

TScenarioFile CompileSource(std::string_view utf8Source, const std::string& fileName) {
    return TCompiler(utf8Source, fileName).Run();
}
}  // namespace tavri::tool

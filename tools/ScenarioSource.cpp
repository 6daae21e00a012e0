// Decompiling: a scenario file written as source, and the header key table both directions use.

#include <cstdio>
#include <iterator>
#include <string>

#include "ScenarioSource.h"
#include "SourceSyntax.h"
#include "SourceText.h"

namespace tavri::tool {

namespace source_syntax {

namespace {
using H = CNovelFileHeader;

THeaderField Short(const char* name, int from, int capacity, std::string H::*m) {
    return {name, from, TFieldKind::Short, capacity, m};
}
THeaderField Int(const char* name, int from, int32_t H::*m) {
    return {name, from, TFieldKind::Int, 0, nullptr, m};
}
THeaderField Byte(const char* name, int from, uint8_t H::*m) {
    return {name, from, TFieldKind::Byte, 0, nullptr, nullptr, nullptr, m};
}
THeaderField Colour(const char* name, int from, uint32_t H::*m) {
    return {name, from, TFieldKind::Colour, 0, nullptr, nullptr, nullptr, nullptr, m};
}

}  // namespace

const std::vector<THeaderField>& HeaderFields() {
    static const std::vector<THeaderField> fields = {
        Short("Signature", 1, 32, &H::Signature),
        Int("Version", 1, &H::Version),
        {"ReservedPoint", 1, TFieldKind::Point, 0, nullptr, &H::ReservedPointX, &H::ReservedPointY},
        Short("StartItemName", 1, 255, &H::StartItemName),
        Short("LogoImage", 1, 255, &H::LogoImage),
        Short("TitleImage", 1, 255, &H::TitleImage),
        Short("TitleMidi", 1, 255, &H::TitleMidi),
        Short("TitleBgm", 1, 255, &H::TitleBgm),
        Int("ReservedNumber", 1, &H::ReservedNumber),
        Short("ReservedText", 1, 255, &H::ReservedText),
        Byte("ReservedFlag", 1, &H::ReservedFlag),
        Short("NovelTitle", 2, 255, &H::NovelTitle),
        Short("LogoMidi", 2, 255, &H::LogoMidi),
        Short("LogoSound", 2, 255, &H::LogoSound),
        Int("TextSpeed", 2, &H::TextSpeed),
        Int("ReservedSpeed", 2, &H::ReservedSpeed),
        Int("DefaultTransitionParameter", 2, &H::DefaultTransitionParameter),
        Int("DefaultTransitionDuration", 2, &H::DefaultTransitionDuration),
        Byte("BookmarkMode", 2, &H::BookmarkMode),
        Byte("ReservedMode", 2, &H::ReservedMode),
        Int("FontType", 2, &H::FontType),
        Int("FontSize", 2, &H::FontSize),
        Int("TextDecoration", 2, &H::TextDecoration),
        Byte("TextAntiAlias", 2, &H::TextAntiAlias),
        Colour("DefaultTextColor", 2, &H::DefaultTextColor),
        Colour("DefaultEdgeColor", 2, &H::DefaultEdgeColor),
        Colour("ChoiceHighlightColor", 2, &H::ChoiceHighlightColor),
        Colour("ReservedColor", 2, &H::ReservedColor),
        Short("DefaultTransitionName", 4, 32, &H::DefaultTransitionName),
        Short("CharTransitionName", 4, 32, &H::CharTransitionName),
        Int("CharTransitionParameter", 4, &H::CharTransitionParameter),
        Int("CharTransitionDuration", 4, &H::CharTransitionDuration),
        Byte("StartWindowed", 4, &H::StartWindowed),
        Byte("ReservedSwitch", 4, &H::ReservedSwitch),
        Byte("Only16BitColor", 4, &H::Only16BitColor),
        Byte("SkipLeadingSilence", 4, &H::SkipLeadingSilence),
        Byte("SendGMReset", 4, &H::SendGMReset),
        Byte("SendGSReset", 4, &H::SendGSReset),
        Byte("SkipSetting", 6, &H::SkipSetting),
        Byte("ReservedOption", 7, &H::ReservedOption),
        Byte("ChoiceNumbering", 8, &H::ChoiceNumbering),
    };
    return fields;
}

}  // namespace source_syntax

using namespace source_syntax;

namespace {

bool IsDefaultDisabledLink(const TNovelLink& l) {
    return !l.Enabled && l.Caption.empty() && l.Target.empty() && !l.Conditional &&
           l.CounterName.empty() && l.Threshold == 1;
}

std::string Quote(const std::string& stored) {
    return "\"" + StoredToSource(stored, TSourceContext::Quoted) + "\"";
}

std::string ColourText(uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(colour));
    return text;
}

void AppendLinks(std::string& out, const TRawItem& item) {
    int next = 0;
    for (int slot = 0; slot < kLinkCount; ++slot) {
        const TNovelLink& l = item.Links[static_cast<size_t>(slot)];
        if (IsDefaultDisabledLink(l)) {
            continue;
        }
        out += slot == next ? "Link = " : "Link " + std::to_string(slot) + " = ";
        next = slot + 1;
        if (!l.Enabled) {
            out += "disabled ";
        }
        out += Quote(l.Caption) + " -> " + Quote(l.Target);
        if (l.Conditional || !l.CounterName.empty() || l.Threshold != 1) {
            out += l.Conditional ? " if " : " if-off ";
            out += Quote(l.CounterName) + " >= " + std::to_string(l.Threshold);
        }
        out += '\n';
    }
}

void AppendText(std::string& out, const std::string& text) {
    if (text.empty()) {
        return;
    }
    out += "Text:\n";
    size_t start = 0;
    for (size_t brk; (brk = text.find("\r\n", start)) != std::string::npos; start = brk + 2) {
        std::string_view piece = std::string_view(text).substr(start, brk - start);
        out += piece.empty() ? "|" : "| " + StoredToSource(piece, TSourceContext::TextLine);
        out += '\n';
    }
    if (start < text.size()) {
        out +=
            "\\ " + StoredToSource(std::string_view(text).substr(start), TSourceContext::TextLine);
        out += '\n';
    }
}

}  // namespace
std::string DecompileToSource(const TScenarioFile& file) {
    std::string out = "# Scenario source for tavri-tool (format: docs/scenario-source.md)\n\n";
    out += "[header]\n";
    const H& h = file.Header;
    for (const THeaderField& f : HeaderFields()) {
        if (h.Version < f.from) {
            continue;  // not stored in this version: the loader gives the default anyway
        }
        out += f.name;
        out += " = ";
        switch (f.kind) {
            case TFieldKind::Short:
                out += Quote(h.*f.text);
                break;
            case TFieldKind::Int:
                out += std::to_string(h.*f.number);
                break;
            case TFieldKind::Byte:
                out += std::to_string(h.*f.byte);
                break;
            case TFieldKind::Colour:
                out += ColourText(h.*f.colour);
                break;
            case TFieldKind::Point:
                out += std::to_string(h.*f.number) + ", " + std::to_string(h.*f.number2);
                break;
        }
        out += '\n';
    }
    out += std::string(kCounterTableVersionKey) + " = " + std::to_string(file.CounterTableVersion) +
           "\n";

    for (const TNovelCounter& c : file.Counters) {
        out += "\n[counter " + Quote(c.Name) + "]\n";
        out += "Value = " + std::to_string(c.Value) + "\n";
        out += "Minimum = " + std::to_string(c.Minimum) + "\n";
        out += "Maximum = " + std::to_string(c.Maximum) + "\n";
        out += "Persistent = " + std::to_string(c.PersistentFlag) + "\n";
    }

    for (const TRawItem& item : file.Items) {
        out += "\n[item " + Quote(item.Name) + "]\n";
        if (item.PositionX != 0 || item.PositionY != 0) {
            out += "Position = " + std::to_string(item.PositionX) + ", " +
                   std::to_string(item.PositionY) + "\n";
        }
        out += "LinkKind = ";
        out += item.LinkKind < std::size(kLinkKindNames) ? kLinkKindNames[item.LinkKind]
                                                         : std::to_string(item.LinkKind);
        out += '\n';
        AppendLinks(out, item);
        AppendText(out, item.Text);
    }
    return out;
}

}  // namespace tavri::tool

#include <sys/stat.h>

#include <vector>

#include "platform/FileSystem.h"
#include "platform/NovelPath.h"
#include "platform/TextEncoding.h"

namespace tavri::platform {

namespace {

// Index of the last byte of `delimiters` outside double-byte characters, or npos.
size_t LastDelimiter(std::string_view name, std::string_view delimiters) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < name.size();) {
        size_t n = CharLength(name, i);
        if (n == 1 && delimiters.find(name[i]) != std::string_view::npos) {
            found = i;
        }
        i += n;
    }
    return found;
}

std::vector<std::string> SplitComponents(std::string_view name) {
    std::vector<std::string> parts;
    std::string current;
    for (size_t i = 0; i < name.size();) {
        size_t n = CharLength(name, i);
        if (n == 1 && (name[i] == '\\' || name[i] == '/')) {
            if (!current.empty()) {
                parts.push_back(std::move(current));
            }
            current.clear();
        } else {
            current.append(name.substr(i, n));
        }
        i += n;
    }
    if (!current.empty()) {
        parts.push_back(std::move(current));
    }
    return parts;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return out;
}

bool IsDirectory(const std::string& path) {
    return DirectoryExists(path.empty() ? "." : path);
}

// Finds `component` inside `folder`: the exact name first, then the first entry in byte order
// that differs only in ASCII letter case. `cp932` picks the folding that steps over
// double-byte characters.
std::optional<std::string> MatchComponent(const std::string& folder, const std::string& component,
                                          bool cp932, bool wantDirectory) {
    auto fits = [&](const std::string& name) {
        std::string path = folder + name;
        return wantDirectory ? IsDirectory(path) : FileExists(path);
    };
    if (component == "." || component == "..") {
        return fits(component) ? std::optional(component) : std::nullopt;
    }
    if (fits(component)) {
        return component;
    }
    auto fold = [cp932](std::string_view s) { return cp932 ? AnsiLowerCase(s) : AsciiLower(s); };
    std::string wanted = fold(component);
    for (const std::string& entry : ListDirectory(folder.empty() ? "." : folder)) {
        if (fold(entry) == wanted && fits(entry)) {
            return entry;
        }
    }
    return std::nullopt;
}

// Each component is tried as UTF-8 first and then as its raw cp932 bytes, so a folder unpacked
// one way may hold files unpacked the other.
std::optional<std::string> ResolveComponents(const std::string& folder,
                                             const std::vector<std::string>& parts) {
    std::string path = folder;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        bool last = i + 1 == parts.size();
        auto match = MatchComponent(path, Cp932ToUtf8(parts[i]), false, !last);
        if (!match) {
            match = MatchComponent(path, parts[i], true, !last);
        }
        if (!match) {
            return std::nullopt;
        }
        path += *match;
        if (!last) {
            path += '/';
        }
    }
    return path;
}

}  // namespace

std::optional<std::string> ResolveNovelPath(const std::string& folder, std::string_view cp932Name) {
    if (cp932Name.empty() || cp932Name[0] == '\\' || cp932Name[0] == '/') {
        return std::nullopt;
    }
    bool driveLetter = cp932Name.size() >= 2 && cp932Name[1] == ':' &&
                       ((cp932Name[0] >= 'A' && cp932Name[0] <= 'Z') ||
                        (cp932Name[0] >= 'a' && cp932Name[0] <= 'z'));
    if (driveLetter) {
        return std::nullopt;
    }
    // A name ending in a separator names a folder, never a file.
    char lastByte = cp932Name.back();
    if (lastByte == '/' || (lastByte == '\\' && LastSeparator(cp932Name) == cp932Name.size() - 1)) {
        return std::nullopt;
    }
    std::vector<std::string> parts = SplitComponents(cp932Name);
    if (parts.empty()) {
        return std::nullopt;
    }
    return ResolveComponents(folder, parts);
}

size_t LastSeparator(std::string_view cp932Name) {
    return LastDelimiter(cp932Name, "\\");
}

std::string ExtractFileName(std::string_view cp932Name) {
    size_t d = LastDelimiter(cp932Name, "\\:");
    return std::string(d == std::string_view::npos ? cp932Name : cp932Name.substr(d + 1));
}

std::string ExtractFilePath(std::string_view cp932Name) {
    size_t d = LastDelimiter(cp932Name, "\\:");
    return d == std::string_view::npos ? std::string() : std::string(cp932Name.substr(0, d + 1));
}

std::string ChangeFileExt(std::string_view cp932Name, std::string_view ext) {
    size_t d = LastDelimiter(cp932Name, ".\\:");
    if (d == std::string_view::npos || cp932Name[d] != '.') {
        return std::string(cp932Name) + std::string(ext);
    }
    return std::string(cp932Name.substr(0, d)) + std::string(ext);
}

}  // namespace tavri::platform

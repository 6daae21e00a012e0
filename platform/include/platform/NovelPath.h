#pragma once

// Names inside a novel are Windows relative paths: "\" separators, any letter case, cp932.
// Every "does it exist / open it" of a novel name goes through here.

#include <optional>
#include <string>
#include <string_view>

namespace tavri::platform {

// Resolves a cp932 novel name against a native folder ("" means the current directory).
// Each component is matched exactly first, then without regard to ASCII case (the first match
// in byte order wins); the raw cp932 bytes are tried too, since archives unpacked on Linux keep
// them. A drive letter ("C:") or a leading "\" or "/" means missing. Returns the native path of
// an existing regular file.
std::optional<std::string> ResolveNovelPath(const std::string& folder, std::string_view cp932Name);

// cp932 name helpers; they step over double-byte characters so a trail byte 0x5C (as in 表 or ソ)
// is never a separator.
size_t LastSeparator(std::string_view cp932Name);  // index of the last "\" or npos
std::string ExtractFileName(std::string_view cp932Name);
std::string ExtractFilePath(std::string_view cp932Name);  // with the trailing "\"
std::string ChangeFileExt(std::string_view cp932Name, std::string_view ext);

}  // namespace tavri::platform

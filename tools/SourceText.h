#pragma once

// Text pieces of a scenario source: UTF-8 as the author writes it, with `\[hex]` escapes for the
// stored bytes that have no faithful UTF-8 form. The stored side is always raw cp932 bytes.

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavri::tool {

// A piece of source text that cannot be stored; the message names the culprit but not the
// place, which the caller knows.
class ETextError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The stored bytes of a source piece: UTF-8 converted to cp932, escapes copied as raw bytes.
std::string SourceToStored(std::string_view source);

enum class TSourceContext {
    Quoted,    // inside "...": a quote must be escaped
    TextLine,  // the rest of a "| " or "\ " line: a final blank must be escaped (editors eat it)
};

// Source text that SourceToStored turns back into exactly `stored`. Characters are written as
// UTF-8 wherever that is faithful; only the rest becomes escapes.
std::string StoredToSource(std::string_view stored, TSourceContext context);

}  // namespace tavri::tool

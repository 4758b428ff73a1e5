#pragma once

#include <string>
#include <string_view>

namespace content {

// The full, locale-independent upper-case mapping of UTF-8 text for the
// letters our texts use: ASCII and the Latin-1 supplement (ä → Ä, ß → SS,
// ÿ → Ÿ). Everything else, typographic apostrophes included, passes unchanged.
std::string upperCased(std::string_view text);

}  // namespace content

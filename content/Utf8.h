#pragma once

#include <string>
#include <string_view>
#include <vector>

// UTF-8 for the show's texts, one place for the reading and writing that the
// upper-casing, the show file and its checks all do.
namespace content {

// Appends the code point `c` as UTF-8.
void appendUtf8(std::string& out, char32_t c);

// The code points of text already known to be UTF-8 (the show file checks
// that first); a sequence cut short at the end gives what it has.
std::vector<char32_t> codePoints(std::string_view text);

}  // namespace content

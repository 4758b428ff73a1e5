#include "content/UpperCase.h"

namespace content {

namespace {

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string upperCased(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 'a' && byte <= 'z') {
      out += static_cast<char>(byte - 'a' + 'A');
      continue;
    }
    const bool continued =
        i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80;
    // U+00B5 MICRO SIGN has its capital in Greek.
    if (byte == 0xC2 && continued && static_cast<unsigned char>(text[i + 1]) == 0xB5) {
      appendUtf8(out, 0x39C);
      ++i;
      continue;
    }
    // Two-byte sequences C3 xx encode U+00C0 … U+00FF.
    if (byte == 0xC3 && continued) {
      auto next = static_cast<unsigned char>(text[i + 1]);
      char32_t c = 0xC0 + (next & 0x3F);
      if (c == 0xDF) {
        out += "SS";
        ++i;
        continue;
      }
      if (c == 0xFF) {
        appendUtf8(out, 0x178);
        ++i;
        continue;
      }
      if (c >= 0xE0 && c != 0xF7) {
        appendUtf8(out, c - 0x20);
        ++i;
        continue;
      }
    }
    out += static_cast<char>(byte);
  }
  return out;
}

}  // namespace content

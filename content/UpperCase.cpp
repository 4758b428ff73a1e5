#include "content/UpperCase.h"

#include "content/Utf8.h"

namespace content {

namespace {

// The code point that starts at `i` and its length in bytes; a length of 0
// when the bytes there are not a well-formed sequence.
std::pair<char32_t, std::size_t> decode(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t smallest = 0;
  if (lead < 0x80) {
    return {lead, 1};
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07, smallest = 0x10000;
  } else {
    return {0, 0};
  }
  if (i + length > text.size()) {
    return {0, 0};
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      return {0, 0};
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
    return {0, 0};
  }
  return {c, length};
}

// Blocks where capital and small letters alternate.
bool inPairs(char32_t c, char32_t first, char32_t last) {
  return c >= first && c <= last;
}

// The capital of one code point, or of several where Unicode's full mapping
// makes one letter two or three (ß → SS). Appends to `out`.
void appendCapital(std::string& out, char32_t c) {
  // Latin: ASCII, the Latin-1 supplement and Latin Extended-A.
  if (c >= 'a' && c <= 'z') {
    out += static_cast<char>(c - 'a' + 'A');
  } else if (c == 0xB5) {  // MICRO SIGN has its capital in Greek
    appendUtf8(out, 0x39C);
  } else if (c == 0xDF) {
    out += "SS";
  } else if (c == 0xFF) {
    appendUtf8(out, 0x178);
  } else if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
    appendUtf8(out, c - 0x20);
  } else if (c == 0x131) {  // dotless i
    out += 'I';
  } else if ((inPairs(c, 0x100, 0x137) || inPairs(c, 0x14A, 0x177)) && c % 2 == 1) {
    appendUtf8(out, c - 1);
  } else if ((inPairs(c, 0x139, 0x148) || inPairs(c, 0x179, 0x17E)) && c % 2 == 0) {
    appendUtf8(out, c - 1);
  } else if (c == 0x149) {  // ŉ
    appendUtf8(out, 0x2BC);
    out += 'N';
  } else if (c == 0x17F) {  // long s
    out += 'S';
    // Greek.
  } else if ((c >= 0x3B1 && c <= 0x3C1) || (c >= 0x3C3 && c <= 0x3CB)) {
    appendUtf8(out, c - 0x20);
  } else if (c == 0x3C2) {  // final sigma
    appendUtf8(out, 0x3A3);
  } else if (c == 0x3AC) {
    appendUtf8(out, 0x386);
  } else if (c >= 0x3AD && c <= 0x3AF) {
    appendUtf8(out, c - 0x25);
  } else if (c == 0x3CC) {
    appendUtf8(out, 0x38C);
  } else if (c == 0x3CD || c == 0x3CE) {
    appendUtf8(out, c - 0x3F);
  } else if (c == 0x390 || c == 0x3B0) {  // with dialytika and tonos: three code points
    appendUtf8(out, c == 0x390 ? 0x399 : 0x3A5);
    appendUtf8(out, 0x308);
    appendUtf8(out, 0x301);
    // Cyrillic.
  } else if (c >= 0x430 && c <= 0x44F) {
    appendUtf8(out, c - 0x20);
  } else if (c >= 0x450 && c <= 0x45F) {
    appendUtf8(out, c - 0x50);
  } else if ((inPairs(c, 0x460, 0x481) || inPairs(c, 0x48A, 0x4BF) || inPairs(c, 0x4D0, 0x52F)) &&
             c % 2 == 1) {
    appendUtf8(out, c - 1);
  } else if (inPairs(c, 0x4C1, 0x4CE) && c % 2 == 0) {
    appendUtf8(out, c - 1);
  } else if (c == 0x4CF) {
    appendUtf8(out, 0x4C0);
  } else {
    appendUtf8(out, c);
  }
}

}  // namespace

std::string upperCased(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto [c, length] = decode(text, i);
    if (length == 0) {
      // Not UTF-8: the byte passes as it is.
      out += text[i];
      ++i;
      continue;
    }
    appendCapital(out, c);
    i += length;
  }
  return out;
}

}  // namespace content

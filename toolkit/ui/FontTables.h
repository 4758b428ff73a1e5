#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ui {

// What a font engine that only draws and measures (a browser's) cannot tell
// us about a font file: its units per em, its horizontal header metrics and
// which characters it maps. Read from the file's own tables (head, hhea,
// cmap formats 4 and 12), so every engine scales the same numbers.
class FontTables {
 public:
  // None when the bytes are not an OpenType or TrueType font with those
  // tables, or when a table runs past the end of the bytes.
  static std::optional<FontTables> read(std::string_view bytes);

  int unitsPerEm() const { return unitsPerEm_; }
  int ascender() const { return ascender_; }
  int descender() const { return descender_; }
  int lineGap() const { return lineGap_; }
  bool hasCharacter(char32_t c) const;

 private:
  struct Range {
    char32_t first;
    char32_t last;
  };
  int unitsPerEm_ = 0;
  int ascender_ = 0;
  int descender_ = 0;
  int lineGap_ = 0;
  std::vector<Range> mapped_;  // sorted, disjoint ranges of mapped characters
};

}  // namespace ui

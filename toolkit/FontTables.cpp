#include "ui/FontTables.h"

#include <algorithm>

namespace ui {

namespace {

// Big-endian fields at an offset, or none past the end.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool has(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }
  std::uint32_t u16(std::size_t at) const { return byte(at) << 8 | byte(at + 1); }
  std::int32_t s16(std::size_t at) const { return std::int16_t(u16(at)); }
  std::uint32_t u32(std::size_t at) const { return u16(at) << 16 | u16(at + 2); }

 private:
  std::uint32_t byte(std::size_t at) const { return std::uint8_t(bytes_[at]); }
  std::string_view bytes_;
};

struct Table {
  std::size_t offset = 0;
  std::size_t length = 0;
};

std::optional<Table> findTable(const Reader& file, std::string_view tag) {
  if (!file.has(0, 12)) {
    return std::nullopt;
  }
  const std::size_t count = file.u16(4);
  if (!file.has(12, count * 16)) {
    return std::nullopt;
  }
  const std::uint32_t wanted = std::uint32_t(std::uint8_t(tag[0])) << 24 |
                               std::uint32_t(std::uint8_t(tag[1])) << 16 |
                               std::uint32_t(std::uint8_t(tag[2])) << 8 | std::uint8_t(tag[3]);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t record = 12 + i * 16;
    if (file.u32(record) == wanted) {
      Table table{file.u32(record + 8), file.u32(record + 12)};
      if (!file.has(table.offset, table.length)) {
        return std::nullopt;
      }
      return table;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<FontTables> FontTables::read(std::string_view bytes) {
  const Reader file(bytes);
  const auto head = findTable(file, "head");
  const auto hhea = findTable(file, "hhea");
  const auto cmap = findTable(file, "cmap");
  if (!head || head->length < 54 || !hhea || hhea->length < 36 || !cmap || cmap->length < 4) {
    return std::nullopt;
  }
  FontTables tables;
  tables.unitsPerEm_ = int(file.u16(head->offset + 18));
  tables.ascender_ = file.s16(hhea->offset + 4);
  tables.descender_ = file.s16(hhea->offset + 6);
  tables.lineGap_ = file.s16(hhea->offset + 8);
  if (tables.unitsPerEm_ == 0) {
    return std::nullopt;
  }

  // The Unicode subtable: full repertoire (format 12) before the BMP (format 4).
  std::size_t best = 0;
  int bestFormat = 0;
  const std::size_t subtables = file.u16(cmap->offset + 2);
  if (!file.has(cmap->offset + 4, subtables * 8) || 4 + subtables * 8 > cmap->length) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < subtables; ++i) {
    const std::size_t record = cmap->offset + 4 + i * 8;
    const std::uint32_t platform = file.u16(record), encoding = file.u16(record + 2);
    const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
    const std::size_t at = cmap->offset + file.u32(record + 4);
    if (!unicode || !file.has(at, 2)) {
      continue;
    }
    const int format = int(file.u16(at));
    if ((format == 12 && bestFormat != 12) || (format == 4 && bestFormat == 0)) {
      best = at;
      bestFormat = format;
    }
  }
  if (bestFormat == 12 && file.has(best, 16)) {
    const std::size_t groups = file.u32(best + 12);
    if (!file.has(best + 16, groups * 12)) {
      return std::nullopt;
    }
    for (std::size_t g = 0; g < groups; ++g) {
      const std::size_t at = best + 16 + g * 12;
      tables.mapped_.push_back({char32_t(file.u32(at)), char32_t(file.u32(at + 4))});
    }
  } else if (bestFormat == 4 && file.has(best, 14)) {
    const std::size_t segments = file.u16(best + 6) / 2;
    const std::size_t ends = best + 14, starts = ends + segments * 2 + 2;
    const std::size_t deltas = starts + segments * 2, offsets = deltas + segments * 2;
    if (!file.has(ends, segments * 8 + 2)) {
      return std::nullopt;
    }
    for (std::size_t s = 0; s < segments; ++s) {
      const std::uint32_t first = file.u16(starts + s * 2), last = file.u16(ends + s * 2);
      const std::uint32_t delta = file.u16(deltas + s * 2), rangeOffset = file.u16(offsets + s * 2);
      for (std::uint32_t c = first; c <= last && c != 0xFFFF; ++c) {
        std::uint32_t glyph = 0;
        if (rangeOffset == 0) {
          glyph = (c + delta) & 0xFFFF;
        } else {
          const std::size_t at = offsets + s * 2 + rangeOffset + (c - first) * 2;
          glyph = file.has(at, 2) && file.u16(at) != 0 ? (file.u16(at) + delta) & 0xFFFF : 0;
        }
        if (glyph == 0) {
          continue;
        }
        if (!tables.mapped_.empty() && tables.mapped_.back().last + 1 == c) {
          tables.mapped_.back().last = c;
        } else {
          tables.mapped_.push_back({c, c});
        }
      }
    }
  }
  std::sort(tables.mapped_.begin(), tables.mapped_.end(),
            [](const Range& l, const Range& r) { return l.first < r.first; });
  return tables;
}

bool FontTables::hasCharacter(char32_t c) const {
  auto after = std::upper_bound(mapped_.begin(), mapped_.end(), c,
                                [](char32_t value, const Range& r) { return value < r.first; });
  return after != mapped_.begin() && std::prev(after)->last >= c;
}

}  // namespace ui

#include "ui/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace ui {

namespace {

// Widths are sums of shaped advances; the same sum can come out a rounding
// step apart when taken in a different order.
constexpr double fitTolerance = 1e-6;
constexpr std::string_view ellipsis = "\u2026";
constexpr double unlimited = std::numeric_limits<double>::infinity();

struct Glyph {
  std::uint32_t id;
  double advance;  // points
  double dx;       // offset from the pen, points, y up
  double dy;
};

// The glyphs of one cluster. Lines break and truncate only between
// units, so a character and its marks are never split.
struct Unit {
  std::size_t byteBegin;  // in the run's text
  std::size_t byteEnd;
  std::size_t glyphBegin;
  std::size_t glyphEnd;
  double advance;
  bool space;
};

struct Run {
  std::string_view text;
  std::vector<Glyph> glyphs;
  std::vector<Unit> units;
};

Run shape(std::string_view text, const Font& font) {
  Run run;
  run.text = text;
  if (text.empty()) {
    return run;
  }
  const std::vector<ShapedGlyph> shaped = font.face()->shape(text);
  const std::size_t count = shaped.size();
  const double scale = font.pointsPerUnit();
  run.glyphs.reserve(count);
  for (const ShapedGlyph& glyph : shaped) {
    run.glyphs.push_back(
        {glyph.glyph, glyph.xAdvance * scale, glyph.xOffset * scale, glyph.yOffset * scale});
  }
  for (std::size_t i = 0; i < count;) {
    const std::uint32_t cluster = shaped[i].cluster;
    std::size_t j = i;
    double advance = 0;
    while (j < count && shaped[j].cluster == cluster) {
      advance += run.glyphs[j].advance;
      ++j;
    }
    const char c = cluster < text.size() ? text[cluster] : '\0';
    run.units.push_back({cluster, text.size(), i, j, advance, c == ' ' || c == '\t'});
    if (run.units.size() > 1) {
      run.units[run.units.size() - 2].byteEnd = cluster;
    }
    i = j;
  }
  return run;
}

double widthOf(const Run& run, std::size_t begin, std::size_t end) {
  double width = 0;
  for (std::size_t u = begin; u < end; ++u) {
    width += run.units[u].advance;
  }
  return width;
}

// A span of units of one run; run == nullptr stands for the ellipsis.
struct Piece {
  const Run* run;
  std::size_t begin;
  std::size_t end;
};

struct BrokenLine {
  const Run* run;  // the paragraph the line comes from
  std::size_t begin;
  std::size_t end;
  std::vector<Piece> pieces;
  double width = 0;
};

// Where the line that starts at `start` ends: before the last word that
// would overflow `maxWidth`, or between characters when a single word is
// wider than the line (or when wrapping by characters). At least one unit
// goes on every line. Spaces never overflow a line: they hang at its end.
std::size_t wrapEnd(const Run& run, std::size_t start, double maxWidth, bool byCharacter) {
  const auto& units = run.units;
  std::size_t lastBreak = start;
  double width = 0;
  for (std::size_t u = start; u < units.size(); ++u) {
    if (!units[u].space) {
      if (u > start && (byCharacter || units[u - 1].space)) {
        lastBreak = u;
      }
      if (width + units[u].advance > maxWidth + fitTolerance) {
        if (lastBreak > start) {
          return lastBreak;
        }
        return u > start ? u : u + 1;
      }
    }
    width += units[u].advance;
  }
  return units.size();
}

void truncate(BrokenLine& line, const Run& ellipsisRun, double maxWidth, LineBreakMode mode) {
  const auto& units = line.run->units;
  const double budget = maxWidth - widthOf(ellipsisRun, 0, ellipsisRun.units.size());
  const Piece mark{nullptr, 0, ellipsisRun.units.size()};
  std::size_t front = line.begin;
  std::size_t back = line.end;
  double width = 0;
  auto takeFront = [&](double limit) {
    while (front < back && width + units[front].advance <= limit + fitTolerance) {
      width += units[front++].advance;
    }
  };
  auto takeBack = [&](double limit) {
    while (back > front && width + units[back - 1].advance <= limit + fitTolerance) {
      width += units[--back].advance;
    }
  };
  switch (mode) {
    case LineBreakMode::ByTruncatingHead:
      takeBack(budget);
      break;
    case LineBreakMode::ByTruncatingMiddle:
      takeFront(budget * 0.5);
      takeBack(budget);
      takeFront(budget);
      break;
    default:
      takeFront(budget);
      break;
  }
  while (front > line.begin && units[front - 1].space) {
    --front;
  }
  while (back < line.end && units[back].space) {
    ++back;
  }
  line.pieces.clear();
  if (front > line.begin) {
    line.pieces.push_back({line.run, line.begin, front});
  }
  line.pieces.push_back(mark);
  if (back < line.end) {
    line.pieces.push_back({line.run, back, line.end});
  }
}

double widthOf(const BrokenLine& line, const Run& ellipsisRun) {
  double width = 0;
  for (const Piece& piece : line.pieces) {
    width += widthOf(piece.run ? *piece.run : ellipsisRun, piece.begin, piece.end);
  }
  return width;
}

bool isTruncating(LineBreakMode mode) {
  return mode == LineBreakMode::ByTruncatingHead || mode == LineBreakMode::ByTruncatingTail ||
         mode == LineBreakMode::ByTruncatingMiddle;
}

// Shaped paragraphs broken into lines. Lines point into `paragraphs`, which
// therefore never changes size once the lines are made.
struct BrokenText {
  std::vector<Run> paragraphs;
  Run ellipsisRun;
  std::vector<BrokenLine> lines;
  bool truncated = false;
};

// maxWidth may be infinite (no wrapping, no truncation).
void breakText(BrokenText& out, const std::string& text, const Font& font, double maxWidth,
               int numberOfLines, LineBreakMode mode) {
  if (text.empty()) {
    return;
  }
  const bool singleLine = numberOfLines == 1;
  const bool wraps = std::isfinite(maxWidth) &&
                     !(singleLine && (isTruncating(mode) || mode == LineBreakMode::ByClipping));
  const bool byCharacter = mode == LineBreakMode::ByCharWrapping;
  const std::size_t limit = numberOfLines > 0 ? static_cast<std::size_t>(numberOfLines)
                                              : std::numeric_limits<std::size_t>::max();

  std::size_t start = 0;
  while (true) {
    const std::size_t newline = text.find('\n', start);
    const std::size_t end = newline == std::string::npos ? text.size() : newline;
    out.paragraphs.push_back(shape(std::string_view(text).substr(start, end - start), font));
    if (newline == std::string::npos) {
      break;
    }
    start = newline + 1;
  }

  bool moreText = false;
  for (const Run& run : out.paragraphs) {
    if (out.lines.size() == limit) {
      moreText = true;
      break;
    }
    const std::size_t count = run.units.size();
    if (count == 0) {
      out.lines.push_back({&run, 0, 0, {}, 0});
      continue;
    }
    for (std::size_t u = 0; u < count;) {
      if (out.lines.size() == limit) {
        moreText = true;
        break;
      }
      std::size_t end = wraps ? wrapEnd(run, u, maxWidth, byCharacter) : count;
      std::size_t visibleEnd = end;
      if (end < count) {
        while (visibleEnd > u && run.units[visibleEnd - 1].space) {
          --visibleEnd;
        }
      }
      out.lines.push_back({&run, u, visibleEnd, {}, 0});
      u = end;
      if (end < count) {
        while (u < count && run.units[u].space) {
          ++u;
        }
      }
    }
  }

  const bool truncates = isTruncating(mode);
  const bool truncatesWideLines = truncates && singleLine && std::isfinite(maxWidth);
  auto shapeEllipsis = [&] {
    if (out.ellipsisRun.units.empty()) {
      out.ellipsisRun = shape(ellipsis, font);
    }
  };
  for (std::size_t i = 0; i < out.lines.size(); ++i) {
    BrokenLine& line = out.lines[i];
    if (truncates && moreText && i + 1 == out.lines.size()) {
      // The last line stands for everything that did not fit: it shows the
      // rest of its paragraph, truncated.
      line.end = line.run->units.size();
      shapeEllipsis();
      truncate(line, out.ellipsisRun, maxWidth, mode);
    } else {
      line.pieces.push_back({line.run, line.begin, line.end});
      if (truncatesWideLines &&
          widthOf(*line.run, line.begin, line.end) > maxWidth + fitTolerance) {
        shapeEllipsis();
        truncate(line, out.ellipsisRun, maxWidth, mode);
        out.truncated = true;
      }
    }
    line.width = widthOf(line, out.ellipsisRun);
  }
  out.truncated = out.truncated || moreText;
}

Size blockSize(const BrokenText& broken, const Font& font) {
  double width = 0;
  for (const BrokenLine& line : broken.lines) {
    width = std::max(width, line.width);
  }
  return {width, static_cast<double>(broken.lines.size()) * font.lineHeight()};
}

}  // namespace

TextLayout TextLayout::make(const Params& params) {
  TextLayout layout;
  layout.font_ = params.font;
  BrokenText broken;
  breakText(broken, params.text, params.font, std::max(params.rect.width(), 0.0),
            params.numberOfLines, params.lineBreakMode);
  layout.truncated_ = broken.truncated;

  const Rect& rect = params.rect;
  const double lineHeight = params.font.lineHeight();
  const double ascender = params.font.ascender();
  const double top = rect.y() + (rect.height() - blockSize(broken, params.font).height) * 0.5;
  if (broken.lines.empty()) {
    layout.usedRect_ = Rect(rect.midX(), rect.midY(), 0, 0);
    return layout;
  }

  double minX = unlimited;
  double maxX = -unlimited;
  layout.lines_.reserve(broken.lines.size());
  for (std::size_t i = 0; i < broken.lines.size(); ++i) {
    const BrokenLine& source = broken.lines[i];
    double x = rect.x();
    if (params.alignment == TextAlignment::Center) {
      x += (rect.width() - source.width) * 0.5;
    } else if (params.alignment == TextAlignment::Right) {
      x += rect.width() - source.width;
    }
    TextLine line;
    line.rect = Rect(x, top + static_cast<double>(i) * lineHeight, source.width, lineHeight);
    line.baseline = line.rect.y() + ascender;
    double pen = x;
    for (const Piece& piece : source.pieces) {
      const Run& run = piece.run ? *piece.run : broken.ellipsisRun;
      if (piece.begin == piece.end) {
        continue;
      }
      line.text.append(
          run.text.substr(run.units[piece.begin].byteBegin,
                          run.units[piece.end - 1].byteEnd - run.units[piece.begin].byteBegin));
      const std::size_t glyphBegin = run.units[piece.begin].glyphBegin;
      const std::size_t glyphEnd = run.units[piece.end - 1].glyphEnd;
      for (std::size_t g = glyphBegin; g < glyphEnd; ++g) {
        const Glyph& glyph = run.glyphs[g];
        line.glyphs.push_back({glyph.id, {pen + glyph.dx, line.baseline - glyph.dy}});
        pen += glyph.advance;
      }
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x + source.width);
    layout.lines_.push_back(std::move(line));
  }
  layout.usedRect_ = Rect(minX, layout.lines_.front().rect.y(), maxX - minX,
                          static_cast<double>(layout.lines_.size()) * lineHeight);
  return layout;
}

Size TextLayout::naturalSize(const std::string& text, const Font& font) {
  BrokenText broken;
  breakText(broken, text, font, unlimited, 0, LineBreakMode::ByClipping);
  return blockSize(broken, font);
}

Size TextLayout::sizeThatFits(const std::string& text, const Font& font, double width,
                              int numberOfLines, LineBreakMode mode) {
  BrokenText broken;
  breakText(broken, text, font, width > 0 ? width : unlimited, numberOfLines, mode);
  return blockSize(broken, font);
}

}  // namespace ui

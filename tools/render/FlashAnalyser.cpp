#include "tools/render/FlashAnalyser.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace render {

namespace {

constexpr float kLuminanceStep = 0.1F;
constexpr float kDarkerBelow = 0.8F;
constexpr float kRedStep = 20.0F;
constexpr float kRedRatio = 0.8F;
// Cells across the frame at most: fine enough for a field's quarter to be
// hundreds of cells, coarse enough to keep every frame cheap.
constexpr int kMaxColumns = 160;
// 341 × 256 pixels of a 1024 × 768 screen.
constexpr double kAreaFraction = (341.0 * 256.0) / (1024.0 * 768.0);

const std::array<float, 256>& linearTable() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      t[i] = float(c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return t;
  }();
  return table;
}

}  // namespace

FlashAnalyser::FlashAnalyser(int fps) : fps_(fps), recent_(std::max(1, (fps + 19) / 20)) {
  if (fps <= 0) {
    throw std::invalid_argument("frames per second must be positive");
  }
}

double FlashAnalyser::relativeLuminance(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const auto& lin = linearTable();
  return 0.2126 * lin[r] + 0.7152 * lin[g] + 0.0722 * lin[b];
}

void FlashAnalyser::setUp(int width, int height) {
  width_ = width;
  height_ = height;
  block_ = std::max(1, (width + kMaxColumns - 1) / kMaxColumns);
  columns_ = std::max(1, width / block_);
  rows_ = std::max(1, height / block_);
  const long cells = long(columns_) * rows_;
  areaCells_ = std::max(1L, long(std::ceil(double(cells) * kAreaFraction - 1e-9)));
  for (auto& t : tracks_) {
    t.assign(std::size_t(cells), Track{});
  }
  for (auto& kind : recentUntil_) {
    for (auto& direction : kind) {
      direction.assign(std::size_t(cells), -1);
    }
  }
  cells_.assign(std::size_t(cells), {});
  integral_.assign(std::size_t(columns_ + 1) * std::size_t(rows_ + 1), 0);

  // Fields of two thirds of the frame each way, overlapping by seven eighths.
  const int fw = std::max(1, int(std::lround(columns_ * 2.0 / 3.0)));
  const int fh = std::max(1, int(std::lround(rows_ * 2.0 / 3.0)));
  auto starts = [](int size, int field) {
    std::vector<int> s;
    const int stride = std::max(1, field / 8);
    for (int x = 0; x + field < size; x += stride) {
      s.push_back(x);
    }
    s.push_back(size - field);
    return s;
  };
  fields_.clear();
  for (int y : starts(rows_, fh)) {
    for (int x : starts(columns_, fw)) {
      fields_.push_back(Field{x, y, x + fw, y + fh, {}, {}});
    }
  }
}

int FlashAnalyser::stepGeneral(Track& t, float v) {
  if (t.last != 1 && v - t.low >= kLuminanceStep) {
    const bool counts = t.low < kDarkerBelow;
    t.last = 1;
    t.high = v;
    return counts ? 1 : 0;
  }
  if (t.last != -1 && t.high - v >= kLuminanceStep) {
    const bool counts = v < kDarkerBelow;
    t.last = -1;
    t.low = v;
    return counts ? -1 : 0;
  }
  t.low = std::min(t.low, v);
  t.high = std::max(t.high, v);
  return 0;
}

int FlashAnalyser::stepRed(Track& t, float v, bool saturated) {
  if (t.last != 1 && v - t.low > kRedStep) {
    const bool counts = t.lowRed || saturated;
    t.last = 1;
    t.high = v;
    t.highRed = saturated;
    return counts ? 1 : 0;
  }
  if (t.last != -1 && t.high - v > kRedStep) {
    const bool counts = t.highRed || saturated;
    t.last = -1;
    t.low = v;
    t.lowRed = saturated;
    return counts ? -1 : 0;
  }
  if (v < t.low) {
    t.low = v;
    t.lowRed = saturated;
  }
  if (v > t.high) {
    t.high = v;
    t.highRed = saturated;
  }
  return 0;
}

void FlashAnalyser::addFrame(int width, int height, const std::uint8_t* rgba) {
  if (frames_ == 0) {
    setUp(width, height);
  } else if (width != width_ || height != height_) {
    throw std::invalid_argument("every frame must have the size of the first");
  }
  const auto& lin = linearTable();
  std::fill(cells_.begin(), cells_.end(), std::array<float, 3>{});
  for (int y = 0; y < rows_ * block_; ++y) {
    const std::uint8_t* p = rgba + std::size_t(y) * std::size_t(width) * 4;
    std::array<float, 3>* row = &cells_[std::size_t(y / block_) * std::size_t(columns_)];
    for (int x = 0; x < columns_ * block_; ++x, p += 4) {
      auto& cell = row[x / block_];
      cell[0] += lin[p[0]];
      cell[1] += lin[p[1]];
      cell[2] += lin[p[2]];
    }
  }
  const float perCell = 1.0F / float(block_ * block_);
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    const float r = cells_[i][0] * perCell, g = cells_[i][1] * perCell, b = cells_[i][2] * perCell;
    const float luminance = 0.2126F * r + 0.7152F * g + 0.0722F * b;
    const float red = std::max(0.0F, (r - g - b) * 320.0F);
    const bool saturated = r + g + b > 0 && r / (r + g + b) >= kRedRatio;
    if (frames_ == 0) {
      tracks_[General][i] = Track{luminance, luminance, false, false, 0};
      tracks_[Red][i] = Track{red, red, saturated, saturated, 0};
      continue;
    }
    const int turns[2] = {stepGeneral(tracks_[General][i], luminance),
                          stepRed(tracks_[Red][i], red, saturated)};
    for (int kind = 0; kind < 2; ++kind) {
      if (turns[kind] != 0) {
        recentUntil_[kind][turns[kind] > 0 ? 0 : 1][i] = frames_ + recent_;
      }
    }
  }
  if (frames_ > 0) {
    findFieldTransitions();
  }
  ++frames_;
}

void FlashAnalyser::findFieldTransitions() {
  const std::size_t stride = std::size_t(columns_) + 1;
  for (int kind = 0; kind < 2; ++kind) {
    std::array<std::vector<long>, 2> counts;
    for (int d = 0; d < 2; ++d) {
      const auto& until = recentUntil_[kind][d];
      for (int y = 0; y < rows_; ++y) {
        long rowSum = 0;
        for (int x = 0; x < columns_; ++x) {
          rowSum += until[std::size_t(y) * std::size_t(columns_) + std::size_t(x)] > frames_;
          integral_[std::size_t(y + 1) * stride + std::size_t(x + 1)] =
              integral_[std::size_t(y) * stride + std::size_t(x + 1)] + rowSum;
        }
      }
      for (const Field& f : fields_) {
        auto at = [&](int x, int y) { return integral_[std::size_t(y) * stride + std::size_t(x)]; };
        counts[d].push_back(at(f.x1, f.y1) - at(f.x0, f.y1) - at(f.x1, f.y0) + at(f.x0, f.y0));
      }
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      Field& f = fields_[i];
      // The turn that opposes the field's last one is looked at first.
      const int order[2] = {f.last[kind] == 1 ? 1 : 0, f.last[kind] == 1 ? 0 : 1};
      for (int d : order) {
        const std::int8_t direction = d == 0 ? 1 : -1;
        if (f.last[kind] != direction && counts[d][i] >= areaCells_) {
          f.last[kind] = direction;
          f.events[kind].push_back(frames_);
          break;
        }
      }
    }
  }
}

std::vector<FlashAnalyser::Window> FlashAnalyser::windows() const {
  std::vector<Window> result(static_cast<std::size_t>(frames_));
  for (long s = 0; s < frames_; ++s) {
    Window& w = result[std::size_t(s)];
    w.first = s;
    for (const Field& f : fields_) {
      for (int kind = 0; kind < 2; ++kind) {
        const auto& e = f.events[kind];
        const auto n = std::lower_bound(e.begin(), e.end(), s + fps_) -
                       std::lower_bound(e.begin(), e.end(), s);
        w.transitions[kind] = std::max(w.transitions[kind], int(n));
      }
    }
  }
  return result;
}

}  // namespace render

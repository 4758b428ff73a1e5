#include "platform/Yuv420Converter.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

// BT.709 weights of R, G and B in luma.
constexpr double kr = 0.2126, kg = 0.7152, kb = 0.0722;
// Limited range: luma spans 16–235, chroma 16–240 around 128.
constexpr double lumaScale = 219.0 / 255.0, chromaScale = 224.0 / 255.0;

constexpr int shift = 16;
constexpr int fixed(double value) {
  return int(value * (1 << shift) + (value < 0 ? -0.5 : 0.5));
}

constexpr int yr = fixed(kr * lumaScale), yg = fixed(kg * lumaScale), yb = fixed(kb * lumaScale);
// Cb = (B − Y') / 1.8556, Cr = (R − Y') / 1.5748, in terms of R, G and B.
constexpr double cb = chromaScale / (2 * (1 - kb)), cr = chromaScale / (2 * (1 - kr));
constexpr int ur = fixed(-kr * cb), ug = fixed(-kg * cb), ub = fixed((1 - kb) * cb);
constexpr int vr = fixed((1 - kr) * cr), vg = fixed(-kg * cr), vb = fixed(-kb * cr);

inline std::uint8_t luma(int r, int g, int b) {
  return std::uint8_t((yr * r + yg * g + yb * b + (16 << shift) + (1 << (shift - 1))) >> shift);
}

// From the sums of four pixels' channels: their mean's chroma, rounded.
inline std::uint8_t chroma(int kR, int kG, int kB, int r, int g, int b) {
  int value = (kR * r + kG * g + kB * b + (128 << (shift + 2)) + (1 << (shift + 1))) >> (shift + 2);
  return std::uint8_t(std::clamp(value, 0, 255));
}

// Straight colour from one premultiplied row, in place of a copy; rows of
// opaque pixels, the usual case, pass through untouched.
const std::uint8_t* straightRow(const std::uint8_t* row, int width,
                                std::vector<std::uint8_t>& scratch) {
  bool opaque = true;
  for (int x = 0; x < width; ++x) {
    opaque &= row[4 * x + 3] == 255;
  }
  if (opaque) {
    return row;
  }
  scratch.assign(row, row + std::size_t(width) * 4);
  for (int x = 0; x < width; ++x) {
    std::uint8_t* p = &scratch[std::size_t(x) * 4];
    unsigned a = p[3];
    for (int c = 0; c < 3; ++c) {
      p[c] = a == 0 ? 0 : std::uint8_t(std::min(255u, (p[c] * 255u + a / 2) / a));
    }
  }
  return scratch.data();
}

}  // namespace

void Yuv420Converter::convert(const std::uint8_t* pixels, int width, int height,
                              std::uint8_t* planes) {
  const std::size_t stride = std::size_t(width) * 4;
  std::uint8_t* yPlane = planes;
  std::uint8_t* uPlane = planes + std::size_t(width) * height;
  std::uint8_t* vPlane = uPlane + std::size_t(width / 2) * (height / 2);
  std::vector<std::uint8_t> upperScratch, lowerScratch;
  for (int y = 0; y < height; y += 2) {
    // Picture rows y and y + 1, counted from the top.
    const std::uint8_t* upper =
        straightRow(pixels + std::size_t(height - 1 - y) * stride, width, upperScratch);
    const std::uint8_t* lower =
        straightRow(pixels + std::size_t(height - 2 - y) * stride, width, lowerScratch);
    std::uint8_t* yUpper = yPlane + std::size_t(y) * width;
    std::uint8_t* yLower = yUpper + width;
    for (int x = 0; x < width; ++x) {
      yUpper[x] = luma(upper[4 * x], upper[4 * x + 1], upper[4 * x + 2]);
      yLower[x] = luma(lower[4 * x], lower[4 * x + 1], lower[4 * x + 2]);
    }
    std::uint8_t* u = uPlane + std::size_t(y / 2) * (width / 2);
    std::uint8_t* v = vPlane + std::size_t(y / 2) * (width / 2);
    for (int x = 0; x < width / 2; ++x) {
      const std::uint8_t* a = upper + 8 * x;
      const std::uint8_t* b = lower + 8 * x;
      int r = a[0] + a[4] + b[0] + b[4];
      int g = a[1] + a[5] + b[1] + b[5];
      int bl = a[2] + a[6] + b[2] + b[6];
      u[x] = chroma(ur, ug, ub, r, g, bl);
      v[x] = chroma(vr, vg, vb, r, g, bl);
    }
  }
}

}  // namespace platform

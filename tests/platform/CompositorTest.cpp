#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "FakeFontFace.h"
#include "PixelTesting.h"
#include "platform/Compositor.h"
#include "platform/RenderTarget.h"
#include "ui/Label.h"
#include "ui/RunLoop.h"

namespace {

using pixeltesting::at;
using pixeltesting::box;
using pixeltesting::near;
using pixeltesting::renderer;
using pixeltesting::rgb;
using pixeltesting::Rgba;
using pixeltesting::sameImage;

constexpr Rgba white{255, 255, 255, 255};
constexpr Rgba black{0, 0, 0, 255};
constexpr Rgba red{255, 0, 0, 255};
constexpr Rgba blue{0, 0, 255, 255};
constexpr Rgba green{0, 255, 0, 255};
constexpr Rgba clear{0, 0, 0, 0};

TEST(Compositor, FillsNestInTheirParentsCoordinates) {
  auto root = box({0, 0, 100, 80}, ui::Color::white());
  auto outer = box({10, 20, 50, 40}, ui::Color::withRGBA(1, 0, 0, 1));
  auto inner = box({5, 5, 10, 10}, ui::Color::withRGBA(0, 0, 1, 1));
  outer->addSubview(inner);
  root->addSubview(outer);
  auto image = renderer().render(*root, 0, 100, 80, 1);

  EXPECT_TRUE(near(at(image, 9, 20), white, 0));
  EXPECT_TRUE(near(at(image, 59, 59), red, 0));
  EXPECT_TRUE(near(at(image, 60, 59), white, 0));
  EXPECT_TRUE(near(at(image, 15, 25), blue, 0));
  EXPECT_TRUE(near(at(image, 25, 34), red, 0));
  // Where nothing is drawn the image stays transparent.
  auto bare = std::make_shared<ui::View>(ui::Rect{0, 0, 20, 20});
  bare->addSubview(box({0, 0, 10, 20}, ui::Color::black()));
  auto halves = renderer().render(*bare, 0, 20, 20, 1);
  EXPECT_TRUE(near(at(halves, 5, 5), black, 0));
  EXPECT_TRUE(near(at(halves, 15, 5), clear, 0));
}

TEST(OffscreenRenderer, ImpossibleSizesGiveAnEmptyImage) {
  auto root = box({0, 0, 10, 10}, ui::Color::white());
  for (auto [w, h, scale] : {std::tuple{0, 10, 1.0},
                             {10, -1, 1.0},
                             {1 << 20, 10, 1.0},
                             {10, 10, 0.0},
                             {10, 10, std::nan("")}}) {
    auto image = renderer().render(*root, 0, w, h, scale);
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.rgba.empty());
  }
  // And the renderer still works afterwards.
  EXPECT_TRUE(near(at(renderer().render(*root, 0, 4, 4, 1), 1, 1), white, 0));
}

TEST(Compositor, CornerRadiusOfHalfTheSideDrawsAnAntialiasedCircle) {
  auto root = box({0, 0, 64, 64}, ui::Color::white());
  auto dot = box({10, 10, 44, 44}, ui::Color::black());
  dot->layer().setCornerRadius(22);
  root->addSubview(dot);
  auto image = renderer().render(*root, 0, 64, 64, 1);

  // Centre (32, 32): pixel centres well inside are black, the bounding box's
  // corners are white, and pixels the edge crosses are in between.
  int partial = 0;
  for (int y = 10; y < 54; ++y) {
    for (int x = 10; x < 54; ++x) {
      double d = std::hypot(x + 0.5 - 32, y + 0.5 - 32);
      int value = at(image, x, y).r;
      if (d < 21) {
        EXPECT_EQ(value, 0) << x << "," << y;
      } else if (d > 23) {
        EXPECT_EQ(value, 255) << x << "," << y;
      } else if (value > 0 && value < 255) {
        ++partial;
      }
    }
  }
  // An aliased circle would have no grey at all.
  EXPECT_GT(partial, 40);
}

TEST(Compositor, TransformsApplyAboutTheCentreAndNest) {
  auto root = box({0, 0, 100, 100}, ui::Color::white());
  auto stage = box({0, 0, 100, 100}, ui::Color::white());
  stage->setBounds({0, 0, 200, 200});
  stage->setTransform(ui::AffineTransform::makeScale(0.5, 0.5));
  auto mark = box({100, 100, 40, 20}, ui::Color::withRGBA(0, 0, 1, 1));
  mark->setTransform(ui::AffineTransform::makeScale(2, 2));
  stage->addSubview(mark);
  root->addSubview(stage);
  auto image = renderer().render(*root, 0, 100, 100, 1);
  // mark's centre (120, 110) in stage points is (60, 55) on screen; scaled
  // twice about it, then halved: 40 × 20 pixels around that point.
  EXPECT_TRUE(near(at(image, 40, 45), blue, 0));
  EXPECT_TRUE(near(at(image, 79, 64), blue, 0));
  EXPECT_TRUE(near(at(image, 39, 45), white, 0));
  EXPECT_TRUE(near(at(image, 80, 64), white, 0));
  EXPECT_TRUE(near(at(image, 60, 44), white, 0));
  EXPECT_TRUE(near(at(image, 60, 65), white, 0));
}

TEST(Compositor, ClipsToBoundsCutsTheSubtreeIncludingNestedChildren) {
  auto root = box({0, 0, 60, 60}, ui::Color::white());
  auto clipper = std::make_shared<ui::View>(ui::Rect{10, 10, 20, 20});
  clipper->setClipsToBounds(true);
  auto wide = box({-10, 5, 60, 10}, ui::Color::withRGBA(1, 0, 0, 1));
  wide->addSubview(box({0, 5, 60, 30}, ui::Color::withRGBA(0, 0, 1, 1)));
  clipper->addSubview(wide);
  root->addSubview(clipper);
  auto open = box({40, 40, 10, 10}, ui::Color::black());
  open->addSubview(box({5, 5, 20, 20}, ui::Color::black()));
  root->addSubview(open);
  auto image = renderer().render(*root, 0, 60, 60, 1);

  EXPECT_TRUE(near(at(image, 9, 15), white, 0));
  EXPECT_TRUE(near(at(image, 29, 15), red, 0));
  EXPECT_TRUE(near(at(image, 30, 15), white, 0));
  EXPECT_TRUE(near(at(image, 15, 29), blue, 0));
  EXPECT_TRUE(near(at(image, 15, 30), white, 0));
  // Without clipping a child draws beyond its parent.
  EXPECT_TRUE(near(at(image, 58, 58), black, 0));
}

TEST(Compositor, HiddenOrTransparentViewsDrawNothingBelowThem) {
  auto root = box({0, 0, 30, 10}, ui::Color::white());
  for (int i = 0; i < 3; ++i) {
    auto view = box({10.0 * i, 0, 10, 10}, ui::Color::black());
    view->addSubview(box({0, 0, 5, 5}, ui::Color::withRGBA(1, 0, 0, 1)));
    view->setHidden(i == 0);
    view->setAlpha(i == 1 ? 0 : 1);
    root->addSubview(view);
  }
  auto image = renderer().render(*root, 0, 30, 10, 1);
  for (int x : {2, 8, 12, 18}) {
    EXPECT_TRUE(near(at(image, x, 2), white, 0)) << x;
  }
  EXPECT_TRUE(near(at(image, 22, 2), red, 0));
  EXPECT_TRUE(near(at(image, 28, 8), black, 0));
}

TEST(Compositor, TranslucentViewWithSeveralDrawsIsCompositedAsOneGroup) {
  auto root = box({0, 0, 40, 10}, ui::Color::white());
  auto group = box({0, 0, 20, 10}, ui::Color::withRGBA(1, 0, 0, 1));
  group->addSubview(box({0, 0, 10, 10}, ui::Color::withRGBA(0, 0, 1, 1)));
  group->setAlpha(0.5);
  auto single = box({20, 0, 20, 10}, ui::Color::withRGBA(0, 0, 1, 1));
  single->setAlpha(0.5);
  root->addSubview(group);
  root->addSubview(single);
  auto image = renderer().render(*root, 0, 40, 10, 1);
  // Grouped, the blue child hides the red parent before the half alpha:
  // half blue over white, no red. Per-draw alpha would leave a purple.
  EXPECT_TRUE(near(at(image, 5, 5), {128, 128, 255, 255}, 1));
  EXPECT_TRUE(near(at(image, 15, 5), {255, 128, 128, 255}, 1));
  EXPECT_TRUE(near(at(image, 30, 5), {128, 128, 255, 255}, 1));
}

TEST(Compositor, AlphaAnimationIsDrawnAsPresentedAtTheGivenTime) {
  ui::RunLoop::main().reset(0);
  auto root = box({0, 0, 10, 10}, ui::Color::white());
  auto fading = box({0, 0, 10, 10}, ui::Color::black());
  root->addSubview(fading);
  ui::View::animate(4, 0, ui::AnimationOptions::CurveLinear, [&] { fading->setAlpha(0); });
  EXPECT_TRUE(near(at(renderer().render(*root, 0, 10, 10, 1), 5, 5), black, 0));
  EXPECT_TRUE(near(at(renderer().render(*root, 2, 10, 10, 1), 5, 5), {128, 128, 128, 255}, 1));
  EXPECT_TRUE(near(at(renderer().render(*root, 4, 10, 10, 1), 5, 5), white, 0));
  ui::RunLoop::main().reset(0);
}

// The W3C saturation blend with the general compositing formula, on 8-bit
// colours, as the reference the shader is held to.
Rgba saturationBlend(std::array<int, 3> source, double sourceAlpha, std::array<int, 3> backdrop,
                     double backdropAlpha) {
  using Vec = std::array<double, 3>;
  auto lum = [](const Vec& c) { return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]; };
  auto clipColor = [&](Vec c) {
    double l = lum(c);
    double n = std::min({c[0], c[1], c[2]}), x = std::max({c[0], c[1], c[2]});
    for (double& v : c) {
      if (n < 0) {
        v = l + (v - l) * l / (l - n);
      }
    }
    for (double& v : c) {
      if (x > 1) {
        v = l + (v - l) * (1 - l) / (x - l);
      }
    }
    return c;
  };
  auto setLum = [&](Vec c, double l) {
    double d = l - lum(c);
    return clipColor({c[0] + d, c[1] + d, c[2] + d});
  };
  auto sat = [](const Vec& c) {
    return std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]});
  };
  auto setSat = [](Vec c, double s) {
    double mx = std::max({c[0], c[1], c[2]}), mn = std::min({c[0], c[1], c[2]});
    for (double& v : c) {
      v = mx > mn ? (v - mn) * s / (mx - mn) : 0;
    }
    return c;
  };
  Vec cs{source[0] / 255.0, source[1] / 255.0, source[2] / 255.0};
  Vec cb{backdrop[0] / 255.0, backdrop[1] / 255.0, backdrop[2] / 255.0};
  Vec mixed = setLum(setSat(cb, sat(cs)), lum(cb));
  double as = sourceAlpha, ab = backdropAlpha, ao = as + ab * (1 - as);
  Rgba out{0, 0, 0, int(std::lround(ao * 255))};
  int* channels[3] = {&out.r, &out.g, &out.b};
  for (int i = 0; i < 3; ++i) {
    double premultiplied = as * (1 - ab) * cs[i] + as * ab * mixed[i] + (1 - as) * ab * cb[i];
    *channels[i] = ao > 0 ? int(std::lround(premultiplied / ao * 255)) : 0;
  }
  return out;
}

TEST(Compositor, SaturationBlendFollowsTheW3cFormula) {
  struct Case {
    std::array<int, 3> source;
    double sourceAlpha;
    std::array<int, 3> backdrop;
    double backdropAlpha;
  };
  const Case cases[] = {
      {{255, 255, 255}, 1.0, {251, 139, 36}, 1.0},  // white bar over paletteOrange
      {{255, 255, 255}, 1.0, {41, 23, 32}, 1.0},    // over paletteDark
      {{255, 255, 255}, 0.5, {251, 139, 36}, 1.0}, {{40, 200, 90}, 0.75, {230, 60, 140}, 1.0},
      {{0, 0, 255}, 1.0, {250, 240, 20}, 1.0},  // clips above 1
      {{200, 30, 30}, 0.6, {20, 10, 200}, 0.5},    {{255, 255, 255}, 1.0, {0, 0, 0}, 0.0},
  };
  for (bool fetch : {true, false}) {
    renderer().compositor().setFramebufferFetch(fetch);
    for (const Case& c : cases) {
      auto root = std::make_shared<ui::View>(ui::Rect{0, 0, 8, 8});
      root->setBackgroundColor(rgb(c.backdrop[0], c.backdrop[1], c.backdrop[2], c.backdropAlpha));
      auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, 8, 8});
      overlay->layer().setCompositingFilter("saturationBlendMode");
      overlay->setBackgroundColor(ui::Color::clear());
      overlay->addSubview(
          box({0, 0, 4, 8}, rgb(c.source[0], c.source[1], c.source[2], c.sourceAlpha)));
      root->addSubview(overlay);
      auto image = renderer().render(*root, 0, 8, 8, 1);
      Rgba expected = saturationBlend(c.source, c.sourceAlpha, c.backdrop, c.backdropAlpha);
      EXPECT_TRUE(near(at(image, 1, 4), expected, 2))
          << "source " << c.source[0] << "," << c.source[1] << "," << c.source[2] << " at "
          << c.sourceAlpha << " over " << c.backdrop[0] << "," << c.backdrop[1] << ","
          << c.backdrop[2] << " at " << c.backdropAlpha;
      // Beside the bar the backdrop is untouched.
      Rgba untouched{c.backdrop[0], c.backdrop[1], c.backdrop[2],
                     int(std::lround(c.backdropAlpha * 255))};
      if (c.backdropAlpha == 0) {
        untouched = {0, 0, 0, 0};
      }
      EXPECT_TRUE(near(at(image, 6, 4), untouched, 1));
    }
  }
  renderer().compositor().setFramebufferFetch(true);
}

TEST(Compositor, OverlappingBarsUnderTheBlendBlendOnce) {
  const Rgba orange{251, 139, 36, 255};
  for (bool fetch : {true, false}) {
    renderer().compositor().setFramebufferFetch(fetch);
    auto root = box({0, 0, 30, 20}, rgb(251, 139, 36));
    auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, 30, 20});
    overlay->layer().setCompositingFilter(ui::CompositingFilter::SaturationBlendMode);
    // Translucent bars compose first (75 % white where both lie), then blend once.
    overlay->addSubview(box({0, 0, 10, 20}, rgb(255, 255, 255, 0.5)));
    overlay->addSubview(box({0, 0, 20, 10}, rgb(255, 255, 255, 0.5)));
    // Opaque bars of two colours: where they overlap the upper one wins.
    overlay->addSubview(box({20, 0, 10, 20}, rgb(0, 0, 255)));
    overlay->addSubview(box({25, 10, 5, 10}, rgb(255, 0, 0)));
    root->addSubview(overlay);
    auto image = renderer().render(*root, 0, 30, 20, 1);
    auto blend = [&](std::array<int, 3> source, double alpha) {
      return saturationBlend(source, alpha, {251, 139, 36}, 1);
    };
    EXPECT_TRUE(near(at(image, 5, 5), blend({255, 255, 255}, 0.75), 2)) << fetch;
    EXPECT_TRUE(near(at(image, 15, 5), blend({255, 255, 255}, 0.5), 2)) << fetch;
    EXPECT_TRUE(near(at(image, 15, 15), orange, 0)) << fetch;

    // The opaque bars alone, under a translucent overlay.
    overlay->subviews()[0]->setHidden(true);
    overlay->subviews()[1]->setHidden(true);
    overlay->setAlpha(0.5);
    image = renderer().render(*root, 0, 30, 20, 1);
    EXPECT_TRUE(near(at(image, 22, 15), blend({0, 0, 255}, 0.5), 2)) << fetch;
    EXPECT_TRUE(near(at(image, 27, 5), blend({0, 0, 255}, 0.5), 2)) << fetch;
    EXPECT_TRUE(near(at(image, 27, 15), blend({255, 0, 0}, 0.5), 2)) << fetch;
    EXPECT_TRUE(near(at(image, 5, 5), orange, 0)) << fetch;
  }
  renderer().compositor().setFramebufferFetch(true);
}

TEST(Compositor, OnlyAnOpaqueCoverHidesWhatLiesBelow) {
  struct Cover {
    ui::Color color;
    double alpha;
    double radius;
    ui::Rect frame;
    Rgba expectedAtCorner;
  };
  const Cover covers[] = {
      {ui::Color::withRGBA(0, 0, 1, 1), 1, 0, {0, 0, 20, 20}, blue},
      {ui::Color::withRGBA(0, 0, 1, 1), 0.5, 0, {0, 0, 20, 20}, {128, 0, 128, 255}},
      {ui::Color::withRGBA(0, 0, 1, 0.5), 1, 0, {0, 0, 20, 20}, {128, 0, 128, 255}},
      {ui::Color::withRGBA(0, 0, 1, 1), 1, 8, {0, 0, 20, 20}, red},
      {ui::Color::withRGBA(0, 0, 1, 1), 1, 0, {0, 0, 20, 19}, blue},
  };
  for (const Cover& cover : covers) {
    auto root = box({0, 0, 20, 20}, ui::Color::withRGBA(1, 0, 0, 1));
    auto below = box({0, 0, 20, 20}, ui::Color::withRGBA(1, 0, 0, 1));
    root->addSubview(below);
    auto top = box(cover.frame, cover.color);
    top->setAlpha(cover.alpha);
    top->layer().setCornerRadius(cover.radius);
    root->addSubview(top);
    auto image = renderer().render(*root, 0, 20, 20, 1);
    EXPECT_TRUE(near(at(image, 0, 0), cover.expectedAtCorner, 1))
        << cover.alpha << " " << cover.radius;
    // A cover one point short leaves the bottom row to what is beneath.
    if (cover.frame.height() < 20) {
      EXPECT_TRUE(near(at(image, 10, 19), red, 0));
    }
  }
}

struct Ink {
  int minX = 1 << 30, minY = 1 << 30, maxX = -1, maxY = -1;
};

Ink inkOf(const platform::Image& image) {
  Ink ink;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixel(x, y)[3] > 0) {
        ink.minX = std::min(ink.minX, x);
        ink.maxX = std::max(ink.maxX, x);
        ink.minY = std::min(ink.minY, y);
        ink.maxY = std::max(ink.maxY, y);
      }
    }
  }
  return ink;
}

TEST(Compositor, LabelInkLiesInsideItsLaidOutRectangleAtEveryScale) {
  for (double scale : {1.0, 2.0}) {
    auto root = std::make_shared<ui::View>(ui::Rect{0, 0, 1300, 200});
    auto label = std::make_shared<ui::Label>(ui::Rect{20, 30, 0, 0});
    label->setFont(ui::Font::boldSystemFont(96));
    label->setText("YOU ARE GOOD ENOUGH");
    label->sizeToFit();
    root->addSubview(label);
    auto image = renderer().render(*root, 0, int(1300 * scale), int(200 * scale), scale);
    Ink ink = inkOf(image);
    ASSERT_GE(ink.maxX, 0) << "nothing drawn at scale " << scale;
    ui::Rect used = label->layout().usedRect();
    ui::Rect frame = label->frame();
    double left = (frame.x() + used.x()) * scale, top = (frame.y() + used.y()) * scale;
    EXPECT_GE(ink.minX, left - 1);
    EXPECT_GE(ink.minY, top - 1);
    EXPECT_LE(ink.maxX, left + used.width() * scale);
    EXPECT_LE(ink.maxY, top + used.height() * scale);
    // Capitals fill most of the box from the cap height to the baseline.
    EXPECT_GT(ink.maxX - ink.minX, 0.9 * used.width() * scale);
    EXPECT_GT(ink.maxY - ink.minY, 0.5 * used.height() * scale);
  }
}

// Whatever engine rasterises the glyphs, each bitmap lands where the engine
// places it against the pen on the baseline, rows from the top, rendered at
// the device's pixel size and the pen's quarter pixel.
TEST(Compositor, DrawsTheFacesGlyphBitmapsWhereItPlacesThem) {
  fakefont::Engine engine;
  const ui::Font font = engine.font(20);
  const fakefont::Face& face = engine.face(font);
  auto root = box({0, 0, 100, 60}, ui::Color::black());
  auto label = std::make_shared<ui::Label>(ui::Rect{10.25, 10, 0, 0});
  label->setFont(font);
  label->setTextColor(ui::Color::white());
  label->setText("ab");
  label->sizeToFit();
  root->addSubview(label);
  constexpr double scale = 2;  // pens at x = 20.5 and 40.5
  auto image = renderer().render(*root, 0, int(100 * scale), int(60 * scale), scale);
  ASSERT_FALSE(face.pixelSizes.empty());
  for (double size : face.pixelSizes) {
    EXPECT_EQ(size, 20 * scale);
  }
  EXPECT_EQ(face.subpixels, std::vector<int>(face.pixelSizes.size(), 2));
  const ui::Rect frame = label->frame();
  for (const auto& glyph : label->layout().lines().at(0).glyphs) {
    const double penX = (frame.x() + glyph.origin.x) * scale;
    const int x = int(std::floor(penX)) + 1;
    const int y = int(std::lround((frame.y() + glyph.origin.y) * scale)) - 5;
    for (int i = 0; i < 4; ++i) {
      EXPECT_TRUE(near(at(image, x + i, y), white, 1)) << x + i << ", " << y;
      EXPECT_TRUE(near(at(image, x + i, y + 1), black, 1)) << x + i << ", " << y + 1;
    }
    EXPECT_TRUE(near(at(image, x, y + 2), white, 1));
    EXPECT_TRUE(near(at(image, x + 1, y + 2), black, 1));
    EXPECT_TRUE(near(at(image, x - 1, y), black, 1));
    EXPECT_TRUE(near(at(image, x, y - 1), black, 1));
  }
}

// The warm-up runs between frames on the window's own picture: it must end,
// leave every pixel as it was, and leave the next frame as a fresh
// compositor would draw it, for each way of reading the blend's backdrop.
TEST(Compositor, WarmingUpEndsAndTouchesNoPixel) {
  fakefont::Engine engine;
  auto scene = [&] {
    auto root = box({0, 0, 40, 30}, rgb(251, 139, 36));
    auto rounded = box({2, 2, 12, 12}, rgb(20, 10, 200));
    rounded->layer().setCornerRadius(4);
    root->addSubview(rounded);
    auto label = std::make_shared<ui::Label>(ui::Rect{16, 2, 0, 0});
    label->setFont(engine.font(10));
    label->setTextColor(ui::Color::white());
    label->setText("ab");
    label->sizeToFit();
    root->addSubview(label);
    auto overlay = std::make_shared<ui::View>(ui::Rect{0, 0, 40, 30});
    overlay->layer().setCompositingFilter(ui::CompositingFilter::SaturationBlendMode);
    overlay->addSubview(box({0, 16, 30, 8}, rgb(255, 255, 255, 0.5)));
    root->addSubview(overlay);
    return root;
  };
  auto read = [](GLuint framebuffer) {
    platform::Image image;
    image.width = 40;
    image.height = 30;
    image.rgba.resize(40 * 30 * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadPixels(0, 0, 40, 30, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
  };
  renderer();  // its context is current from here on
  for (bool fetch : {true, false}) {
    auto root = scene();
    platform::RenderTarget target(40, 30);
    platform::Compositor compositor;
    compositor.setFramebufferFetch(fetch);
    compositor.render(*root, 0, target.framebuffer(), 40, 30, 1);
    const platform::Image before = read(target.framebuffer());
    int steps = 1;
    while (compositor.warmUpNext(target.framebuffer(), 40, 30) && steps < 100) {
      ++steps;
    }
    EXPECT_GT(steps, 1) << fetch;
    EXPECT_LT(steps, 100) << fetch;
    EXPECT_FALSE(compositor.warmUpNext(target.framebuffer(), 40, 30));
    EXPECT_TRUE(sameImage(read(target.framebuffer()), before)) << fetch;

    compositor.render(*root, 0, target.framebuffer(), 40, 30, 1);
    platform::RenderTarget fresh(40, 30);
    platform::Compositor untouched;
    untouched.setFramebufferFetch(fetch);
    untouched.render(*root, 0, fresh.framebuffer(), 40, 30, 1);
    EXPECT_TRUE(sameImage(read(target.framebuffer()), read(fresh.framebuffer()))) << fetch;
  }
}

}  // namespace

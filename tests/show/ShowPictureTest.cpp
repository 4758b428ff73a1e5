#include <algorithm>
#include <cstdlib>

#include "ShowTestSupport.h"
#include "content/Content.h"
#include "platform/OffscreenRenderer.h"

// Frames of one show, drawn offscreen at a quarter of the stage's size, with
// probes that a wrong colour, a missing layer or a misplaced word would fail.
namespace {

constexpr int kWidth = 480, kHeight = 270;  // 1920 × 1080 points at 0.25

struct Rgb {
  int r, g, b;
};

Rgb rgb(const ui::Color& c) {
  return {static_cast<int>(c.red * 255 + 0.5), static_cast<int>(c.green * 255 + 0.5),
          static_cast<int>(c.blue * 255 + 0.5)};
}

Rgb at(const platform::Image& image, int x, int y) {
  const auto* p = image.pixel(x, y);
  return {p[0], p[1], p[2]};
}

bool near(Rgb a, Rgb b, int tolerance = 3) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

::testing::AssertionResult pixelIs(const platform::Image& image, int x, int y, Rgb want) {
  Rgb got = at(image, x, y);
  if (near(got, want)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << got.r << "," << got.g << "," << got.b
         << ", not " << want.r << "," << want.g << "," << want.b;
}

// Pixels within the rectangle [x0, x1) × [y0, y1) close to `want`.
int count(const platform::Image& image, Rgb want, int x0 = 0, int y0 = 0, int x1 = kWidth,
          int y1 = kHeight, int tolerance = 3) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      n += near(at(image, x, y), want, tolerance) ? 1 : 0;
    }
  }
  return n;
}

const Rgb kWhite{255, 255, 255};

class Picture : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    std::string error;
    renderer = platform::OffscreenRenderer::create(error);
    ASSERT_NE(renderer, nullptr) << error;
    controller = std::make_shared<ViewController>();
    window = showIn(controller, 1920, 1080);
  }

  void startShow() {
    click(*window, {960, 540});
    runUntil(4);
    start = now();
  }

  platform::Image frameAt(double showTime) {
    runUntil(start + showTime);
    platform::Image image = renderer->render(*window, now(), kWidth, kHeight, 0.25);
    // To look at the frames: INVITED_PICTURE_DIR=/some/folder show_picture_tests
    if (const char* dir = std::getenv("INVITED_PICTURE_DIR")) {
      std::string error;
      platform::writePng(image, std::string(dir) + "/frame-" + std::to_string(showTime) + ".png",
                         error);
    }
    return image;
  }

  std::unique_ptr<platform::OffscreenRenderer> renderer;
  std::shared_ptr<ViewController> controller;
  std::shared_ptr<ui::Window> window;
  double start = 0;
};

TEST_F(Picture, OpeningPhrasesFlashInWhiteOnTheirColours) {
  startShow();
  // The first rapid phrase: left-aligned on orange, vertically centred.
  auto first = frameAt(0.01);
  const Rgb orange = rgb(content::paletteOrange());
  EXPECT_TRUE(pixelIs(first, 2, 2, orange));
  EXPECT_GT(count(first, kWhite, 0, 120, 160, 150, 40), 20);
  EXPECT_EQ(count(first, kWhite, 0, 0, kWidth, 100, 40), 0);
  // Gone 0.05 s later, before the next cue.
  auto between = frameAt(0.055);
  EXPECT_EQ(count(between, kWhite, 0, 0, kWidth, kHeight, 40), 0);

  // The second static phrase holds on pink; the dot has lit and gone out.
  auto dot = frameAt(6.05);
  EXPECT_TRUE(pixelIs(dot, 463, 16, kWhite));
  auto held = frameAt(6.5);
  const Rgb pink = rgb(content::palettePink());
  EXPECT_TRUE(pixelIs(held, 2, 2, pink));
  EXPECT_TRUE(pixelIs(held, 463, 16, pink));
  EXPECT_GT(count(held, kWhite, 0, 120, 160, 150, 40), 20);
}

TEST_F(Picture, FillRowsTheBigWordAndTheOverlayBars) {
  startShow();
  auto fill = frameAt(37.9);
  EXPECT_GT(count(fill, rgb(content::paletteDark())), 500);
  for (const auto& color : content::paletteBrightColors()) {
    EXPECT_GT(count(fill, rgb(color.get())), 50);
  }
  EXPECT_GT(count(fill, kWhite, 0, 0, kWidth, kHeight, 40), 50);  // the middle row

  auto word = frameAt(38.01);
  const Rgb orange = rgb(content::paletteOrange());
  EXPECT_TRUE(pixelIs(word, 2, 2, orange));
  EXPECT_TRUE(pixelIs(word, 463, 16, kWhite));  // the dot, lit for 0.1 s
  // "YOU" in the middle of the screen, nothing of it near the edges.
  EXPECT_GT(count(word, kWhite, 180, 110, 300, 160, 40), 100);
  EXPECT_EQ(count(word, kWhite, 0, 100, 120, 170, 40), 0);
  EXPECT_EQ(count(word, kWhite, 360, 100, kWidth, 170, 40), 0);

  // A cue of the first overlay passage that flashes bar 0, the line at x 250.
  const auto& bar = controller->overlayView()->views().at(0);
  double cue = -1;
  for (int p = 640; p < 672 && cue < 0; ++p) {
    runUntil(start + p * 0.0625);
    if (!bar->isHidden()) {
      cue = p * 0.0625;
    }
  }
  ASSERT_GE(cue, 0) << "no flash of bar 0 in the passage";
  auto flashed = frameAt(cue + 0.01);
  // Under the saturation blend the white bar leaves only greys below it,
  // while the coloured rows beside it keep their colour.
  int coloured = 0;
  for (int y = 0; y < kHeight; ++y) {
    Rgb p = at(flashed, 65, y);
    EXPECT_LE(std::max({p.r, p.g, p.b}) - std::min({p.r, p.g, p.b}), 3) << "y " << y;
    Rgb q = at(flashed, 45, y);
    coloured += std::max({q.r, q.g, q.b}) - std::min({q.r, q.g, q.b}) > 30 ? 1 : 0;
  }
  EXPECT_GT(coloured, 20);
}

}  // namespace

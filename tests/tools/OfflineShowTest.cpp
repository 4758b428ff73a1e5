#include "tools/render/OfflineShow.h"

#include <gtest/gtest.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

#include "platform/media/Ffmpeg.h"
#include "tools/render/SilentAudioPlayer.h"
#include "ui/Random.h"
#include "ui/RunLoop.h"

namespace render {
namespace {

// Share of the picture's pixels within `tolerance` of a colour.
double share(const platform::Image& image, int r, int g, int b, int tolerance = 8) {
  long matching = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.pixel(x, y);
      if (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance &&
          std::abs(p[2] - b) <= tolerance) {
        ++matching;
      }
    }
  }
  return double(matching) / (double(image.width) * image.height);
}

class OfflineShowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SilentAudioPlayer::install(); }
  void SetUp() override {
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(1));
    show_ = std::make_unique<OfflineShow>(ui::Size{320, 180});
  }
  void TearDown() override {
    show_.reset();
    ui::Random::setSource(nullptr);
  }

  platform::Image renderAt(double showTime) {
    if (!renderer_) {
      std::string error;
      renderer_ = platform::OffscreenRenderer::create(error);
      EXPECT_TRUE(renderer_) << error;
    }
    show_->advanceTo(showTime);
    return renderer_ ? show_->render(*renderer_, 320, 180) : platform::Image{};
  }

  std::unique_ptr<OfflineShow> show_;
  static std::unique_ptr<platform::OffscreenRenderer> renderer_;
};

std::unique_ptr<platform::OffscreenRenderer> OfflineShowTest::renderer_;

TEST_F(OfflineShowTest, TimeNeverGoesBack) {
  show_->advanceTo(10);
  show_->advanceTo(5);
  EXPECT_EQ(show_->showTime(), 10);
  EXPECT_EQ(ui::RunLoop::main().now(), 14.0);
}

TEST_F(OfflineShowTest, PicturesFollowTheTimeline) {
  // The start screen: white text on black.
  platform::Image start = renderAt(-5);
  ASSERT_EQ(start.width, 320);
  EXPECT_GT(share(start, 0, 0, 0), 0.80);
  EXPECT_GT(share(start, 255, 255, 255, 40), 0.002);

  // The first phrase: white capitals on the first palette colour, orange.
  platform::Image first = renderAt(0.01);
  EXPECT_GT(share(first, 251, 139, 36), 0.5);
  EXPECT_GT(share(first, 255, 255, 255, 40), 0.003);

  // After the last cue and the dot's last fade: black alone.
  platform::Image end = renderAt(64.2);
  EXPECT_EQ(share(end, 0, 0, 0, 0), 1.0);
}

TEST_F(OfflineShowTest, SameSeedSamePictures) {
  platform::Image first = renderAt(5.3);
  show_.reset();
  ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(1));
  show_ = std::make_unique<OfflineShow>(ui::Size{320, 180});
  platform::Image second = renderAt(5.3);
  EXPECT_EQ(first.rgba, second.rgba);
}

// A video's frames come as planes from the GPU; they must be the pictures
// the rest of the program sees, converted as FFmpeg converts them.
TEST_F(OfflineShowTest, VideoPlanesAreThePictureInBt709) {
  const int width = 320, height = 180;
  platform::ffmpeg::Scaler converter(
      sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
                     SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
  sws_setColorspaceDetails(converter.get(), sws_getCoefficients(SWS_CS_ITU709), 1,
                           sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
  // The fade over the start screen, text on colour, the fill's words.
  for (double t : {-2.0, 0.01, 33.5}) {
    platform::Image picture = renderAt(t);
    std::vector<std::uint8_t> planes;
    ASSERT_TRUE(show_->renderYuv420(*renderer_, width, height, planes));
    ASSERT_EQ(planes.size(), std::size_t(width * height * 3 / 2));
    std::vector<std::uint8_t> expected(planes.size());
    std::uint8_t* destination[3] = {expected.data(), expected.data() + width * height,
                                    expected.data() + width * height * 5 / 4};
    const int strides[3] = {width, width / 2, width / 2};
    const std::uint8_t* source[1] = {picture.rgba.data()};
    const int sourceStride[1] = {width * 4};
    sws_scale(converter.get(), source, sourceStride, 0, height, destination, strides);
    // Luma to the rounding; chroma is filtered differently across edges
    // (a 2 × 2 mean here) but must agree on average.
    int lumaWorst = 0;
    double chromaError[2] = {};
    for (std::size_t i = 0; i < planes.size(); ++i) {
      int difference = std::abs(int(planes[i]) - int(expected[i]));
      if (i < std::size_t(width * height)) {
        lumaWorst = std::max(lumaWorst, difference);
      } else {
        chromaError[i < std::size_t(width * height * 5 / 4) ? 0 : 1] += difference;
      }
    }
    EXPECT_LE(lumaWorst, 1) << "at " << t;
    for (double error : chromaError) {
      EXPECT_LT(error / (width * height / 4), 1.0) << "at " << t;
    }
  }
}

}  // namespace
}  // namespace render

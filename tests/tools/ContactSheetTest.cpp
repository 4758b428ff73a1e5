#include "tools/render/ContactSheet.h"

#include <gtest/gtest.h>

namespace render {
namespace {

TEST(ContactSheet, TimesCountStepsWithoutDrift) {
  auto times = ContactSheet::times(-5, 64.5, 2);
  ASSERT_EQ(times.size(), 35u);
  EXPECT_EQ(times.front(), -5);
  EXPECT_EQ(times.back(), 63);
  auto tenths = ContactSheet::times(0, 3, 0.1);
  ASSERT_EQ(tenths.size(), 31u);
  EXPECT_NEAR(tenths.back(), 3.0, 1e-12);
}

TEST(ContactSheet, CaptionsNameTimeAndPassage) {
  EXPECT_EQ(ContactSheet::caption(-5), "\u22125 s \u00b7 start screen");
  EXPECT_EQ(ContactSheet::caption(-4), "\u22124 s \u00b7 fade");
  EXPECT_EQ(ContactSheet::caption(0), "0 s \u00b7 opening");
  EXPECT_EQ(ContactSheet::caption(33.5), "33.5 s \u00b7 fill");
  EXPECT_EQ(ContactSheet::caption(38), "38 s \u00b7 alternation");
  EXPECT_EQ(ContactSheet::caption(62.25), "62.25 s \u00b7 closing");
  EXPECT_EQ(ContactSheet::caption(64), "64 s \u00b7 end");
}

TEST(ContactSheet, GridFillsRowsLeftToRightWithCaptionsBelow) {
  ContactSheet sheet(7, 3, 160);
  EXPECT_EQ(sheet.rows(), 3);
  EXPECT_EQ(sheet.thumbnailHeight(), 90);
  ui::Rect first = sheet.thumbnailRect(0);
  ui::Rect fourth = sheet.thumbnailRect(3);
  EXPECT_EQ(fourth.x(), first.x());
  EXPECT_GT(fourth.y(), sheet.captionRect(0).maxY());
  EXPECT_EQ(sheet.captionRect(1).y(), sheet.thumbnailRect(1).maxY());
  ui::Rect last = sheet.captionRect(8);
  EXPECT_LT(last.maxX(), sheet.width());
  EXPECT_LT(last.maxY(), sheet.height());
  // Fewer pictures than columns: the sheet is one row, no wider than needed.
  EXPECT_EQ(ContactSheet(2, 6, 160).columns(), 2);
}

TEST(ContactSheet, ComposesPicturesOverCaptionedSheet) {
  std::string error;
  auto renderer = platform::OffscreenRenderer::create(error);
  ASSERT_TRUE(renderer) << error;
  ContactSheet sheet(2, 2, 128);
  std::vector<platform::Image> pictures;
  for (std::uint8_t red : {200, 50}) {
    platform::Image picture{128, 72, std::vector<std::uint8_t>(128 * 72 * 4, 0)};
    for (std::size_t i = 0; i < picture.rgba.size(); i += 4) {
      picture.rgba[i] = red;
      picture.rgba[i + 3] = 255;
    }
    pictures.push_back(picture);
  }
  platform::Image image = sheet.compose(pictures, {"0 s", "2 s"}, *renderer);
  ASSERT_EQ(image.width, sheet.width());
  ASSERT_EQ(image.height, sheet.height());
  for (int i = 0; i < 2; ++i) {
    ui::Rect place = sheet.thumbnailRect(i);
    EXPECT_EQ(image.pixel(int(place.x()), int(place.y()))[0], pictures[i].rgba[0]);
    EXPECT_EQ(image.pixel(int(place.maxX()) - 1, int(place.maxY()) - 1)[0], pictures[i].rgba[0]);
    // Some caption pixels are far lighter than the sheet's dark grey.
    ui::Rect caption = sheet.captionRect(i);
    int light = 0;
    for (int y = int(caption.y()); y < int(caption.maxY()); ++y) {
      for (int x = int(caption.x()); x < int(caption.maxX()); ++x) {
        light += image.pixel(x, y)[1] > 128;
      }
    }
    EXPECT_GT(light, 10) << "caption " << i;
  }
  EXPECT_NEAR(image.pixel(0, 0)[0], 26, 2) << "the sheet is dark grey";
}

}  // namespace
}  // namespace render

#include "platform/PixelRect.h"

#include <gtest/gtest.h>

#include "platform/SaturationBlend.h"

namespace {

using platform::PixelRect;

int area(const PixelRect& r) {
  return r.isEmpty() ? 0 : (r.x1 - r.x0) * (r.y1 - r.y0);
}

struct Subtraction {
  const char* name;
  PixelRect hole;
  std::size_t pieces;
};

class PixelRectSubtract : public ::testing::TestWithParam<Subtraction> {};

// The pieces never overlap, never touch the hole and, with it, cover the
// rectangle exactly.
TEST_P(PixelRectSubtract, PiecesTileTheRectangleAroundTheHole) {
  const PixelRect rect{10, 10, 30, 20};
  const PixelRect hole = GetParam().hole;
  std::vector<PixelRect> pieces;
  PixelRect::subtract(rect, hole, pieces);
  EXPECT_EQ(pieces.size(), GetParam().pieces);
  int covered = area(rect.intersection(hole));
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_FALSE(pieces[i].isEmpty());
    EXPECT_EQ(pieces[i].intersection(rect), pieces[i]);
    EXPECT_FALSE(pieces[i].intersects(hole));
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_FALSE(pieces[i].intersects(pieces[j])) << i << " and " << j;
    }
    covered += area(pieces[i]);
  }
  EXPECT_EQ(covered, area(rect));
}

INSTANTIATE_TEST_SUITE_P(Holes, PixelRectSubtract,
                         ::testing::Values(Subtraction{"Inside", {15, 12, 20, 15}, 4},
                                           Subtraction{"Apart", {40, 40, 50, 50}, 1},
                                           Subtraction{"Touching", {30, 10, 40, 20}, 1},
                                           Subtraction{"Covering", {0, 0, 50, 50}, 0},
                                           Subtraction{"LeftEdge", {0, 12, 15, 15}, 3},
                                           Subtraction{"TopBand", {0, 0, 50, 15}, 1}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(PixelRect, IntersectionAndUnionIgnoreEmptySides) {
  const PixelRect a{0, 0, 10, 10}, b{5, 5, 20, 8}, empty{3, 3, 3, 9};
  EXPECT_EQ(a.intersection(b), (PixelRect{5, 5, 10, 8}));
  EXPECT_EQ(a.intersection({10, 0, 20, 10}), PixelRect{});  // half open: edges don't meet
  EXPECT_EQ(a.unionWith(b), (PixelRect{0, 0, 20, 10}));
  EXPECT_EQ(empty.unionWith(b), b);
  EXPECT_EQ(b.unionWith(empty), b);
}

platform::SaturationBlend::Quad fill(float x0, float y0, float x1, float y1, float alpha) {
  platform::SaturationBlend::Quad quad{
      {int(x0), int(y0), int(x1), int(y1)}, platform::QuadBatcher::Kind::Fill, {}};
  const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
  for (int i = 0; i < 4; ++i) {
    quad.corners[i] = {
        corners[i][0], corners[i][1], 0, 0, alpha, alpha, alpha, alpha, 0, 0, 0, 0, 0};
  }
  return quad;
}

TEST(SaturationBlendPlan, OpaqueBarsBlendTheirOwnColoursOnceTheTopmostWinning) {
  using platform::SaturationBlend;
  const PixelRect clip{0, 0, 100, 100};
  std::vector<SaturationBlend::Quad> quads{fill(0, 0, 50, 10, 1), fill(40, 0, 60, 10, 1)};
  quads[1].corners[0].r = quads[1].corners[0].g = 0;  // the upper bar is blue
  auto plan = SaturationBlend::plan(quads, {0, 0, 60, 10}, clip);
  ASSERT_TRUE(plan.direct);
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[0].rect, (PixelRect{40, 0, 60, 10}));
  EXPECT_EQ(plan.pieces[0].color[0], 0);
  EXPECT_EQ(plan.pieces[1].rect, (PixelRect{0, 0, 40, 10}));

  // A translucent bar needs the view drawn alone first.
  quads.push_back(fill(0, 20, 10, 30, 0.5));
  EXPECT_FALSE(SaturationBlend::plan(quads, {0, 0, 60, 30}, clip).direct);
}

}  // namespace

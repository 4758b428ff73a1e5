#include "effects/OrvOverlayView.h"

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "EffectTestSupport.h"

namespace {

class Overlay : public EffectTest {
 protected:
  std::shared_ptr<OrvOverlayView> prepared(ui::Rect frame = kStage) {
    auto view = std::make_shared<OrvOverlayView>(ui::Rect::zero());
    view->setFrame(frame);
    view->prepareOverlay();
    return view;
  }
};

using Bars = std::vector<ui::Rect>;

std::string str(const ui::Rect& r) {
  std::ostringstream out;
  out << "{" << r.x() << ", " << r.y() << ", " << r.width() << ", " << r.height() << "}";
  return out.str();
}

// What a group of a pattern's bars must be, on any stage.
struct Rule {
  std::size_t from, to;   // bars [from, to)
  bool columns, rows;     // full-height columns, full-width rows
  bool tiles;             // together they cover the stage, none over another
  bool mirrorX, mirrorY;  // the same bars in a mirror about the stage's middle
  bool equal;             // all one size
};

void expectRule(const Bars& all, const Rule& rule, const ui::Rect& stage) {
  const Bars bars(all.begin() + rule.from, all.begin() + rule.to);
  double area = 0;
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const ui::Rect& bar = bars[i];
    SCOPED_TRACE("bar " + std::to_string(rule.from + i) + " " + str(bar));
    EXPECT_TRUE(!rule.columns || (bar.y() == 0 && bar.height() == stage.height()));
    EXPECT_TRUE(!rule.rows || (bar.x() == 0 && bar.width() == stage.width()));
    EXPECT_TRUE(!rule.equal || bar.size == bars.front().size);
    ui::Rect mirrored = bar;
    mirrored.origin.x = rule.mirrorX ? stage.width() - bar.maxX() : bar.x();
    mirrored.origin.y = rule.mirrorY ? stage.height() - bar.maxY() : bar.y();
    // Equal to six digits, as printed: thirds of a stage do not add up exactly.
    EXPECT_TRUE(
        std::any_of(bars.begin(), bars.end(), [&](auto& b) { return str(b) == str(mirrored); }))
        << "mirrored " << str(mirrored);
    area += bar.width() * bar.height();
    for (std::size_t j = 0; rule.tiles && j < i; ++j) {
      const ui::Rect overlap = bar.intersection(bars[j]);
      EXPECT_NEAR(overlap.width() * overlap.height(), 0, 1e-6) << "over bar " << rule.from + j;
    }
  }
  if (rule.tiles) {
    EXPECT_DOUBLE_EQ(area, stage.width() * stage.height());
  }
}

// Every bar of every pattern, on the show's stage and on two others that
// hold the fixed lines: the bars a flash may show lie on the stage, and each
// pattern keeps its own geometry.
TEST_F(Overlay, EveryPatternsBarsLieOnTheStageInTheirOwnGeometry) {
  // {from, to, columns, rows, tiles, mirrorX, mirrorY, equal}
  const std::map<std::int64_t, std::vector<Rule>> rules{
      {1, {{0, 1, true, false, false, false, false, false}}},
      {2,
       {{0, 1, true, false, false, false, false, false},
        {1, 2, false, true, false, false, false, false}}},
      {3, {{0, 3, true, false, false, false, false, true}}},
      {4, {{0, 4, false, false, true, true, true, true}}},
      {5, {{0, 5, false, true, true, false, true, true}}},
      {7,
       {{0, 4, false, false, true, true, true, true},
        {4, 7, true, false, true, true, false, true}}},
  };
  std::vector<Bars> lines;  // pattern 2's, on each stage
  for (const ui::Rect stage : {kStage, ui::Rect{0, 0, 2560, 1440}, ui::Rect{0, 0, 1000, 1000}}) {
    SCOPED_TRACE("stage " + str(stage));
    auto view = prepared(stage);
    ASSERT_EQ(view->views().size(), 7u);
    std::vector<std::int64_t> positions;
    for (int step = 0; step < 6; ++step) {
      if (step > 0) {
        for (const auto& bar : view->views()) {
          bar->setHidden(false);
        }
        view->advancePattern();
      }
      const std::int64_t pattern = view->position();
      SCOPED_TRACE("pattern " + std::to_string(pattern));
      positions.push_back(pattern);
      Bars bars;
      for (std::int64_t i = 0; i < std::min<std::int64_t>(pattern, 7); ++i) {
        bars.push_back(view->views()[static_cast<std::size_t>(i)]->frame());
        EXPECT_GT(bars.back().width() * bars.back().height(), 0) << i;
        EXPECT_TRUE(bars.back().minX() >= 0 && bars.back().minY() >= 0 &&
                    bars.back().maxX() <= stage.width() + 1e-9 &&
                    bars.back().maxY() <= stage.height() + 1e-9)
            << str(bars.back()) << " off the stage";
      }
      for (const auto& bar : view->views()) {
        EXPECT_TRUE(bar->isHidden());
      }
      for (const Rule& rule : rules.count(pattern) ? rules.at(pattern) : std::vector<Rule>{}) {
        expectRule(bars, rule, stage);
      }
      if (pattern == 3) {
        // The stage in six columns, every other one lit, the last at the edge.
        for (std::size_t i = 0; i < 3; ++i) {
          EXPECT_DOUBLE_EQ(bars[i].x(), (2.0 * static_cast<double>(i) + 1) * bars[i].width());
        }
        EXPECT_DOUBLE_EQ(bars[2].maxX(), stage.width());
      }
      if (pattern == 2) {
        lines.push_back(bars);
      }
    }
    EXPECT_EQ(positions, (std::vector<std::int64_t>{1, 2, 3, 4, 5, 7}));
  }
  // The lines of pattern 2 sit at fixed points, not scaled with the stage.
  ASSERT_EQ(lines.size(), 3u);
  for (const auto& other : {lines[1], lines[2]}) {
    EXPECT_EQ(other[0].x(), lines[0][0].x());
    EXPECT_EQ(other[0].width(), lines[0][0].width());
    EXPECT_EQ(other[1].y(), lines[0][1].y());
    EXPECT_EQ(other[1].height(), lines[0][1].height());
  }
}

// Each flash lights every bar of the pattern on a fair coin of its own, for
// 50 ms; a bar beyond the pattern never lights.
TEST_F(Overlay, AFlashLightsEachBarOfThePatternOnItsOwnCoinForFiftyMilliseconds) {
  auto view = prepared();
  for (int i = 0; i < 3; ++i) {
    view->advancePattern();  // four bars
  }
  auto lit = [&] {
    std::vector<int> on;
    for (const auto& bar : view->views()) {
      on.push_back(!bar->isHidden());
    }
    return on;
  };
  constexpr int flashes = 2000;
  std::vector<int> count(8);  // per bar; last: the first two together
  for (int k = 0; k < flashes; ++k) {
    const double start = now();
    view->flashRandomView();
    const auto on = lit();
    std::transform(on.begin(), on.end(), count.begin(), count.begin(), std::plus<>());
    count[7] += on[0] && on[1];
    runUntil(start + 0.0499);
    ASSERT_EQ(lit(), on) << "flash " << k;
    runUntil(start + 0.05);
    ASSERT_EQ(lit(), std::vector<int>(7, 0)) << "flash " << k;
  }
  EXPECT_EQ(std::vector<int>(count.begin() + 4, count.begin() + 7), std::vector<int>(3, 0));
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(count[i], flashes / 2, flashes / 20) << "bar " << i;
  }
  EXPECT_NEAR(count[7], flashes / 4, flashes / 20) << "the coins are not independent";
}

}  // namespace

#include "show/VenueMode.h"

#include <vector>

#include "ShowTestSupport.h"

// The venue mode on the virtual clock. The fill and big text are silent
// stand-ins (their 512 labels and measured words cost most), so a thousand
// shows cost little; the controller, its cues, its music, the other effects
// and the dot's flashes are the real ones.
namespace {

struct Flash {
  double time;
  int show;
};

class QuietFill : public OrvFillTextView {
 public:
  using OrvFillTextView::OrvFillTextView;
  void prepareFill() override {}
  void stepFill() override {}
};
class QuietBig : public OrvBigTextView {
 public:
  using OrvBigTextView::OrvBigTextView;
  void prepareBigText() override {}
  void showBigWord() override {}
};

std::vector<Flash>* flashes = nullptr;
int currentShow = 0;

class RecordedBip : public OrvBipView {
 public:
  using OrvBipView::OrvBipView;
  void flash(bool, double) override {
    flashes->push_back({ui::RunLoop::main().now(), currentShow});
  }
};

class QuietController : public ViewController {
 public:
  QuietController() : ViewController(quiet()) {}

 private:
  static Members quiet() {
    Members m = makeMembers();
    const ui::Rect zero = ui::Rect::zero();
    m.fillTextView = std::make_shared<QuietFill>(zero);
    m.bigTextView = std::make_shared<QuietBig>(zero);
    m.bipView = std::make_shared<RecordedBip>(zero);
    return m;
  }
};

class Venue : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    flashes = &flashed;
    currentShow = 0;
    window = std::make_shared<ui::Window>(ui::Rect{0, 0, 1280, 720});
  }
  void TearDown() override {
    venue.reset();
    flashes = nullptr;
    ShowTest::TearDown();
  }

  void begin(bool autostart, bool loop) {
    venue = std::make_unique<VenueMode>(
        window,
        [this] {
          auto controller = std::make_shared<QuietController>();
          made.push_back(controller);
          return controller;
        },
        autostart, loop);
    venue->begin();
  }

  std::shared_ptr<ui::Window> window;
  std::unique_ptr<VenueMode> venue;
  std::vector<std::weak_ptr<ViewController>> made;
  std::vector<Flash> flashed;
};

// The autostart's timing is the thousand loops' below; here a click comes first.
TEST_F(Venue, AClickBeforeTheAutostartStartsTheShowOnceAndWithoutLoopingTheBlackStays) {
  begin(true, false);
  runUntil(1);
  click(*window, {640, 360});
  runUntil(5);
  EXPECT_EQ(audio.played, 1);
  runUntil(5 + 64 + 60);
  EXPECT_EQ(audio.played, 1);
  EXPECT_EQ(venue->shows(), 1);
}

// A thousand shows in a row: every show's music starts with its first cue,
// every flash comes exactly at its cue's time after that start, shows follow
// each other at one fixed period, and each show's controller is gone once
// the next one plays.
TEST_F(Venue, AThousandLoopsKeepPictureAndSoundTogether) {
  std::vector<double> plays;
  ui::AudioPlayer::setFactory([&](const std::string&, std::string&) {
    struct Player : FakeAudioPlayer {
      Player(FakeAudio& calls, std::vector<double>& plays)
          : FakeAudioPlayer(calls), plays_(plays) {}
      bool play() override {
        plays_.push_back(ui::RunLoop::main().now());
        ++currentShow;
        return FakeAudioPlayer::play();
      }
      std::vector<double>& plays_;
    };
    ++audio.created;
    return std::make_shared<Player>(audio, plays);
  });
  begin(false, true);
  click(*window, {640, 360});  // the first show waits for a click, the others do not
  constexpr int kShows = 1000;
  // Click at 0, fade 4 s, 64 s of show, 2 s of black, 4 s of start screen, fade 4 s.
  constexpr double kPeriod = 4 + 64 + ViewController::kEndHold + 4;
  runUntil(4 + (kShows - 1) * kPeriod + 64.5);

  ASSERT_EQ(plays.size(), std::size_t(kShows));
  ASSERT_EQ(flashed.size(), std::size_t(kShows) * 16);
  const std::vector<std::int64_t> flashCues = {32,  96,  160, 224, 288, 352, 416, 480,
                                               544, 608, 672, 736, 800, 864, 928, 992};
  for (int show = 0; show < kShows; ++show) {
    ASSERT_EQ(plays[std::size_t(show)], 4 + show * kPeriod) << "show " << show;
    for (std::size_t i = 0; i < 16; ++i) {
      const Flash& f = flashed[std::size_t(show) * 16 + i];
      ASSERT_EQ(f.show, show + 1);
      ASSERT_EQ(f.time - plays[std::size_t(show)], double(flashCues[i]) * 0.0625)
          << "show " << show << ", flash " << i;
    }
  }
  EXPECT_EQ(audio.created, kShows);
  EXPECT_EQ(audio.stopped, kShows - 1);
  // Only the show playing now is still alive.
  EXPECT_EQ(std::count_if(made.begin(), made.end(), [](auto& c) { return !c.expired(); }), 1);
  EXPECT_EQ(venue->shows(), kShows);
}

}  // namespace

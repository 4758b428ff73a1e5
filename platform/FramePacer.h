#pragma once

#include <array>
#include <functional>
#include <optional>

namespace platform {

// Decides when each live frame is displayed and which moment of the show it
// pictures. It knows no window and no device: the window host feeds it the
// display clock, the swaps and where the music is, so every rule below can be
// tried on simulated time.
//
// Frame grid. With a swap that waits for the vertical blank, a frame targets
// the next blank. Without one, frames keep to a grid of periods from the last
// target, so drawing time does not stretch every interval. Some servers
// accept a swap interval and then ignore it: ten swaps in a row that return
// in under half a period switch to the grid.
// When a frame can appear is now plus a drawing time that three in four of
// the last sixteen frames kept within. A lone slow frame (new glyphs, a cache
// rebuilt) then costs its own slot and no more, and a drawing that has become
// slower for good is learnt within four frames; an estimate that leapt to
// each slow frame and let go of it slowly aimed a dozen fast frames after it
// at every other slot. With the blank, a frame aims no earlier than that. On
// the grid a late swap is shown at once, so a frame aims at the slot nearest
// to when it can appear: one that will be less than half a period late shows
// a little late rather than a whole period later.
// A frame is on screen when its swap returns, and copying it out takes time
// of its own: on the grid the swap starts that long before the target, by
// an estimate that steps towards each measured swap, so that it settles on
// their median and one slow swap barely moves it.
//
// Show clock. The show time of a frame is its display time less the video
// delay d. Before any music d is 0. While music sounds, d is where the sound
// says the picture must be (a sound of show time s heard at display time h
// asks for d = h − s), smoothed: a few milliseconds of jitter move d by a
// tenth of the error per report, a larger error is taken at once. Show time
// never steps back: when d grows the picture holds until the sound reaches
// it. When the music falls silent (no device, track over, stopped) d keeps
// its last value, so the display clock carries on from where the sound left
// off.
//
// Stalls. The host reports the sound before it asks for a frame, so a frame
// after a gap in the display clock pictures where the sound is then. During
// a stall of the whole process the output plays on what it had been given,
// at most about the video delay, then waits there; if only the picture stood
// still, the sound ran on and the picture jumps forward to it. For a moment
// after a gap a report is not believed further than the first of these: the
// picture runs on at normal speed from where it stopped plus the video delay
// before the stall and a little slack, so a report that still describes the
// time before the gap cannot throw it far ahead. Nor does a frame picture a
// moment heard already: while the output waits for new sound (it ran dry in
// the stall), none before the one the sound goes on from, and for that
// moment after a stall, none before what the sound plays as the frame is
// asked for. Those were heard before the stall, and a picture of them now
// would be two seconds late, not a few milliseconds early; a frame after a
// stall often aims at a slot already past. The picture holds on the moment
// the sound goes on from until the sound reaches it. A host whose reports are
// read from the output at the moment they are given (a browser's audio
// context) says so, and then the first frame after a gap believes the sound
// at once: a hidden page's sound ran on all the while.
//
// Cues. A slow renderer drops frames, never cues: when the host names the
// show's cue period, whose grid starts where the music started, a frame that
// would leap over a whole cue no frame has pictured pictures that cue's first
// moment instead, and the frames after catch up with the sound one cue each.
// A leap of a quarter second or more is a stall, not slowness: the picture
// jumps to the sound at once rather than racing through what it missed.
class FramePacer {
 public:
  using Clock = std::function<double()>;  // display clock, seconds

  // Where the music is: the sound of show time `showTime` reaches the
  // listener at display time `heardAt`. `waiting`: nothing sounds until
  // then; the moments before `showTime` were heard before the wait.
  struct Sound {
    double showTime;
    double heardAt;
    bool waiting = false;
  };
  struct Frame {
    double displayTime;  // when the frame reaches the screen
    double showTime;     // the show's moment it pictures
    double swapAt;       // when to start its swap, without vsync
  };

  static constexpr double kSnapError = 0.010;  // seconds of error taken at once
  static constexpr double kSmoothing = 0.1;    // share of a small error taken per report
  static constexpr double kStallGap = 0.25;    // seconds between frames that count as a stall
  static constexpr double kSettleTime = 0.1;   // seconds after a stall before the sound leads
  // Seconds the output may hold beyond the video delay (a block or two).
  static constexpr double kOutputSlack = 0.1;
  // Swaps in a row that ignore the blank before the grid takes over.
  static constexpr int kFastSwapsToPace = 10;
  // Seconds: a longer draw was a stall, not work.
  static constexpr double kLongestDraw = 0.1;
  // Seconds the swap estimate moves towards each measured swap.
  static constexpr double kSwapStep = 0.00025;

  FramePacer(Clock clock, double refreshRate, bool vsync);

  // The next frame to draw. The host runs the show up to its show time,
  // draws, and (when !vsync()) waits for its display time before swapping.
  Frame nextFrame();
  // Show time now, for when nothing is drawn (a minimized window).
  double showTimeNow();
  // Called when the frame has been drawn, before any wait for its swap.
  void drawn();
  // Called right before the swap of the frame, and when it returned.
  void swapping();
  void swapped();

  // A player has just started: its first sample is heard at `start`.
  void soundStarted(Sound start);
  // The latest report of the sound, or none while no music sounds.
  void hear(std::optional<Sound> sound);
  // Reports are never stale: no caution after a gap.
  void setReportsAreFresh(bool fresh) { freshReports_ = fresh; }
  // Seconds between the show's cues; 0 (the default) keeps no cue grid.
  void setCuePeriod(double seconds) { cuePeriod_ = seconds > 0 ? seconds : 0; }

  double period() const { return 1.0 / refreshRate_; }
  bool vsync() const { return vsync_; }
  double videoDelay() const { return videoDelay_; }
  double swapTime() const { return swapTime_; }
  double lastShowTime() const { return lastShowTime_; }

 private:
  double showTimeAt(double displayTime);
  double keepCues(double before, double shown) const;
  void noticeStall(double now);

  Clock clock_;
  double refreshRate_;
  bool vsync_;
  int fastSwaps_ = 0;
  double lastSwap_ = -1e300;
  double lastTarget_ = 0;
  double frameStarted_ = 0;  // display clock when the frame being drawn was asked for
  double drawTime_ = 0;      // estimate of the seconds a frame takes to draw
  static constexpr int kDrawsKept = 16;
  std::array<double, kDrawsKept> draws_{};  // the last frames' drawing times, a ring
  int drawCount_ = 0;
  double swapStarted_ = 0;    // display clock when the last swap began
  double swapTime_ = 0;       // estimate of the seconds a swap takes to return
  double lastTick_ = -1e300;  // display time of the last frame or pass
  double videoDelay_ = 0;
  bool following_ = false;  // the last report came from sounding music
  bool freshReports_ = false;
  double lastShowTime_ = -1e300;
  double settleUntil_ = -1e300;  // display time the stall's caution ends
  double resumedAt_ = 0;         // display time the last stall ended
  double resumedFrom_ = 0;       // show time the last stall ended at
  double ranOn_ = 0;             // how far the sound can have played on through it
  double heardFrom_ = -1e300;    // show time no frame pictures less than: heard already
  double cuePeriod_ = 0;
  double cueOrigin_ = 1e300;  // show time of the first cue: where the music started
};

}  // namespace platform

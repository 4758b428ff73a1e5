#pragma once

#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "effects/OrvBigTextView.h"
#include "effects/OrvBipView.h"
#include "effects/OrvFillTextView.h"
#include "effects/OrvOverlayView.h"
#include "effects/OrvRapidTextView.h"
#include "ui/AudioPlayer.h"
#include "ui/Button.h"
#include "ui/Coder.h"
#include "ui/Label.h"
#include "ui/ViewController.h"

// The show: the start screen, the music, the stage with its layers, and the
// clock that drives the cue sheet. Every view and the player are set once, in
// the constructor, and live as long as the controller.
//
// Both screens follow the window: the start screen's text shrinks until all
// its lines fit, and once the show has started the 1920 × 1080 stage is
// fitted again, uniformly scaled and letterboxed, whenever the window's size
// changes.
class ViewController : public ui::ViewController,
                       public std::enable_shared_from_this<ViewController> {
 public:
  // Builds every view and readies a worker thread to open the music once the
  // first frame is on screen. When the music cannot be played there is no
  // player, and musicFailure() says why in one line.
  ViewController();
  // The gentle show: the same timeline with its large flashes shaped to stay
  // under three a second (the effect views' gentle modes).
  explicit ViewController(bool gentle);
  ~ViewController() override;
  // Neither is supported: both stop the process.
  [[noreturn]] static std::shared_ptr<ViewController> initWithCoder(const ui::Coder& coder);
  [[noreturn]] static std::shared_ptr<ViewController> initWithNibName(const std::string& name,
                                                                      const std::string& bundle);

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void viewWillTransitionToSize(ui::Size size) override;
  bool prefersHomeIndicatorAutoHidden() const override { return true; }

  void startButtonTouchedWithButton(ui::Button* button);
  void startShow();
  void eventWithPos(std::int64_t position);

  // Venue mode. Autostart: the start screen stands for as long as its fade
  // lasts, then starts the show as a click would. Set before the view appears.
  bool autostart() const { return autostart_; }
  void setAutostart(bool autostart) { autostart_ = autostart; }
  // Called once, kEndHold seconds after the final black (VenueMode plays the
  // show again from there); nothing is called without one.
  void setShowEndedHandler(std::function<void()> handler) { showEnded_ = std::move(handler); }
  static constexpr double kEndHold = 2.0;

  std::int64_t length() const { return length_; }
  // The player and the failure wait for the track's opening to end.
  const std::shared_ptr<ui::AudioPlayer>& audioPlayer() const {
    awaitMusic();
    return audioPlayer_;
  }
  const std::string& musicFailure() const {
    awaitMusic();
    return musicFailure_;
  }
  // Whether the track's opening has ended (it has once either of the above
  // was asked); it never waits.
  bool musicSettled() const;
  const std::shared_ptr<ui::Button>& startButton() const { return startButton_; }
  const std::shared_ptr<ui::View>& qtFoolingBgView() const { return qtFoolingBgView_; }
  const std::shared_ptr<ui::View>& contentView() const { return contentView_; }
  const std::shared_ptr<ui::View>& backgroundContainer() const { return backgroundContainer_; }
  const std::shared_ptr<OrvRapidTextView>& rapidTextView() const { return rapidTextView_; }
  const std::shared_ptr<OrvFillTextView>& fillTextView() const { return fillTextView_; }
  const std::shared_ptr<OrvBigTextView>& bigTextView() const { return bigTextView_; }
  const std::shared_ptr<ui::Label>& wfLabel() const { return wfLabel_; }
  const std::shared_ptr<OrvBipView>& bipView() const { return bipView_; }
  const std::shared_ptr<OrvOverlayView>& overlayView() const { return overlayView_; }

 protected:
  // The views made in the first steps of construction, before the player.
  // The program always takes makeMembers(); a test hands in effect views that
  // count the cue sheet's calls (their operations are virtual for that).
  struct Members {
    std::shared_ptr<ui::View> qtFoolingBgView;
    std::shared_ptr<ui::View> contentView;
    std::shared_ptr<ui::View> backgroundContainer;
    std::shared_ptr<OrvRapidTextView> rapidTextView;
    std::shared_ptr<OrvFillTextView> fillTextView;
    std::shared_ptr<OrvBigTextView> bigTextView;
    std::shared_ptr<ui::Label> wfLabel;
    std::shared_ptr<OrvBipView> bipView;
    std::shared_ptr<OrvOverlayView> overlayView;
  };
  static Members makeMembers(bool gentle = false);
  explicit ViewController(Members members);

 private:
  static std::shared_ptr<ui::AudioPlayer> makeAudioPlayer(std::string& failure);
  // Takes the opening's outcome, on the main thread, and readies the player.
  void awaitMusic() const;
  static std::shared_ptr<ui::Button> makeStartButton();

  // Scales the stage into a window of `size`.
  void fitStage(ui::Size size);
  // The start screen's text at 24 points, or smaller so that every line
  // fits a window of `size` unbroken.
  void fitStartScreenText(ui::Size size);
  void placeClosingLine();
  void placeFlashDot();
  void runPassageActions(std::int64_t position);

  bool autostart_ = false;
  std::function<void()> showEnded_;
  bool stageFitted_ = false;  // the show has started: resizes refit the stage
  std::int64_t length_ = 1024;
  struct OpenedMusic {
    std::shared_ptr<ui::AudioPlayer> player;
    std::string failure;
  };
  // Valid until awaitMusic() took its outcome into the two fields below,
  // which only the main thread touches.
  mutable std::future<OpenedMusic> opening_;
  // Lets the opening begin: the first frame is on screen, the music is
  // wanted now, or the controller goes. Main thread only.
  void releaseOpening() const;
  mutable std::promise<void> openingReleased_;
  mutable bool released_ = false;
  mutable std::shared_ptr<ui::AudioPlayer> audioPlayer_;
  mutable std::string musicFailure_;
  std::shared_ptr<ui::Button> startButton_;
  std::shared_ptr<ui::View> qtFoolingBgView_;
  std::shared_ptr<ui::View> contentView_;
  std::shared_ptr<ui::View> backgroundContainer_;
  std::shared_ptr<OrvRapidTextView> rapidTextView_;
  std::shared_ptr<OrvFillTextView> fillTextView_;
  std::shared_ptr<OrvBigTextView> bigTextView_;
  std::shared_ptr<ui::Label> wfLabel_;
  std::shared_ptr<OrvBipView> bipView_;
  std::shared_ptr<OrvOverlayView> overlayView_;
};

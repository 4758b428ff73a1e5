#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/Compositor.h"
#include "platform/FramePacer.h"
#include "platform/SoundFollower.h"
#include "ui/AudioPlayer.h"
#include "ui/Window.h"

namespace platform {

// Shows the program's one ui::Window in an SDL2 window with an OpenGL 3.3
// context and runs the event and frame loop for it.
//
// The display clock is SDL's performance counter, with the run loop's now() at
// creation as the origin. A FramePacer picks each frame's display time and the
// show time it pictures: the loop runs the run loop's tasks up to that show
// time, draws the tree as presented then, and swaps. A task due at show time c
// is thus on screen in the first frame that pictures c or later. While music
// plays, the pacer follows where the player says its sound is heard.
class SdlWindowHost : public ui::WindowHost {
 public:
  // SDL's video subsystem must be initialised.
  SdlWindowHost();
  ~SdlWindowHost() override;
  SdlWindowHost(const SdlWindowHost&) = delete;
  SdlWindowHost& operator=(const SdlWindowHost&) = delete;

  // Makes the SDL window, hidden, with its OpenGL context, ahead of the
  // ui::Window it will show: the program does this while its resources are
  // still being checked on other threads. A failure is kept for present().
  void prepare(ui::Size size);
  // Readies the prepared window's drawing (Compositor::warmUp).
  void warmUp();
  // Shows the SDL window (made now, when not prepared) with the ui::Window's
  // frame and draws its first frame. Throws std::runtime_error when no window
  // or no OpenGL 3.3 context can be made.
  void present(ui::Window& window) override;

  // Runs until the window is closed or the user quits; the window then learns
  // that it went away. Returns the process status.
  int run();
  // Ends run() after the current frame.
  void quit() { running_ = false; }

  SDL_Window* sdlWindow() const { return sdlWindow_; }
  // Whether present() opens the window full screen; the user can still leave.
  // Asked once a frame; a non-empty answer ends run() and stays in failure().
  void setFailureCheck(std::function<std::string()> check) { failureCheck_ = std::move(check); }
  const std::string& failure() const { return failure_; }
  void setOpensFullScreen(bool on) { opensFullScreen_ = on; }
  // The window's title; set before prepare() makes the window.
  void setTitle(std::string title) { title_ = std::move(title); }
  // Seconds between the show's cues, for the frame pacer; set before prepare().
  void setCuePeriod(double seconds) { cuePeriod_ = seconds; }
  // Called after each frame is drawn, before it is swapped to the screen,
  // with the window's OpenGL context current: lets a test read the pixels.
  void setFrameDrawn(std::function<void()> observer) { frameDrawn_ = std::move(observer); }
  double refreshRate() const { return refreshRate_; }
  // Seconds of the display clock at this instant.
  double now() const;
  // How far the pictures run behind the display clock so that they reach the
  // viewer together with the music's sound (negative: ahead). 0 until a
  // player starts.
  double videoDelay() const { return pacer_ ? pacer_->videoDelay() : 0; }

 private:
  void handle(const SDL_Event& event);
  void drawFrame(double t);
  void updateScale();
  void updateCursor();
  void toggleFullScreen(bool on);
  bool isFullScreen() const;
  // Applies the last full-screen state F11 or Escape asked for.
  void applyWantedFullScreen();
  void createWindow(ui::Size size);
  // Tells the pacer where the music is: the sync point of a player that has
  // just started, then what that player reports as heard.
  void followAudio();

  std::weak_ptr<ui::View> window_;
  SDL_Window* sdlWindow_ = nullptr;
  SDL_GLContext glContext_ = nullptr;
  std::unique_ptr<Compositor> compositor_;
  std::function<void()> frameDrawn_;
  std::string prepareError_;  // why prepare() made no window
  double origin_ = 0;         // run-loop seconds at counterOrigin_
  std::uint64_t counterOrigin_ = 0;
  double counterFrequency_ = 1;
  double refreshRate_ = 60;  // frames per second of the window's display
  std::unique_ptr<FramePacer> pacer_;
  double cuePeriod_ = 0;
  double swapAt_ = 0;      // display time to start the swap of the frame being drawn
  double lastMotion_ = 0;  // display clock seconds of the last pointer motion
  bool cursorShown_ = true;
  bool opensFullScreen_ = false;
  std::function<std::string()> failureCheck_;
  std::string failure_;
  // Asked for by keys and not yet applied; when the last change was made
  // (seconds of now()).
  std::optional<bool> wantedFullScreen_;
  double lastFullScreenChange_ = -1e9;
  std::optional<bool> managed_;  // whether a window manager takes full-screen requests
  bool ownFullScreen_ = false;   // full screen made by the shell itself, with no manager
  SDL_Rect windowed_{};          // the window's frame before the shell made it full screen
  std::string title_ = "you are invited";
  bool minimized_ = false;
  bool pressed_ = false;
  bool running_ = false;
  bool warmingUp_ = true;  // Compositor::warmUpNext() has steps left
  SoundFollower follower_;
};

}  // namespace platform

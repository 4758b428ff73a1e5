#pragma once

#include <string>

#include "ui/Application.h"

namespace platform {

// What the program and its user ask of the shell.
struct ShellOptions {
  bool fullScreen = false;
  std::string title = "you are invited";  // the window's
  // Seconds between the show's cues: a slow frame never leaps over one unseen
  // (FramePacer::setCuePeriod). 0 keeps no cue grid.
  double cuePeriod = 0;
};

// Runs the application on SDL2: sets the main screen from the display, makes
// the delegate, calls its launch operation and runs the event and frame loop
// until the window closes or the user quits. Returns the process status. With
// no display it says so in one line on standard error and returns non-zero.
int applicationMain(int argc, char** argv, const ui::DelegateFactory& delegateFactory,
                    const ShellOptions& options = {});

}  // namespace platform

#include "app/AppDelegate.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "show/ViewController.h"
#include "ui/Font.h"
#include "ui/Screen.h"

void AppDelegate::checkFonts() {
  for (const std::string& path : ui::Font::facePaths()) {
    if (!ui::FontFace::open(path)) {
      std::error_code error;
      const bool exists = std::filesystem::exists(path, error);
      std::fprintf(stderr, "invited: cannot read the font %s: %s\n", path.c_str(),
                   exists ? "not a font file that can be read" : "no such file");
      std::exit(1);
    }
  }
}

bool AppDelegate::didFinishLaunchingWithOptions(const ui::LaunchOptions&) {
  // Every resource is checked before the window is shown: the faces here
  // (they stay open, shared by every font made later), the track by the
  // controller.
  checkFonts();
  const ui::Rect bounds = ui::Screen::main().bounds();
  window_ = std::make_shared<ui::Window>(bounds);
  // The first controller builds every view and the music player; a missing
  // or unplayable track ends the process there, before the window is shown.
  const bool gentle = options_.gentle;
  venue_ = std::make_unique<VenueMode>(
      window_, [gentle] { return std::make_shared<ViewController>(gentle); }, options_.autostart,
      options_.loop);
  venue_->begin();
  return true;
}

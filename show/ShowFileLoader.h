#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "content/ShowProblem.h"
#include "content/ShowSettings.h"

// Reads an organiser's show file from disk and checks all of it before any
// window: its form (content::ShowFile), its texts against the fonts
// (content::ShowFileCheck) and its music, through the audio player that the
// program installed (ui::AudioPlayer::setFactory): the live program's
// decodes the sound, the renderer's opens the file.
class ShowFileLoader {
 public:
  // The show runs 64 seconds; shorter music ends before the picture does.
  static constexpr double kShowLength = 64;

  struct Outcome {
    content::ShowSettings settings;
    std::vector<content::ShowProblem> problems;  // errors and warnings, in the file's order
    bool accepted() const;                       // no errors, warnings allowed
  };

  static Outcome load(const std::string& path);

  // Each problem on a line of its own.
  static void print(const Outcome& outcome, std::ostream& out);
};

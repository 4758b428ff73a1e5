#pragma once

#include "content/ShowFile.h"

namespace content {

// The checks of a show file that need the show's fonts: every character a
// text shows must be in the face that draws it, and every word and phrase
// must fit the stage at its effect's smallest size (StageText). Reports
// into the file, at the place each text was written.
class ShowFileCheck {
 public:
  static void run(ShowFile& file);
};

}  // namespace content

#include <cstdio>
#include <string_view>

#include "app/AppDelegate.h"
#include "platform/ApplicationMain.h"
#include "platform/media/MediaAudioPlayer.h"

int main(int argc, char** argv) {
  bool gentle = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--gentle") {
      gentle = true;
    } else {
      std::fprintf(stderr,
                   "invited: unknown option '%s' (--gentle plays the show with its flashes "
                   "kept under three a second)\n",
                   argv[i]);
      return 2;
    }
  }
  platform::MediaAudioPlayer::install();
  return platform::applicationMain(argc, argv,
                                   [gentle] { return std::make_shared<AppDelegate>(gentle); });
}

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/media/PlayerFactory.h"
#include "ui/AudioPlayer.h"

namespace {

bool mapped(const std::string& library) {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find(library) != std::string::npos;
}

}  // namespace

// The show starts with none of FFmpeg's libraries; the first player loads
// them and plays the track through them. Neither side sees the other's names:
// the libraries keep theirs to themselves, and the program's stand-ins for
// them are its own.
TEST(FfmpegOnDemand, LoadsWithTheFirstPlayerAndKeepsItsNamesApart) {
  EXPECT_FALSE(mapped("libavformat.so"));
  EXPECT_FALSE(mapped("libavcodec.so"));
  platform::installPlayerFactory();
  EXPECT_FALSE(mapped("libavformat.so"));

  std::string error;
  auto player = ui::AudioPlayer::createWithContentsOfURL(INVITED_TRACK_PATH, error);
  ASSERT_TRUE(player) << error;
  EXPECT_TRUE(mapped("libavformat.so"));
  EXPECT_GE(player->duration(), 64.0);
  EXPECT_LE(player->duration(), 68.0);

  EXPECT_EQ(dlsym(RTLD_DEFAULT, "avformat_open_input"), nullptr);
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "av_frame_alloc"), nullptr);

  // A file that is no music still fails as such, through the loaded libraries.
  auto none = ui::AudioPlayer::createWithContentsOfURL(
      std::string(INVITED_FINDINGS_DIR) + "/flac_rate_475khz_slow.flac", error);
  EXPECT_FALSE(none);
  EXPECT_FALSE(error.empty());
}

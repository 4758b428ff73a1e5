#include <gtest/gtest.h>

#include <string>

#include "platform/MediaModule.h"
#include "ui/AudioPlayer.h"
#include "ui/RunLoop.h"

using platform::MediaModule;

// The module's player runs on this executable's toolkit: the time it reads
// and the sync point it publishes are the ones the frame loop sees. A module
// carrying a toolkit of its own would publish where nobody looks.
TEST(MediaModule, PlayersShareTheProgramsRunLoopAndSyncPoint) {
  MediaModule::install("probe", INVITED_MEDIA_MODULE_PATH);
  std::string error;
  auto player = ui::AudioPlayer::createWithContentsOfURL(INVITED_TRACK_PATH, error);
  ASSERT_TRUE(player) << error;
  EXPECT_GT(player->duration(), 60.0);
  ASSERT_TRUE(player->prepareToPlay());
  ui::RunLoop::main().reset(7.25);
  ASSERT_TRUE(player->play());
  auto sync = ui::AudioPlayer::syncPoint();
  ASSERT_TRUE(sync);
  EXPECT_EQ(sync->runLoopTime, 7.25);
  EXPECT_EQ(sync->player.lock(), player);
  player->stop();
  ui::RunLoop::main().reset();
}

// A missing module is the program's own test (tests/show/ProgramTest.cpp).
struct BrokenModule {
  const char* name;
  std::string path;
  std::string reason;  // a regular expression for the text after the path
};

class MediaModuleFailure : public ::testing::TestWithParam<BrokenModule> {};

// The first player asked for ends the process with one line naming the file.
TEST_P(MediaModuleFailure, EndsTheProcessWithOneLine) {
  const BrokenModule& broken = GetParam();
  EXPECT_EXIT(
      {
        MediaModule::install("probe", broken.path);
        std::string error;
        ui::AudioPlayer::createWithContentsOfURL(INVITED_TRACK_PATH, error);
      },
      ::testing::ExitedWithCode(1), "^probe: cannot load [^\n]*: " + broken.reason + "\n$");
}

INSTANTIATE_TEST_SUITE_P(Modules, MediaModuleFailure,
                         ::testing::Values(BrokenModule{"NotALibrary", INVITED_TRACK_PATH,
                                                        "[^\n]*(invalid ELF|too short)[^\n]*"},
                                           BrokenModule{"WithoutTheEntryPoint", "libm.so.6",
                                                        "it has no invited_media_factory"}),
                         [](const auto& test) { return std::string(test.param.name); });

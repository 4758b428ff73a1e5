#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "MediaFixtures.h"
#include "platform/media/MediaAudioPlayer.h"
#include "ui/AudioPlayer.h"
#include "ui/RunLoop.h"

using platform::MediaAudioPlayer;

namespace {

// SDL reads the audio driver's name when a player's device starts; each
// test runs in its own process.
void useAudioDriver(const char* name) {
  setenv("SDL_AUDIODRIVER", name, 1);
}

// The audio thread runs in real time: wait for it, but never forever.
template <typename Condition>
bool waitFor(Condition condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::shared_ptr<MediaAudioPlayer> makePlayer(const MediaFixtures& files, double seconds) {
  std::string error;
  auto player = MediaAudioPlayer::create(files.toneFile("tone.m4a", seconds, 0.1), error);
  EXPECT_TRUE(player) << error;
  return player;
}

}  // namespace

// Made through the toolkit, as the show makes it.
TEST(MediaAudioPlayer, WithoutAnAudioDevicePlayFailsAndNothingChanges) {
  useAudioDriver("no-such-driver");
  MediaFixtures files;
  MediaAudioPlayer::install();
  std::string error;
  auto made = ui::AudioPlayer::createWithContentsOfURL(files.toneFile("a.m4a", 1.0, 0.1), error);
  ui::AudioPlayer::setFactory(nullptr);
  auto player = std::dynamic_pointer_cast<MediaAudioPlayer>(made);
  ASSERT_TRUE(player);
  ui::AudioPlayer::clearSyncPoint();
  player->stop();
  player->prepareToPlay();  // the answer comes with play()
  EXPECT_FALSE(player->play());
  EXPECT_FALSE(player->prepareToPlay()) << "a failed device is not asked again";
  // Nothing plays, so there is nothing for the pictures to wait for.
  EXPECT_FALSE(ui::AudioPlayer::syncPoint());
  EXPECT_FALSE(player->isPlaying());
  EXPECT_DOUBLE_EQ(player->currentTime(), 0.0);
  EXPECT_NE(player->deviceError().find("no audio"), std::string::npos) << player->deviceError();
}

TEST(MediaAudioPlayer, PlaysTellsWhereItsSoundIsAndStops) {
  useAudioDriver("dummy");
  MediaFixtures files;
  auto player = makePlayer(files, 3.0);
  ASSERT_TRUE(player);
  player->stop();  // before any play: harmless
  ASSERT_TRUE(player->prepareToPlay()) << player->deviceError();
  EXPECT_GT(player->outputLatency(), 0.0);
  EXPECT_LT(player->outputLatency(), 0.5);
  ui::RunLoop::main().reset(12.5);
  const double before =
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  ASSERT_TRUE(player->play());
  EXPECT_TRUE(player->isPlaying());
  // The first sample is heard one output latency after play(), at the run
  // loop's time of the call.
  auto sync = ui::AudioPlayer::syncPoint();
  ASSERT_TRUE(sync);
  EXPECT_EQ(sync->runLoopTime, 12.5);
  EXPECT_GE(sync->heardAt, before + player->outputLatency());
  ui::RunLoop::main().reset();
  ASSERT_TRUE(waitFor([&] { return player->currentTime() > 0.05; }));
  // What is heard now was consumed by the output at least a latency ago.
  auto heard = player->heardPosition();
  ASSERT_TRUE(heard);
  EXPECT_GT(heard->fileTime, 0.0);
  EXPECT_LE(heard->fileTime, heard->heardAt - sync->heardAt + 0.001);
  player->stop();
  EXPECT_FALSE(player->isPlaying());
  EXPECT_FALSE(player->heardPosition());
  EXPECT_GT(player->currentTime(), 0.05);
  EXPECT_LT(player->currentTime(), 3.0);
  // Decoding happened off the audio thread.
  std::thread::id audioThread = player->callbackThread();
  EXPECT_NE(audioThread, std::this_thread::get_id());
  ASSERT_FALSE(player->decodeThreads().empty());
  for (auto decoder : player->decodeThreads()) {
    EXPECT_NE(decoder, audioThread);
  }
}

TEST(MediaAudioPlayer, PlaysOnceToTheEndAndAgainFromTheTop) {
  useAudioDriver("dummy");
  MediaFixtures files;
  auto player = makePlayer(files, 0.3);
  ASSERT_TRUE(player);
  ASSERT_TRUE(player->play()) << player->deviceError();
  ASSERT_TRUE(waitFor([&] { return !player->isPlaying(); }));
  EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
  EXPECT_FALSE(player->heardPosition());
  // Played to its end, it plays again from the top.
  ASSERT_TRUE(player->play());
  ASSERT_TRUE(waitFor([&] {
    auto heard = player->heardPosition();
    return heard && heard->fileTime > 0.1;
  }));
}

// An hour of sound: the worker keeps only the ring's worth ahead of the
// output, and the first samples play long before the rest is decoded.
TEST(MediaAudioPlayer, LongTrackIsDecodedOnlyAheadOfTheOutput) {
  useAudioDriver("dummy");
  MediaFixtures files;
  std::string error;
  auto player = MediaAudioPlayer::create(files.wavFile("hour.wav", 1, 8000, 3600.0, 1.0), error);
  ASSERT_TRUE(player) << error;
  EXPECT_DOUBLE_EQ(player->duration(), 3600.0);
  ASSERT_TRUE(
      waitFor([&] { return player->feed().bufferedFrames() == player->feed().bufferCapacity(); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  const std::size_t second = MediaAudioPlayer::sampleRate;
  EXPECT_LE(player->feed().decodedFrames(), player->feed().bufferCapacity() + second);
  ASSERT_TRUE(player->play()) << player->deviceError();
  ASSERT_TRUE(waitFor([&] {
    auto heard = player->heardPosition();
    return heard && heard->fileTime > 0.2;
  }));
  EXPECT_LT(player->feed().decodedFrames(), 10 * second);
  player->stop();
}

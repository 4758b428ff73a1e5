#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "MediaFixtures.h"
#include "platform/media/AudioDecoder.h"
#include "platform/media/MediaAudioPlayer.h"
#include "platform/media/SimulatedAudioOutput.h"
#include "ui/AudioPlayer.h"
#include "ui/RunLoop.h"

using platform::MediaAudioPlayer;
using platform::SimulatedAudioOutput;

namespace {

constexpr int kBlock = 1024;
constexpr double kBlockSeconds = kBlock / 48000.0;

// The player on an output the test drives, the worker given its turn before
// each block: every time and position is exact.
class SimulatedPlayer : public ::testing::Test {
 protected:
  std::shared_ptr<MediaAudioPlayer> make(const std::string& path) {
    std::string error;
    auto player = MediaAudioPlayer::create(path, error, [this](auto render) {
      auto made = std::make_unique<SimulatedAudioOutput>(std::move(render), kBlock);
      output = made.get();
      return made;
    });
    EXPECT_TRUE(player) << error;
    return player;
  }
  void playBlocks(const MediaAudioPlayer& player, int blocks) {
    for (int i = 0; i < blocks; ++i) {
      player.feed().waitForSound(kBlock);
      output->play();
    }
  }
  void TearDown() override {
    ui::AudioPlayer::clearSyncPoint();
    ui::RunLoop::main().reset();
  }

  MediaFixtures files;
  SimulatedAudioOutput* output = nullptr;  // owned by the player
};

}  // namespace

// A block rendered at t is heard at t plus two blocks: so many blocks in,
// the position heard is two blocks behind what the output took.
TEST_F(SimulatedPlayer, TellsWhereItsSoundIsThroughAStallAndStops) {
  auto player = make(files.toneFile("tone.m4a", 3.0, 0.1));
  ASSERT_TRUE(player);
  player->stop();  // before any play: harmless
  ASSERT_TRUE(player->prepareToPlay());
  EXPECT_DOUBLE_EQ(player->outputLatency(), 2 * kBlockSeconds);
  EXPECT_EQ(player->delaySource(), "modelled: two blocks");
  output->stall(100.0);
  ui::RunLoop::main().reset(12.5);
  ASSERT_TRUE(player->play());
  EXPECT_TRUE(player->isPlaying());
  // The first sample is heard one output latency after play(), at the run
  // loop's time of the call.
  auto sync = ui::AudioPlayer::syncPoint();
  ASSERT_TRUE(sync);
  EXPECT_EQ(sync->runLoopTime, 12.5);
  EXPECT_DOUBLE_EQ(sync->heardAt, 100.0 + 2 * kBlockSeconds);
  EXPECT_FALSE(player->heardPosition()) << "nothing given out yet";

  playBlocks(*player, 10);
  auto heard = player->heardPosition();
  ASSERT_TRUE(heard);
  EXPECT_NEAR(heard->fileTime, 8 * kBlockSeconds, 1e-9);
  EXPECT_DOUBLE_EQ(heard->heardAt, output->now());

  // The whole process stalls: the output plays out its ten blocks and the
  // position waits at their end; what comes next is heard a latency later.
  output->stall(5.0);
  const double resumed = output->now();
  heard = player->heardPosition();
  EXPECT_NEAR(heard->fileTime, 10 * kBlockSeconds, 1e-9);
  EXPECT_NEAR(heard->heardAt, resumed + 2 * kBlockSeconds, 1e-9);
  playBlocks(*player, 1);
  heard = player->heardPosition();
  EXPECT_NEAR(heard->fileTime, 10 * kBlockSeconds, 1e-9) << "held until the next block is heard";
  EXPECT_NEAR(heard->heardAt, resumed + 2 * kBlockSeconds, 1e-9);
  playBlocks(*player, 2);
  EXPECT_NEAR(player->heardPosition()->fileTime, 11 * kBlockSeconds, 1e-9);

  player->stop();
  EXPECT_FALSE(player->isPlaying());
  EXPECT_FALSE(player->heardPosition());
  EXPECT_NEAR(player->currentTime(), 11 * kBlockSeconds, 1e-9);
  EXPECT_EQ(output->play(3), 0u) << "a stopped player's output renders nothing";
  EXPECT_NEAR(player->currentTime(), 11 * kBlockSeconds, 1e-9);
}

// A sound server reports how much is queued ahead of each block, and the
// report changes while the show plays: the heard position follows the latest
// report, jumping ahead when less is queued, and holding (never going back)
// when more is, until the later sound is heard.
TEST_F(SimulatedPlayer, FollowsTheLatestReportedDelay) {
  auto player = make(files.toneFile("tone.m4a", 3.0, 0.1));
  ASSERT_TRUE(player);
  ASSERT_TRUE(player->prepareToPlay());
  output->stall(100.0);
  output->reportDelay(3 * kBlockSeconds);
  EXPECT_EQ(player->delaySource(), "reported by the simulated output");
  EXPECT_DOUBLE_EQ(player->outputLatency(), 3 * kBlockSeconds);
  const double start = output->now();
  ASSERT_TRUE(player->play());
  EXPECT_DOUBLE_EQ(ui::AudioPlayer::syncPoint()->heardAt, start + 3 * kBlockSeconds);
  playBlocks(*player, 10);
  EXPECT_NEAR(player->heardPosition()->fileTime, 7 * kBlockSeconds, 1e-9);

  // Less queued: block 10 is heard half a block after its render.
  output->reportDelay(0.5 * kBlockSeconds);
  playBlocks(*player, 1);
  auto heard = player->heardPosition();
  EXPECT_NEAR(heard->fileTime, 10.5 * kBlockSeconds, 1e-9);
  EXPECT_DOUBLE_EQ(heard->heardAt, output->now());

  // More queued (the server refilled its buffer after an underrun): block 11
  // is heard four blocks after its render; until then the end of block 10
  // stands, and is said to be heard when block 11 is.
  output->reportDelay(4 * kBlockSeconds);
  playBlocks(*player, 1);
  heard = player->heardPosition();
  EXPECT_NEAR(heard->fileTime, 11 * kBlockSeconds, 1e-9);
  EXPECT_NEAR(heard->heardAt, start + 15 * kBlockSeconds, 1e-9);
  playBlocks(*player, 4);
  EXPECT_NEAR(player->heardPosition()->fileTime, 12 * kBlockSeconds, 1e-9);

  // A stall of the whole process: what comes next is heard the latest
  // reported delay after it.
  output->stall(2.0);
  heard = player->heardPosition();
  EXPECT_NEAR(heard->fileTime, 16 * kBlockSeconds, 1e-9);
  EXPECT_NEAR(heard->heardAt, output->now() + 4 * kBlockSeconds, 1e-9);
  EXPECT_DOUBLE_EQ(player->outputLatency(), 4 * kBlockSeconds);
}

// The track ends in the block that gives its last frames, and a second play
// starts from its first sample.
TEST_F(SimulatedPlayer, PlaysOnceToTheEndInOrderAndAgainFromTheTop) {
  const std::string path = files.toneFile("tone.m4a", 0.3, 0.1);
  platform::AudioDecoder reference;
  std::string error;
  ASSERT_TRUE(reference.decodeFile(path, error)) << error;
  const std::size_t total = reference.frames();
  auto player = make(path);
  ASSERT_TRUE(player);
  ASSERT_TRUE(player->play());
  std::size_t blocks = 0;
  for (; player->isPlaying(); ++blocks) {
    ASSERT_LT(blocks, 100u) << "the track never ends";
    playBlocks(*player, 1);
  }
  EXPECT_EQ(blocks, total / kBlock + 1);
  EXPECT_DOUBLE_EQ(player->duration(), static_cast<double>(total) / 48000);
  EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
  EXPECT_FALSE(player->heardPosition());

  ASSERT_TRUE(player->play());
  playBlocks(*player, 3);
  EXPECT_TRUE(std::equal(output->lastBlock().begin(), output->lastBlock().end(),
                         reference.samples().begin() + 2 * 2 * kBlock));
  EXPECT_NEAR(player->heardPosition()->fileTime, kBlockSeconds, 1e-9);
}

// An hour of sound: the worker keeps only the ring's worth ahead of the
// output, however far the output has gone.
TEST_F(SimulatedPlayer, LongTrackIsDecodedOnlyAheadOfTheOutput) {
  auto player = make(files.wavFile("hour.wav", 1, 8000, 3600.0, 1.0));
  ASSERT_TRUE(player);
  EXPECT_DOUBLE_EQ(player->duration(), 3600.0);
  const auto& feed = player->feed();
  const std::size_t second = MediaAudioPlayer::sampleRate;
  ASSERT_TRUE(player->play());
  for (int step = 0; step < 5; ++step) {
    feed.waitForSound(feed.bufferCapacity());
    EXPECT_EQ(feed.bufferedFrames(), feed.bufferCapacity());
    EXPECT_LE(feed.decodedFrames(), feed.consumedFrames() + feed.bufferCapacity() + second);
    playBlocks(*player, 50);
  }
  EXPECT_EQ(feed.consumedFrames(), 250u * kBlock);
  EXPECT_NEAR(player->heardPosition()->fileTime, 248 * kBlockSeconds, 1e-9);
}

TEST(MediaAudioPlayer, WithoutAnAudioDevicePlayFailsAndNothingChanges) {
  // SDL reads the driver's name when a device opens; each test has a process.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  MediaFixtures files;
  // Made through the toolkit, as the show makes it.
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

// The wiring to SDL's real output, on its dummy driver in real time: sound
// reaches the output's thread, and nothing is decoded there. How long that
// takes decides nothing; the test's time limit catches an output that never
// runs.
TEST(MediaAudioPlayer, OnSdlsDummyDriverPlaysOffTheDecodingThreads) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  MediaFixtures files;
  std::string error;
  auto player = MediaAudioPlayer::create(files.toneFile("tone.m4a", 3.0, 0.1), error);
  ASSERT_TRUE(player) << error;
  ASSERT_TRUE(player->prepareToPlay()) << player->deviceError();
  EXPECT_GT(player->outputLatency(), 0.0);
  ASSERT_TRUE(player->play()) << player->deviceError();
  while (player->currentTime() <= 0.0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  player->stop();
  EXPECT_GT(player->currentTime(), 0.0);
  std::thread::id audioThread = player->callbackThread();
  EXPECT_NE(audioThread, std::thread::id());
  EXPECT_NE(audioThread, std::this_thread::get_id());
  ASSERT_FALSE(player->decodeThreads().empty());
  for (auto decoder : player->decodeThreads()) {
    EXPECT_NE(decoder, audioThread);
  }
  ui::AudioPlayer::clearSyncPoint();
}

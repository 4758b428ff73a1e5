#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "MediaFixtures.h"
#include "platform/media/PulseAudioOutput.h"
#include "platform/media/SystemAudioOutput.h"

using platform::PulseAudioOutput;
using platform::SystemAudioOutput;

namespace {

// What the output asked for: blocks, and whether any was said to be heard
// ten seconds or more away from when it was asked for: a time on another
// clock (an idle server may rightly report seconds, so no closer bound).
struct Renders {
  std::atomic<int> blocks{0};
  std::atomic<bool> heardOffClock{false};
  std::atomic<std::thread::id> thread{};
  const platform::AudioOutput* output = nullptr;
  // How far ahead of its render the block numbered `watched` is heard.
  std::atomic<int> watched{-1};
  std::atomic<double> watchedAhead{-1};

  platform::AudioOutput::Render function() {
    return [this](float* out, int frames, double heardAt) {
      std::fill(out, out + 2 * frames, 0.0f);
      if (output != nullptr && std::fabs(heardAt - output->now()) >= 10.0) {
        heardOffClock = true;
      }
      if (output != nullptr && blocks.load() == watched.load()) {
        watchedAhead = heardAt - output->now();
      }
      thread = std::this_thread::get_id();
      ++blocks;
    };
  }
};

}  // namespace

// SDL_AUDIODRIVER naming a driver of SDL's own is honoured; with no server to
// answer, SDL's device plays with its model, and says so.
TEST(SystemAudioOutput, WithoutASoundServerPlaysOnSdlsModelAndSaysSo) {
  setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
  EXPECT_EQ(SystemAudioOutput::choiceFromEnvironment(), SystemAudioOutput::Choice::ServerFirst);
  unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(SystemAudioOutput::choiceFromEnvironment(), SystemAudioOutput::Choice::ServerFirst);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_EQ(SystemAudioOutput::choiceFromEnvironment(), SystemAudioOutput::Choice::SdlOnly);

  MediaFixtures files;
  setenv("PULSE_SERVER", ("unix:" + files.path("no-server")).c_str(), 1);
  Renders renders;
  SystemAudioOutput output(renders.function(), SystemAudioOutput::Choice::ServerFirst);
  std::string error;
  ASSERT_TRUE(output.open(error)) << error;
  const std::string source = output.delaySource();
  EXPECT_EQ(source.rfind("modelled: two blocks of ", 0), 0u) << source;
  EXPECT_NE(source.find("no sound server"), std::string::npos) << source;
  EXPECT_GT(output.latency(), 0.0);
  output.close();
  EXPECT_FALSE(output.isOpen());
}

// A socket that takes the connection and never answers, as a hung server
// would: opening gives up by itself, and with no other output the reason
// names both.
TEST(SystemAudioOutput, AServerThatNeverAnswersIsGivenUp) {
  MediaFixtures files;
  const std::string socketPath = files.path("silent.socket");
  int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  setenv("PULSE_SERVER", ("unix:" + socketPath).c_str(), 1);

  Renders renders;
  PulseAudioOutput server(renders.function());
  std::string error;
  EXPECT_FALSE(server.open(error));
  EXPECT_NE(error.find("none answered"), std::string::npos) << error;
  EXPECT_FALSE(server.isOpen());

  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  SystemAudioOutput output(renders.function(), SystemAudioOutput::Choice::ServerFirst);
  error.clear();
  EXPECT_FALSE(output.open(error));
  EXPECT_NE(error.find("no audio driver"), std::string::npos) << error;
  EXPECT_NE(error.find("none answered"), std::string::npos) << error;
  EXPECT_EQ(renders.blocks.load(), 0);
  close(listener);
}

// The wiring to a real server: a private PulseAudio daemon on a null sink,
// as bench/LiveTimingBench.sh --null-sink starts it. Blocks are asked for on
// the output's own thread, with heard times on the output's clock, and none
// once paused; after a stall, the delay read from outside is the one the
// next block gets. How long anything takes decides nothing; the test's time
// limit catches an output that never asks.
TEST(PulseAudioOutput, OnAPrivateServerRendersOnItsThreadWithTheReportedDelay) {
  if (std::system("command -v pulseaudio >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "pulseaudio is not installed";
  }
  MediaFixtures files;
  const std::string socketPath = files.path("pulse.socket");
  {
    std::ofstream script(files.path("pulse.pa"));
    script << "load-module module-null-sink sink_name=test\n"
           << "load-module module-native-protocol-unix socket=" << socketPath
           << " auth-anonymous=1\n"
           << "set-default-sink test\n";
  }
  const std::string folder = std::filesystem::path(socketPath).parent_path().string();
  const pid_t daemon = fork();
  ASSERT_GE(daemon, 0);
  if (daemon == 0) {
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    const std::string script = folder + "/pulse.pa";
    execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
           "--use-pid-file=no", "--log-target=stderr", "--log-level=error", "-F", script.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  while (!std::filesystem::exists(socketPath)) {
    int status = 0;
    if (waitpid(daemon, &status, WNOHANG) == daemon) {
      GTEST_SKIP() << "the private sound daemon did not start";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  setenv("PULSE_SERVER", ("unix:" + socketPath).c_str(), 1);

  {
    Renders renders;
    SystemAudioOutput output(renders.function(), SystemAudioOutput::Choice::ServerFirst);
    renders.output = &output;
    std::string error;
    ASSERT_TRUE(output.open(error)) << error;
    EXPECT_EQ(output.delaySource().rfind("reported by the sound server", 0), 0u)
        << output.delaySource();
    EXPECT_EQ(renders.blocks.load(), 0) << "paused until resumed";
    output.setPaused(false);
    while (renders.blocks.load() < 10) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    // A stall: the output's thread cannot write, so the server plays out
    // what it has and runs dry. The delay read meanwhile must be the one
    // the first block written after the stall is given: the device's
    // alone, not what was queued before the stall.
    double duringStall = 0;
    output.locked([&] {
      renders.watched = renders.blocks.load();
      double before = output.latency();
      for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        duringStall = output.latency();
        if (duringStall == before) {
          break;
        }
        before = duringStall;
      }
      // Give a starved server time to read out what it was given.
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      EXPECT_EQ(output.latency(), duringStall);
    });
    while (renders.watchedAhead.load() < 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NEAR(renders.watchedAhead.load(), duringStall, 0.003);

    output.setPaused(true);
    int blocks = 0;
    output.locked([&] { blocks = renders.blocks.load(); });
    EXPECT_NE(renders.thread.load(), std::this_thread::get_id());
    EXPECT_FALSE(renders.heardOffClock.load());
    output.close();
    EXPECT_EQ(renders.blocks.load(), blocks) << "nothing is asked for once paused";
  }
  kill(daemon, SIGTERM);
  waitpid(daemon, nullptr, 0);
}

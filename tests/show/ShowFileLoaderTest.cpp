#include "show/ShowFileLoader.h"

#include "ShowTestSupport.h"

// The whole check of a show file on disk, with a player factory that stands
// for the program's: "noise" cannot be played and "short" lasts 42.5 s.
namespace {

class Loader : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    ui::AudioPlayer::setFactory([this](const std::string& path, std::string& error) {
      struct Player : FakeAudioPlayer {
        Player(FakeAudio& calls, double seconds) : FakeAudioPlayer(calls), seconds_(seconds) {}
        double duration() const override { return seconds_; }
        double seconds_;
      };
      std::shared_ptr<ui::AudioPlayer> player;
      if (path.find("noise") != std::string::npos) {
        error = "no audio stream in " + path;
      } else {
        player =
            std::make_shared<Player>(audio, path.find("short") != std::string::npos ? 42.5 : 90);
      }
      return player;
    });
  }
};

TEST_F(Loader, TellsTheOneProblemOfAFileOrItsMusicAtItsPlace) {
  std::ofstream(resources_ / "noise.mp3") << "not music";
  std::ofstream(resources_ / "short.mp3") << "stands for music";
  std::filesystem::create_directory(resources_ / "folder.mp3");
  const std::string show = (resources_ / "show.toml").string();
  auto music = [&](const char* name) { return "the music '" + (resources_ / name).string() + "'"; };
  struct Case {
    std::string path, text, says;
    bool accepted = false;
  };
  for (const Case& c : std::vector<Case>{
           {show, "\n\nmusic = \"gone.mp3\"",
            ":3:9: error: " + music("gone.mp3") + " does not exist"},
           {show, "music = \"noise.mp3\"",
            ":1:9: error: " + music("noise.mp3") + " cannot be played: no audio stream"},
           {show, "music = \"folder.mp3\"",
            ":1:9: error: " + music("folder.mp3") + " is not a file"},
           {show, "music = \"short.mp3\"",
            ":1:9: warning: " + music("short.mp3") + " lasts 42.5 s, less than the show's 64 s",
            true},
           {(resources_ / "none.toml").string(), "",
            ":1:1: error: cannot read the show file: no such file"},
           {resources_.string(), "", ":1:1: error: cannot read the show file: not a regular file"},
           {(resources_ / "huge.toml").string(), std::string(5'000'000, ' '),
            ":1:1: error: the file has 5000000 bytes; allowed: a show file of at most 65536"}}) {
    if (!c.text.empty()) {
      std::ofstream(c.path, std::ios::binary) << c.text;
    }
    auto outcome = ShowFileLoader::load(c.path);
    EXPECT_EQ(outcome.accepted(), c.accepted) << c.says;
    ASSERT_EQ(outcome.problems.size(), 1u) << c.says;
    EXPECT_EQ(outcome.problems[0].describe().rfind(c.path + c.says, 0), 0u)
        << outcome.problems[0].describe();
  }
}

}  // namespace

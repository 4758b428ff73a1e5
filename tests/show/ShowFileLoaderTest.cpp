#include "show/ShowFileLoader.h"

#include "ShowTestSupport.h"

// The whole check of a show file on disk, with a player factory that stands
// for the program's: it fails for files it calls undecodable and tells a
// length of its own.
namespace {

class Loader : public ShowTest {
 protected:
  void SetUp() override {
    ShowTest::SetUp();
    ui::AudioPlayer::setFactory([this](const std::string& path, std::string& error) {
      std::shared_ptr<ui::AudioPlayer> none;
      if (path.find("noise") != std::string::npos) {
        error = "no audio stream in " + path;
        return none;
      }
      struct Player : FakeAudioPlayer {
        Player(FakeAudio& calls, double seconds) : FakeAudioPlayer(calls), seconds_(seconds) {}
        double duration() const override { return seconds_; }
        double seconds_;
      };
      return std::shared_ptr<ui::AudioPlayer>(std::make_shared<Player>(audio, length));
    });
  }

  std::string write(const std::string& name, const std::string& text) {
    const auto path = resources_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  static std::vector<std::string> lines(const ShowFileLoader::Outcome& outcome) {
    std::vector<std::string> all;
    for (const auto& p : outcome.problems) {
      all.push_back(p.describe());
    }
    return all;
  }

  double length = 90;
};

TEST_F(Loader, AGoodFileGivesItsSettingsWithTheMusicBesideIt) {
  write("song.mp3", "stands for music");
  auto outcome =
      ShowFileLoader::load(write("show.toml", "party = \"a party\"\nmusic = \"song.mp3\""));
  EXPECT_TRUE(outcome.accepted());
  EXPECT_TRUE(outcome.problems.empty());
  EXPECT_EQ(outcome.settings.music, (resources_ / "song.mp3").string());
  EXPECT_EQ(outcome.settings.party, "a party");
}

TEST_F(Loader, MusicThatIsMissingUnplayableOrNotAFileIsRefusedWhereItIsNamed) {
  write("noise.mp3", "not music");
  std::filesystem::create_directory(resources_ / "folder.mp3");
  for (const auto& [music, what] : {std::pair{"gone.mp3", "does not exist"},
                                    std::pair{"noise.mp3", "cannot be played: no audio stream"},
                                    std::pair{"folder.mp3", "is not a file"}}) {
    const std::string path = write("show.toml", std::string("\n\nmusic = \"") + music + "\"\n");
    auto outcome = ShowFileLoader::load(path);
    EXPECT_FALSE(outcome.accepted()) << music;
    ASSERT_EQ(outcome.problems.size(), 1u) << music;
    const std::string line = outcome.problems[0].describe();
    EXPECT_EQ(line.rfind(path + ":3:9: error: the music", 0), 0u) << line;
    EXPECT_NE(line.find(what), std::string::npos) << line;
  }
}

TEST_F(Loader, ShortMusicIsAWarningAndTheShowStillPlays) {
  length = 42.5;
  write("short.mp3", "stands for music");
  auto outcome = ShowFileLoader::load(write("show.toml", "music = \"short.mp3\""));
  EXPECT_TRUE(outcome.accepted());
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_NE(outcome.problems[0].describe().find(":1:9: warning: the music '" +
                                                (resources_ / "short.mp3").string() +
                                                "' lasts 42.5 s, less than the show's 64 s"),
            std::string::npos)
      << outcome.problems[0].describe();
}

TEST_F(Loader, AFileThatCannotBeReadOrIsHugeIsRefusedUnparsed) {
  auto missing = ShowFileLoader::load((resources_ / "none.toml").string());
  ASSERT_EQ(lines(missing).size(), 1u);
  EXPECT_NE(lines(missing)[0].find("none.toml:1:1: error: cannot read the show file: no such file"),
            std::string::npos);
  auto folder = ShowFileLoader::load(resources_.string());
  EXPECT_NE(lines(folder)[0].find("not a regular file"), std::string::npos);
  auto huge = ShowFileLoader::load(write("huge.toml", std::string(5'000'000, ' ')));
  ASSERT_EQ(lines(huge).size(), 1u);
  EXPECT_NE(
      lines(huge)[0].find("the file has 5000000 bytes; allowed: a show file of at most 65536"),
      std::string::npos)
      << lines(huge)[0];
}

TEST_F(Loader, EveryProblemOfAFileIsToldInTheFilesOrder) {
  auto outcome = ShowFileLoader::load(
      write("show.toml", "music = \"gone.mp3\"\nparty = \"東京 party\"\ntown = 3\n"));
  EXPECT_FALSE(outcome.accepted());
  auto all = lines(outcome);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_NE(all[0].find(":1:9: error: the music"), std::string::npos) << all[0];
  EXPECT_NE(all[1].find(":2:9: error: 'party' has '東'"), std::string::npos) << all[1];
  EXPECT_NE(all[2].find(":3:8: error: 'town' is an integer"), std::string::npos) << all[2];
}

}  // namespace

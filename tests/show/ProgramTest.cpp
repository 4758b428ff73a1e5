#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The built program, run as a person would run it, from a folder of its own
// whose resources lack a playable track. There is no display either: the
// track must be what stops it, before any window is asked for.
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string standardError;
};

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("invited-program-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder / "resources");
    fs::copy_file(INVITED_PROGRAM, folder / "invited");
    for (const auto& entry : fs::directory_iterator(INVITED_RESOURCES)) {
      if (entry.path().extension() == ".otf") {
        fs::copy_file(entry.path(), folder / "resources" / entry.path().filename());
      }
    }
  }
  void TearDown() override { fs::remove_all(folder); }

  Outcome run() {
    const fs::path errors = folder / "stderr.txt";
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" +
                                (folder / "invited").string() + "' > /dev/null 2> '" +
                                errors.string() + "'";
    Outcome result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    result.standardError = text.str();
    return result;
  }

  static int lines(const std::string& text) {
    int n = 0;
    for (char c : text) {
      n += c == '\n' ? 1 : 0;
    }
    return n;
  }

  fs::path folder;
};

TEST_F(Program, AMissingTrackEndsItWithStatusOneAndOneLineNamingTheFile) {
  Outcome result = run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(lines(result.standardError), 1) << result.standardError;
  EXPECT_NE(result.standardError.find("audio.m4a"), std::string::npos)
      << result.standardError << "(the track must be checked before a display is asked for)";
}

TEST_F(Program, ACorruptTrackEndsItWithStatusOneAndOneLineNamingTheFile) {
  std::ofstream(folder / "resources" / "audio.m4a") << "this is no MPEG-4 audio, just text\n";
  Outcome result = run();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(lines(result.standardError), 1) << result.standardError;
  EXPECT_NE(result.standardError.find("audio.m4a"), std::string::npos)
      << result.standardError << "(the track must be checked before a display is asked for)";
}

TEST_F(Program, WithAGoodTrackButNoDisplayItSaysSoInOneLine) {
  fs::copy_file(fs::path(INVITED_RESOURCES) / "audio.m4a", folder / "resources" / "audio.m4a");
  Outcome result = run();
  EXPECT_NE(result.status, 0);
  // One line: the sound libraries' own complaints about a missing card stay quiet.
  EXPECT_EQ(lines(result.standardError), 1) << result.standardError;
  EXPECT_NE(result.standardError.find("no display"), std::string::npos) << result.standardError;
}

}  // namespace

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

// The built program, run as a person would run it, from a folder of its own
// whose resources lack one file or hold a broken one. There is no display
// either: the resource must be what stops it, before any window is asked for.
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string standardOutput;
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
      if (entry.path().extension() == ".otf" || entry.path().filename() == "audio.m4a") {
        fs::copy_file(entry.path(), folder / "resources" / entry.path().filename());
      }
    }
  }
  void TearDown() override { fs::remove_all(folder); }

  // Ended after 30 s, as a hang: `timeout` then gives 124.
  Outcome run(const std::string& arguments = "",
              const std::string& environment = "-u DISPLAY -u WAYLAND_DISPLAY") {
    const fs::path output = folder / "stdout.txt";
    const fs::path errors = folder / "stderr.txt";
    const std::string command = "timeout -s KILL 30 env -u SDL_VIDEODRIVER " + environment + " '" +
                                (folder / "invited").string() + "' " + arguments + " > '" +
                                output.string() + "' 2> '" + errors.string() + "'";
    Outcome result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.standardOutput = read(output);
    result.standardError = read(errors);
    return result;
  }

  static std::string read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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

// Each kind of file that is not a resource is read by ResourceFile, whose
// own tests try them all; here each resource meets each path to the user's
// line once: missing, not what it claims, cut short, and a FIFO that must
// not block.
enum class Damage { Missing, Text, Fifo, Truncated };

struct BadResource {
  const char* name;
  const char* file;
  Damage damage;
  const char* reason;  // part of the line
};

void PrintTo(const BadResource& r, std::ostream* os) {
  *os << r.name;
}

class Resources : public Program, public ::testing::WithParamInterface<BadResource> {};

TEST_P(Resources, AMissingOrBrokenOneEndsItWithStatusOneAndOneLineNamingTheFile) {
  const BadResource bad = GetParam();
  const fs::path file = folder / "resources" / bad.file;
  switch (bad.damage) {
    case Damage::Missing:
      fs::remove(file);
      break;
    case Damage::Text:
      fs::remove(file);
      std::ofstream(file) << "this is neither audio nor a font, just text\n";
      break;
    case Damage::Truncated:
      fs::resize_file(file, 4000);
      break;
    case Damage::Fifo:
      fs::remove(file);
      ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
      break;
  }
  Outcome result = run();
  EXPECT_EQ(result.status, 1) << result.standardError;
  EXPECT_EQ(lines(result.standardError), 1) << result.standardError;
  EXPECT_EQ(result.standardError.rfind("invited: ", 0), 0u) << result.standardError;
  EXPECT_NE(result.standardError.find(file.string()), std::string::npos)
      << result.standardError << "(resources must be checked before a display is asked for)";
  EXPECT_NE(result.standardError.find(bad.reason), std::string::npos) << result.standardError;
}

INSTANTIATE_TEST_SUITE_P(
    Launch, Resources,
    ::testing::Values(
        BadResource{"MissingTrack", "audio.m4a", Damage::Missing, "no such file"},
        BadResource{"CorruptTrack", "audio.m4a", Damage::Text, ""},
        BadResource{"FifoTrack", "audio.m4a", Damage::Fifo, "a FIFO"},
        BadResource{"MissingRegularFace", "Inter-Regular.otf", Damage::Missing, "no such file"},
        BadResource{"MissingBoldFace", "Inter-Bold.otf", Damage::Missing, "no such file"},
        BadResource{"MissingDisplayBlackFace", "InterDisplay-Black.otf", Damage::Missing,
                    "no such file"},
        BadResource{"CorruptBoldFace", "Inter-Bold.otf", Damage::Text, "not a font file"},
        BadResource{"TruncatedRegularFace", "Inter-Regular.otf", Damage::Truncated, "cut short"},
        BadResource{"FifoDisplayBlackFace", "InterDisplay-Black.otf", Damage::Fifo, "a FIFO"}),
    [](const ::testing::TestParamInfo<BadResource>& test) { return std::string(test.param.name); });

TEST_F(Program, WithGoodResourcesButNoDisplayItSaysSoInOneLine) {
  Outcome result = run();
  EXPECT_EQ(result.status, 1);
  // One line: the sound libraries' own complaints about a missing card stay quiet.
  EXPECT_EQ(lines(result.standardError), 1) << result.standardError;
  EXPECT_NE(result.standardError.find("no display"), std::string::npos) << result.standardError;
  // A display that is named but not there is named in the line, and no
  // other display library adds a line of its own.
  Outcome absent = run("", "-u WAYLAND_DISPLAY DISPLAY=:57");
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(lines(absent.standardError), 1) << absent.standardError;
  EXPECT_EQ(absent.standardError.rfind("invited: ", 0), 0u) << absent.standardError;
  EXPECT_NE(absent.standardError.find(":57"), std::string::npos) << absent.standardError;
}

// The command line answers before the track or a display is looked at.
struct CommandLineCase {
  const char* name;
  const char* arguments;
  int status;
  const char* saysOnOutput;  // on standard error when the status is not 0
};

void PrintTo(const CommandLineCase& c, std::ostream* out) {
  *out << "invited " << c.arguments;
}

class ProgramCommandLine : public Program, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(ProgramCommandLine, AnswersWithNoDisplay) {
  const CommandLineCase& c = GetParam();
  Outcome result = run(c.arguments);
  EXPECT_EQ(result.status, c.status) << result.standardError;
  const std::string& said = c.status == 0 ? result.standardOutput : result.standardError;
  EXPECT_NE(said.find(c.saysOnOutput), std::string::npos) << said;
  if (c.status != 0) {
    EXPECT_EQ(lines(result.standardError), 1) << result.standardError;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, ProgramCommandLine,
    ::testing::Values(CommandLineCase{"Help", "--help", 0, "--fullscreen"},
                      CommandLineCase{"Version", "--version", 0, "invited 1."},
                      CommandLineCase{"UnknownOption", "--bogus", 2, "invited: "},
                      CommandLineCase{"StrayArgument", "show.mp4", 2, "show.mp4"},
                      CommandLineCase{"ShowWithoutFile", "--show", 2, "--show"},
                      CommandLineCase{"ShowAndCheck", "--show a.toml --check b.toml", 2,
                                      "excludes"}),
    [](const auto& test) { return std::string(test.param.name); });

// A show file is checked before a window is asked for: with no display at
// all, a good file passes --check and a bad one ends the program with every
// problem, one a line.
TEST_F(Program, ChecksAShowFileBeforeAnyWindow) {
  fs::copy_file(folder / "resources" / "audio.m4a", folder / "song.m4a");
  std::ofstream(folder / "good.toml") << "party = \"ada's party\"\ntown = \"Київ\"\n"
                                         "music = \"song.m4a\"\n";
  Outcome good = run("--check '" + (folder / "good.toml").string() + "'");
  EXPECT_EQ(good.status, 0) << good.standardError;
  EXPECT_EQ(good.standardOutput, "ok\n");
  EXPECT_EQ(good.standardError, "");

  // The music's problem is found last, and told first: in the file's order.
  std::ofstream(folder / "bad.toml") << "music = \"missing.mp3\"\npaty = \"x\"\n"
                                        "palette = [\"#FFFFFF\"]\n";
  const std::string bad = (folder / "bad.toml").string();
  for (const char* option : {"--check", "--show"}) {
    Outcome result = run(std::string(option) + " '" + bad + "'");
    EXPECT_EQ(result.status, 1) << option;
    EXPECT_EQ(result.standardOutput, "") << option;
    EXPECT_EQ(result.standardError,
              bad + ":1:9: error: the music '" + (folder / "missing.mp3").string() +
                  "' does not exist; allowed: a sound file the show can play (MP3, AAC, Ogg, "
                  "FLAC, WAV…), its path relative to the show file\n" +
                  bad +
                  ":2:1: error: unknown key 'paty' (did you mean 'party'?); allowed: party, "
                  "dates, town, closing_line, affirmations, palette, music, credits, "
                  "shown_at, title\n" +
                  bad +
                  ":3:11: error: 'palette' has 1 entry; allowed: a list of 5 colours "
                  "(orange, pink, purple, dark, green roles)\n")
        << option;
  }
}

}  // namespace

// invited-render as a user meets it: a separate process, its exit status and
// the files it leaves.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/render/ContactSheet.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and error together
};

// `prefix` runs in the same shell first.
ToolRun runProgram(const std::string& program, const std::string& arguments,
                   const std::string& prefix) {
  std::string command = prefix + "'" + program + "' " + arguments + " 2>&1";
  ToolRun result;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot start " << command;
    return result;
  }
  std::array<char, 4096> buffer;
  std::size_t read;
  while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
    result.output.append(buffer.data(), read);
  }
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

ToolRun run(const std::string& arguments, const std::string& prefix = "") {
  return runProgram(INVITED_RENDER_PATH, arguments, prefix);
}

std::string slurp(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Width and height from a PNG's header chunk; zeros when it is no PNG.
std::pair<int, int> pngSize(const fs::path& path) {
  std::string bytes = slurp(path);
  if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
    return {0, 0};
  }
  auto word = [&](std::size_t at) {
    return int((unsigned char)bytes[at]) << 24 | int((unsigned char)bytes[at + 1]) << 16 |
           int((unsigned char)bytes[at + 2]) << 8 | int((unsigned char)bytes[at + 3]);
  };
  return {word(16), word(20)};
}

std::string probe(const fs::path& path, const std::string& query) {
  std::string command = "ffprobe -v error " + query + " -of csv=p=0 '" + path.string() + "'";
  std::string text;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return text;
  }
  std::array<char, 512> buffer;
  while (std::fgets(buffer.data(), int(buffer.size()), pipe) != nullptr) {
    text += buffer.data();
  }
  pclose(pipe);
  return text;
}

class RenderTool : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("invited-render-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string file(const std::string& name) const { return (folder_ / name).string(); }

  fs::path folder_;
};

TEST_F(RenderTool, AnswersWithoutWorkOnHelpVersionAndBadArguments) {
  for (const char* command : {"", "frame ", "video ", "sheet ", "flashes "}) {
    ToolRun result = run(std::string(command) + "--help");
    EXPECT_EQ(result.status, 0) << command;
    EXPECT_NE(result.output.find("Usage"), std::string::npos) << command;
  }
  ToolRun version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output.rfind("invited-render ", 0), 0u) << version.output;
  // The other mistakes are the command line's own tests; this one shows that
  // the process reports them.
  ToolRun bad = run("video --from 10 --to 2 " + file("a.mp4"));
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.output.find("--from must come before --to"), std::string::npos) << bad.output;
  EXPECT_FALSE(fs::exists(file("a.mp4")));
}

// An export that fails or is stopped leaves the good file it was to replace.
TEST_F(RenderTool, BrokenExportsLeaveTheOldFileAlone) {
  const std::string old = "an older export";
  std::ofstream(file("v.mp4")) << old;
  const std::string video = "video --size 160x90 --fps 30 --from 0 --to 60 " + file("v.mp4");
  ToolRun limited = run(video, "ulimit -f 64; ");
  EXPECT_EQ(limited.status, 1) << limited.output;
  EXPECT_NE(limited.output.find("File too large"), std::string::npos) << limited.output;
  for (auto [signal, status] :
       {std::pair{"INT", 130}, std::pair{"TERM", 143}, std::pair{"HUP", 129}}) {
    // Stopped once it has begun to write.
    std::string begun = "for i in $(seq 300); do ls -a " + folder_.string() +
                        " | grep -q part && break; sleep 0.1; done";
    ToolRun stopped = run(video + " & " + begun + "; kill -" + signal + " $!; wait $!");
    EXPECT_EQ(stopped.status, status) << signal;
  }
  EXPECT_EQ(slurp(file("v.mp4")), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 1) << "a temporary file stays";
}

// What an export killed outright (SIGKILL) left is removed by the next export
// to the same file; a running export's temporary file is left alone.
TEST_F(RenderTool, AnExportRemovesTheLeftoversOfKilledOnes) {
  std::string gone;
  {
    std::FILE* pipe = popen("sh -c 'echo $$'", "r");
    ASSERT_NE(pipe, nullptr);
    char pid[32] = {};
    ASSERT_NE(std::fgets(pid, sizeof pid, pipe), nullptr);
    pclose(pipe);
    gone = std::string(pid, std::strcspn(pid, "\n"));
  }
  const std::string stale = file(".a.png.part-" + gone + "-Xq3Zk1");
  const std::string running = file(".a.png.part-" + std::to_string(::getpid()) + "-Ab12Cd");
  const std::string other = file(".b.png.part-" + gone + "-Xq3Zk1");
  for (const std::string& path : {stale, running, other}) {
    std::ofstream(path) << "half a picture";
  }
  ASSERT_EQ(run("frame --at 1 --size 32x18 " + file("a.png")).status, 0);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(other)) << "another destination's leftovers are its own export's to clear";
}

// Mistakes that once went by unnoticed or were told in another program's words.
TEST_F(RenderTool, ArgumentsThatLookRightButAreNotAreRefused) {
  ToolRun comma = run("frame --at 38,01 " + file("a.png"));
  EXPECT_EQ(comma.status, 2);
  EXPECT_EQ(comma.output.rfind("invited-render: ", 0), 0u) << comma.output;
  EXPECT_NE(comma.output.find("decimal point"), std::string::npos) << comma.output;
  ToolRun emptyPlot = run("flashes --from 0 --to 1 --plot ''");
  EXPECT_EQ(emptyPlot.status, 2) << emptyPlot.output;
  EXPECT_EQ(emptyPlot.output.rfind("invited-render: ", 0), 0u) << emptyPlot.output;
}

// Below the display's frame rate a flash can fall between two frames: a
// failing passage still fails, a passing one gets no verdict.
TEST_F(RenderTool, AFrameRateTooLowForAFlashVerdictWithholdsAPass) {
  ToolRun low = run("flashes --size 160x90 --seed 1 --fps 1 --from 0 --to 3");
  ASSERT_EQ(low.status, 0) << low.output;
  EXPECT_EQ(low.output.find("three-flash threshold: pass"), std::string::npos) << low.output;
  EXPECT_NE(low.output.find("three-flash threshold: no verdict"), std::string::npos) << low.output;
}

TEST_F(RenderTool, FrameIsAPngOfTheGivenSizeAndTheSeedRepeatsIt) {
  ASSERT_EQ(run("frame --at 3.3 --size 320x180 --seed 9 " + file("a.png")).status, 0);
  ASSERT_EQ(run("frame --at 3.3 --size 320x180 --seed 9 " + file("b.png")).status, 0);
  EXPECT_EQ(pngSize(file("a.png")), std::make_pair(320, 180));
  EXPECT_EQ(slurp(file("a.png")), slurp(file("b.png")));
}

TEST_F(RenderTool, VideoHasBothStreamsAndTheMusicStartsOnTheFirstCue) {
  // One second around the show's start: half a second of fade, then cues.
  ToolRun result =
      run("video --size 160x90 --fps 30 --from -0.5 --to 0.5 --seed 1 " + file("v.mp4"));
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_EQ(probe(file("v.mp4"),
                  "-select_streams v:0 -count_frames -show_entries "
                  "stream=codec_name,pix_fmt,r_frame_rate,nb_read_frames"),
            "h264,yuv420p,30/1,30\n");
  std::string audio =
      probe(file("v.mp4"), "-select_streams a:0 -show_entries stream=codec_name,start_time");
  ASSERT_EQ(audio.substr(0, 4), "aac,") << audio;
  // The music's time 0 is at video time 0.5; its first packet starts earlier
  // by the encoder's priming samples, which the decoder drops.
  double start = std::stod(audio.substr(4));
  EXPECT_LE(start, 0.5);
  EXPECT_GE(start, 0.5 - 2112.0 / 48000);
}

TEST_F(RenderTool, SheetHasOneCaptionedPicturePerStep) {
  ASSERT_EQ(run("sheet --every 20 --columns 3 --width 96 --seed 1 " + file("s.png")).status, 0);
  // −5, 15, 35, 55 and the end at 64.5: five pictures, two rows of three.
  render::ContactSheet layout(5, 3, 96);
  EXPECT_EQ(pngSize(file("s.png")), std::make_pair(layout.width(), layout.height()));
}

// The opening's background turns seven times in some seconds, and the
// overlay's last passage greys the pink rows eight times; the gentle show
// keeps both under the threshold.
TEST_F(RenderTool, FlashesFailTheStrobingPassagesAndPassThemGently) {
  for (const char* range : {"--from 0 --to 2", "--from 59.5 --to 61"}) {
    const std::string arguments = std::string("flashes --size 160x90 --seed 1 ") + range;
    ToolRun strobe = run(arguments + " --plot " + file("p.png"));
    ASSERT_EQ(strobe.status, 0) << strobe.output;
    EXPECT_NE(strobe.output.find("three-flash threshold: fail"), std::string::npos)
        << range << " said: " << strobe.output;
    EXPECT_EQ(pngSize(file("p.png")), std::make_pair(1280, 360));
    ToolRun gentle = run(arguments + " --gentle");
    EXPECT_NE(gentle.output.find("three-flash threshold: pass"), std::string::npos)
        << range << " said: " << gentle.output;
  }
}

// The renderer beside a copy of its resources, one of them broken: it says
// so in its own name and draws nothing, never a picture with a stand-in.
class RenderResources : public RenderTool {
 protected:
  void SetUp() override {
    RenderTool::SetUp();
    fs::copy_file(INVITED_RENDER_PATH, folder_ / "invited-render");
    fs::create_directory(folder_ / "resources");
    const fs::path built = fs::path(INVITED_RENDER_PATH).parent_path() / "resources";
    for (const char* name :
         {"Inter-Regular.otf", "Inter-Bold.otf", "InterDisplay-Black.otf", "audio.m4a"}) {
      fs::copy_file(built / name, folder_ / "resources" / name);
    }
  }
  ToolRun render(const std::string& arguments) {
    return runProgram((folder_ / "invited-render").string(), arguments, "timeout -s KILL 60 ");
  }
};

TEST_F(RenderResources, ABrokenResourceStopsItWithOneLineInItsOwnName) {
  const fs::path resources = folder_ / "resources";
  struct Case {
    const char* file;
    const char* reason;
    void (*damage)(const fs::path&);
  };
  const Case cases[] = {
      {"InterDisplay-Black.otf", "no such file", [](const fs::path& f) { fs::remove(f); }},
      {"Inter-Regular.otf", "a FIFO",
       [](const fs::path& f) {
         fs::remove(f);
         ::mkfifo(f.c_str(), 0600);
       }},
      {"Inter-Bold.otf", "empty", [](const fs::path& f) { fs::resize_file(f, 0); }},
      {"audio.m4a", "empty", [](const fs::path& f) { fs::resize_file(f, 0); }},
      {"audio.m4a", "no sound file",
       [](const fs::path& f) {
         fs::remove(f);
         std::ofstream(f) << "words, not sound";
       }},
  };
  for (const Case& c : cases) {
    const fs::path broken = resources / c.file;
    const fs::path kept = folder_ / "kept";
    fs::copy_file(broken, kept);
    c.damage(broken);
    for (const char* command : {"frame --at 38.01 ", "sheet --every 30 --width 32 "}) {
      ToolRun result = render(command + file("out.png"));
      EXPECT_EQ(result.status, 1) << c.file << ": " << result.output;
      EXPECT_EQ(result.output.rfind("invited-render: ", 0), 0u) << result.output;
      EXPECT_NE(result.output.find(broken.string()), std::string::npos) << result.output;
      EXPECT_NE(result.output.find(c.reason), std::string::npos) << result.output;
      EXPECT_FALSE(fs::exists(file("out.png"))) << c.file;
    }
    fs::remove(broken);
    fs::rename(kept, broken);
  }
}

// The organiser's show: their colours in the frames, their music in the
// video (shorter than the show: a warning), and a bad file refused before
// any work with its one line.
TEST_F(RenderTool, RendersTheOrganisersShowFromTheirFile) {
  const std::string tone =
      "ffmpeg -v error -y -f lavfi -i sine=frequency=330:duration=3 -c:a "
      "libmp3lame '" +
      file("tune.mp3") + "'";
  ASSERT_EQ(std::system(tone.c_str()), 0);
  std::ofstream(file("show.toml")) << "party = \"ada's party\"\nmusic = \"tune.mp3\"\n"
                                      "palette = [\"#123456\", \"#123456\", \"#123456\", "
                                      "\"#123456\", \"#123456\"]\n";
  const std::string show = " --show " + file("show.toml") + " ";
  auto temporaryMusic = [] {
    return std::count_if(fs::directory_iterator(fs::temp_directory_path()), {}, [](auto& entry) {
      return entry.path().filename().string().rfind("invited-render-music-", 0) == 0;
    });
  };
  const auto musicBefore = temporaryMusic();
  ToolRun frame = run("frame --at 0.51 --size 160x90 --seed 1" + show + file("f.png"));
  ASSERT_EQ(frame.status, 0) << frame.output;
  EXPECT_NE(frame.output.find("show.toml:2:9: warning: the music"), std::string::npos)
      << frame.output;
  // The corner of the rapid text's panel: the organiser's colour.
  std::FILE* pipe = popen(
      ("ffmpeg -v error -i '" + file("f.png") + "' -vf crop=1:1:2:2 -f rawvideo -pix_fmt rgb24 -")
          .c_str(),
      "r");
  ASSERT_NE(pipe, nullptr);
  unsigned char rgb[3] = {};
  EXPECT_EQ(std::fread(rgb, 1, 3, pipe), 3u);
  pclose(pipe);
  EXPECT_EQ(rgb[0], 0x12);
  EXPECT_EQ(rgb[1], 0x34);
  EXPECT_EQ(rgb[2], 0x56);

  ToolRun video = run("video --size 160x90 --fps 10 --from -0.5 --to 1" + show + file("v.mp4"));
  ASSERT_EQ(video.status, 0) << video.output;
  // The MP3 became AAC, which every player takes in an MP4.
  EXPECT_EQ(probe(file("v.mp4"), "-select_streams a:0 -show_entries stream=codec_name"), "aac\n");
  EXPECT_EQ(temporaryMusic(), musicBefore) << "the AAC stand-in stays behind";

  std::ofstream(file("bad.toml")) << "palette = [\"#123456\"]\n";
  ToolRun bad = run("frame --at 1 --size 160x90 --show " + file("bad.toml") + " " + file("b.png"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.output.rfind(file("bad.toml") + ":1:11: error: 'palette' has 1 entry", 0), 0u);
  EXPECT_FALSE(fs::exists(file("b.png")));
}

}  // namespace

#include "tools/render/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace render {
namespace {

namespace fs = std::filesystem;

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("invited-output-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  void write(const std::string& file, const std::string& text) const {
    std::ofstream(file, std::ios::binary) << text;
  }
  std::string read(const std::string& file) const {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  }
  long entries() const { return std::distance(fs::directory_iterator(folder_), {}); }

  fs::path folder_;
};

TEST_F(OutputFileTest, TheDestinationChangesOnlyOnCommit) {
  write(path("a.png"), "good");
  std::string error;
  {
    auto failed = OutputFile::create(path("a.png"), error);
    ASSERT_TRUE(failed) << error;
    write(failed->temporaryPath(), "half");
    EXPECT_EQ(fs::path(failed->temporaryPath()).parent_path(), folder_);
    EXPECT_EQ(read(path("a.png")), "good");
  }
  EXPECT_EQ(entries(), 1) << "the abandoned temporary file stays";
  EXPECT_EQ(read(path("a.png")), "good");

  auto done = OutputFile::create(path("a.png"), error);
  ASSERT_TRUE(done) << error;
  write(done->temporaryPath(), "new");
  ASSERT_TRUE(done->commit(error)) << error;
  done.reset();
  EXPECT_EQ(read(path("a.png")), "new");
  EXPECT_EQ(entries(), 1);
}

TEST_F(OutputFileTest, MessagesNameTheDestination) {
  std::string error;
  auto file = OutputFile::create(path("v.mp4"), error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->explain("cannot write to " + file->temporaryPath() + ": full"),
            "cannot write to " + path("v.mp4") + ": full");
}

// Each kind of path, made in the folder under the name "out".
struct PathCase {
  const char* name;
  void (*make)(const std::string& out);
  const char* refusal;  // part of the message; nullptr: accepted
  friend void PrintTo(const PathCase& path, std::ostream* out) { *out << path.name; }
};

class OutputFileKinds : public OutputFileTest, public ::testing::WithParamInterface<PathCase> {};

TEST_P(OutputFileKinds, OnlyNewPathsAndRegularFilesAreDestinations) {
  std::string out = path("out");
  GetParam().make(out);
  // A FIFO must be refused without waiting for a reader.
  int reader = ::open(out.c_str(), O_RDONLY | O_NONBLOCK);
  auto refusal = OutputFile::refusal(out);
  if (reader >= 0) {
    ::close(reader);
  }
  if (GetParam().refusal == nullptr) {
    EXPECT_FALSE(refusal) << *refusal;
  } else {
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find(GetParam().refusal), std::string::npos) << *refusal;
  }
  EXPECT_EQ(entries(), std::string(GetParam().name) == "new" ? 0 : 1) << "the check left a file";
}

INSTANTIATE_TEST_SUITE_P(
    , OutputFileKinds,
    ::testing::Values(
        PathCase{"new", [](const std::string&) {}, nullptr},
        PathCase{"regular", [](const std::string& out) { std::ofstream(out) << "x"; }, nullptr},
        PathCase{"fifo", [](const std::string& out) { ::mkfifo(out.c_str(), 0644); }, "FIFO"},
        PathCase{"folder", [](const std::string& out) { fs::create_directory(out); }, "folder"},
        PathCase{"dangling",
                 [](const std::string& out) { fs::create_symlink(out + "-nothing", out); },
                 "link to nothing"},
        PathCase{"loop", [](const std::string& out) { fs::create_symlink(out, out); }, "loop"}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace render

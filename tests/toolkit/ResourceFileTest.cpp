#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ui/Bundle.h"
#include "ui/Font.h"
#include "ui/ResourceFile.h"

namespace {

namespace fs = std::filesystem;

class ResourceFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("invited-resource-" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string path(const char* name) const { return (folder_ / name).string(); }

  // Why reading `name` failed; "read" when it did not.
  std::string whyNot(const char* name, std::size_t maxBytes = 1 << 20) const {
    std::string error;
    return ui::ResourceFile::read(path(name), maxBytes, error) ? "read" : error;
  }

  fs::path folder_;
};

// Each case must answer at once: a FIFO opened for reading the ordinary way
// waits for a writer forever, and a device never ends.
TEST_F(ResourceFiles, OnlyARegularFileWithinTheBoundIsRead) {
  std::ofstream(path("face.otf")) << "OTTO and the rest";
  std::string error;
  auto file = ui::ResourceFile::read(path("face.otf"), 1 << 20, error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(std::string(file->bytes().begin(), file->bytes().end()), "OTTO and the rest");
  EXPECT_EQ(ui::ResourceFile::problem(path("face.otf")), std::nullopt);

  EXPECT_EQ(whyNot("face.otf", 8), "the file is larger than 0 MiB");
  EXPECT_EQ(whyNot("missing"), "no such file");
  std::ofstream(path("empty"));
  EXPECT_EQ(whyNot("empty"), "the file is empty");
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(whyNot("fifo"), "a FIFO, not a regular file");
  fs::create_directory(path("folder"));
  EXPECT_EQ(whyNot("folder"), "a folder, not a regular file");
  fs::create_symlink("/dev/zero", path("device"));
  EXPECT_EQ(whyNot("device"), "a device, not a regular file");
  fs::create_symlink(path("loop-b"), path("loop-a"));
  fs::create_symlink(path("loop-a"), path("loop-b"));
  EXPECT_EQ(whyNot("loop-a"), "a loop of symbolic links");
  EXPECT_EQ(ui::ResourceFile::problem(path("fifo")), "a FIFO, not a regular file");
  EXPECT_EQ(ui::ResourceFile::problem(path("loop-a")), "a loop of symbolic links");
  if (::geteuid() != 0) {  // root reads any file
    ::chmod(path("face.otf").c_str(), 0);
    EXPECT_EQ(whyNot("face.otf").rfind("permission denied", 0), 0u);
  }
}

// The faces are checked as files before a font engine opens them, and the
// line names the face and the reason.
TEST_F(ResourceFiles, FacesThatCannotBeReadAreReportedNotOpened) {
  const ui::Bundle saved = ui::Bundle::main();
  ui::Bundle::main() = ui::Bundle(folder_.string());
  for (const char* face : {"Inter-Regular.otf", "Inter-Bold.otf", "InterDisplay-Black.otf"}) {
    fs::copy_file(saved.resourcePath() + "/" + face, path(face));
  }
  // Cut short after its table directory: the signature is right, the tables are not there.
  fs::resize_file(path("Inter-Bold.otf"), 300);
  const auto cut = ui::Font::loadFaces();
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->rfind("cannot read the font " + path("Inter-Bold.otf") + ": ", 0), 0u) << *cut;
  fs::remove(path("Inter-Bold.otf"));
  fs::copy_file(saved.resourcePath() + "/Inter-Bold.otf", path("Inter-Bold.otf"));

  fs::remove(path("InterDisplay-Black.otf"));
  ASSERT_EQ(::mkfifo(path("InterDisplay-Black.otf").c_str(), 0600), 0);
  EXPECT_EQ(ui::Font::loadFaces(), "cannot read the font " + path("InterDisplay-Black.otf") +
                                       ": a FIFO, not a regular file");
  fs::remove(path("InterDisplay-Black.otf"));
  std::ofstream(path("InterDisplay-Black.otf"), std::ios::binary) << "\x89PNG\r\n\x1a\n....";
  EXPECT_EQ(ui::Font::loadFaces(),
            "cannot read the font " + path("InterDisplay-Black.otf") + ": not a font file");
  fs::remove(path("InterDisplay-Black.otf"));
  fs::copy_file(saved.resourcePath() + "/InterDisplay-Black.otf", path("InterDisplay-Black.otf"));
  EXPECT_EQ(ui::Font::loadFaces(), std::nullopt);
  ui::Bundle::main() = saved;
}

}  // namespace

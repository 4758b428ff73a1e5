#include "tools/render/AacMusic.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "platform/media/AacFileWriter.h"
#include "platform/media/AudioDecoder.h"
#include "tools/render/VideoWriter.h"

namespace render {

namespace {

// As good as the built-in track's.
constexpr int kBitRate = 192000;

}  // namespace

AacMusic::~AacMusic() {
  forget();
}

void AacMusic::forget() {
  if (!temporary_.empty()) {
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
    temporary_.clear();
  }
}

bool AacMusic::prepare(const std::string& path, double seconds, std::string& error) {
  forget();
  if (VideoWriter::holdsAac(path)) {
    path_ = path;
    return true;
  }
  platform::AudioDecoder decoder;
  if (!decoder.decodeFile(path, error)) {
    return false;
  }
  std::string pattern =
      (std::filesystem::temp_directory_path() / "invited-render-music-XXXXXX.m4a").string();
  const int fd = ::mkstemps(pattern.data(), 4);
  if (fd < 0) {
    error = "cannot make a temporary file for the music in " +
            std::filesystem::temp_directory_path().string();
    return false;
  }
  ::close(fd);
  temporary_ = pattern;
  const auto frames = std::min<std::size_t>(
      decoder.frames(), static_cast<std::size_t>(std::ceil(std::max(seconds, 0.0) *
                                                           platform::AudioDecoder::sampleRate)));
  platform::AacFileWriter writer;
  if (!writer.open(temporary_, kBitRate, error) ||
      !writer.write(decoder.samples().data(), frames, error) || !writer.finish(error)) {
    forget();
    return false;
  }
  path_ = temporary_;
  return true;
}

}  // namespace render

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

#include "MediaFixtures.h"
#include "platform/media/AacFileWriter.h"
#include "platform/media/AudioDecoder.h"

using platform::AacFileWriter;
using platform::AudioDecoder;

namespace {

// The first frame whose left sample reaches `level`, or frames() when none does.
std::size_t firstFrameAbove(const AudioDecoder& decoder, float level) {
  const auto& samples = decoder.samples();
  for (std::size_t i = 0; i < decoder.frames(); ++i) {
    if (std::fabs(samples[2 * i]) >= level) {
      return i;
    }
  }
  return decoder.frames();
}

}  // namespace

TEST(AudioDecoder, RefusesEveryKindOfUnplayableFileWithAReason) {
  MediaFixtures files;
  std::string valid = files.toneFile("valid.m4a", 2.0, 0.5);
  struct Case {
    const char* what;
    std::string path;
    const char* reason;  // words the message must contain
  };
  const Case cases[] = {
      {"missing", files.path("missing.m4a"), "does not exist"},
      {"empty", files.bytesFile("empty.m4a", {}), "empty"},
      {"folder", files.path(""), "folder"},
      {"cut in half", files.truncatedCopy(valid, "half.m4a", 0), "cut off"},
      {"cut to 300 bytes", files.truncatedCopy(valid, "stub.m4a", 300), "cut off"},
      {"random bytes", files.randomFile("noise.m4a", 64 * 1024), "not a media file"},
      {"a PNG image", files.pngFile("image.m4a"), "no audio stream"},
      {"a video without sound", files.silentVideoFile("video.m4a"), "no audio stream"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AudioDecoder decoder;
    std::string error;
    EXPECT_FALSE(decoder.decodeFile(c.path, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_EQ(decoder.frames(), 0u);
  }
}

TEST(AudioDecoder, WrittenFileComesBackWithItsLengthAndTimeZero) {
  MediaFixtures files;
  std::string file = files.toneFile("tone.m4a", 2.0, 0.5);
  AudioDecoder decoder;
  std::string error;
  ASSERT_TRUE(decoder.decodeFile(file, error)) << error;
  // The encoder's priming and end padding are both trimmed away.
  EXPECT_EQ(decoder.frames(), 96000u);
  EXPECT_DOUBLE_EQ(decoder.duration(), 2.0);
  EXPECT_EQ(AudioDecoder::sampleRate, 48000);
  // The tone starts at 0.5 s to within a millisecond: no priming offset.
  auto onset = static_cast<double>(firstFrameAbove(decoder, 0.25f)) / AudioDecoder::sampleRate;
  EXPECT_NEAR(onset, 0.5, 0.001);
  // Lossy, but the tone keeps its level.
  float peak = 0;
  for (float s : decoder.samples()) {
    peak = std::max(peak, std::fabs(s));
  }
  EXPECT_NEAR(peak, 0.5, 0.05);
}

TEST(AudioDecoder, FailureKeepsAnEarlierDecode) {
  MediaFixtures files;
  AudioDecoder decoder;
  std::string error;
  ASSERT_TRUE(decoder.decodeFile(files.toneFile("tone.m4a", 1.0, 0.0), error)) << error;
  EXPECT_FALSE(decoder.decodeFile(files.path("missing.m4a"), error));
  EXPECT_EQ(decoder.frames(), 48000u);
}

TEST(AacFileWriter, ReportsWhyItCannotWrite) {
  MediaFixtures files;
  AacFileWriter writer;
  std::string error;
  float silence[2] = {0, 0};
  EXPECT_FALSE(writer.write(silence, 1, error));
  EXPECT_NE(error.find("not open"), std::string::npos) << error;
  std::string nowhere = files.path("no/such/folder/out.m4a");
  EXPECT_FALSE(writer.open(nowhere, 160000, error));
  EXPECT_NE(error.find(nowhere), std::string::npos) << error;
  EXPECT_FALSE(writer.finish(error));
}

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <functional>

#include "MediaFixtures.h"
#include "platform/media/AudioDecoder.h"
#include "platform/media/MediaAudioPlayer.h"

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

// The largest magnitude of one channel over frames [from, to).
float peak(const AudioDecoder& decoder, int channel, std::size_t from, std::size_t to) {
  float best = 0;
  for (std::size_t i = from; i < std::min(to, decoder.frames()); ++i) {
    best = std::max(best, std::fabs(decoder.samples()[2 * i + static_cast<std::size_t>(channel)]));
  }
  return best;
}

struct Unplayable {
  const char* name;
  std::function<std::string(const MediaFixtures&)> make;
  const char* reason;  // words the message must contain
};

void PrintTo(const Unplayable& c, std::ostream* out) {
  *out << c.name;
}

class UnplayableFile : public testing::TestWithParam<Unplayable> {};

std::string findings(const char* name) {
  return std::string(INVITED_FINDINGS_DIR) + "/" + name;
}

const Unplayable unplayable[] = {
    {"Missing", [](const MediaFixtures& f) { return f.path("missing.m4a"); }, "does not exist"},
    {"Empty", [](const MediaFixtures& f) { return f.bytesFile("empty.m4a", {}); }, "empty"},
    {"Folder", [](const MediaFixtures& f) { return f.path(""); }, "folder"},
    {"NamedPipe",
     [](const MediaFixtures& f) {
       std::string pipe = f.path("pipe.m4a");
       EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
       return pipe;
     },
     "named pipe"},
    {"DanglingSymlink",
     [](const MediaFixtures& f) {
       std::filesystem::create_symlink(f.path("gone.m4a"), f.path("link.m4a"));
       return f.path("link.m4a");
     },
     "symbolic link to a file that does not exist"},
    {"CutInHalf",
     [](const MediaFixtures& f) { return f.halfCopy(f.toneFile("v.m4a", 2.0, 0.5), "half.m4a"); },
     "cut off"},
    {"RandomBytes", [](const MediaFixtures& f) { return f.randomFile("noise.m4a", 64 * 1024); },
     "not a media file"},
    {"PngImage", [](const MediaFixtures& f) { return f.pngFile("image.m4a"); }, "no audio stream"},
    {"VideoWithoutSound", [](const MediaFixtures& f) { return f.silentVideoFile("video.m4a"); },
     "no audio stream"},
    // Headers the fuzzer found: each once cost seconds and gigabytes.
    {"AbsurdRate", [](const MediaFixtures&) { return findings("wav_rate_1059Mhz_slow.wav"); },
     "sample rate of"},
    {"HighRate", [](const MediaFixtures&) { return findings("flac_rate_475khz_slow.flac"); },
     "sample rate of"},
    {"ChunkPastTheEnd", [](const MediaFixtures&) { return findings("wav_huge_chunks_slow.wav"); },
     "past the end of the file"},
    {"ChunkAfterTheSoundPastTheEnd",
     [](const MediaFixtures&) { return findings("wav_list_after_sound_slow.wav"); },
     "'LIST' chunk claims"},
};

}  // namespace

// Both the whole-file decoder and the streaming player refuse the file when
// they are created, with one line that names it and says what is wrong.
TEST_P(UnplayableFile, IsRefusedAtCreationWithItsReason) {
  MediaFixtures files;
  std::string path = GetParam().make(files);
  AudioDecoder decoder;
  std::string error;
  EXPECT_FALSE(decoder.decodeFile(path, error));
  EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_EQ(decoder.frames(), 0u);
  std::string playerError;
  EXPECT_FALSE(platform::MediaAudioPlayer::create(path, playerError));
  EXPECT_EQ(playerError, error);
}

INSTANTIATE_TEST_SUITE_P(AudioDecoder, UnplayableFile, testing::ValuesIn(unplayable),
                         [](const auto& test) { return std::string(test.param.name); });

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
  EXPECT_NEAR(peak(decoder, 0, 0, decoder.frames()), 0.5, 0.05);
  // A failed decode keeps this one.
  EXPECT_FALSE(decoder.decodeFile(files.path("missing.m4a"), error));
  EXPECT_EQ(decoder.frames(), 96000u);
}

// A stream that turns from stereo to mono and back (each part a second) plays
// through, every part in both output channels.
TEST(AudioDecoder, FollowsAChangeOfChannelsMidStream) {
  MediaFixtures files;
  AudioDecoder decoder;
  std::string error;
  ASSERT_TRUE(decoder.decodeFile(files.adtsFile("changing.aac", {2, 1, 2}), error)) << error;
  EXPECT_NEAR(decoder.duration(), 3.0, 0.2);
  for (double second : {0.5, 1.5, 2.5}) {
    SCOPED_TRACE(second);
    auto from = static_cast<std::size_t>(second * AudioDecoder::sampleRate);
    EXPECT_GT(peak(decoder, 0, from, from + 4800), 0.05f);
    EXPECT_GT(peak(decoder, 1, from, from + 4800), 0.05f);
  }
}

// Six full-scale channels folded into two stay within full scale.
TEST(AudioDecoder, DownmixNeverExceedsFullScale) {
  MediaFixtures files;
  AudioDecoder decoder;
  std::string error;
  ASSERT_TRUE(decoder.decodeFile(files.wavFile("surround.wav", 6, 48000, 1.0, 1.0), error))
      << error;
  EXPECT_NEAR(decoder.duration(), 1.0, 0.01);
  for (int channel : {0, 1}) {
    float level = peak(decoder, channel, 0, decoder.frames());
    EXPECT_LE(level, 1.0f) << channel;
    EXPECT_GT(level, 0.3f) << channel;
  }
}

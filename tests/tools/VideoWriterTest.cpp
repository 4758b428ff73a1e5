#include "tools/render/VideoWriter.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace render {
namespace {

namespace fs = std::filesystem;

platform::Image solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  platform::Image image{width, height, {}};
  image.rgba.resize(std::size_t(width) * height * 4);
  for (std::size_t i = 0; i < image.rgba.size(); i += 4) {
    image.rgba[i] = r;
    image.rgba[i + 1] = g;
    image.rgba[i + 2] = b;
    image.rgba[i + 3] = 255;
  }
  return image;
}

// What a player finds in the file: per stream, its packets' start times.
struct Probe {
  AVCodecID videoCodec = AV_CODEC_ID_NONE;
  int pixelFormat = -1;
  AVRational frameRate{0, 1};
  AVCodecID audioCodec = AV_CODEC_ID_NONE;
  std::vector<double> videoTimes;
  std::vector<double> audioTimes;
  std::vector<double> audioEnds;
  std::uint8_t firstPixel[3] = {};
};

Probe probe(const std::string& path) {
  Probe result;
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
    ADD_FAILURE() << "cannot open " << path;
    return result;
  }
  platform::ffmpeg::Input owner(raw);
  AVFormatContext* input = owner.get();
  avformat_find_stream_info(input, nullptr);
  int video = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  int audio = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  platform::ffmpeg::Codec decoderOwner;
  AVCodecContext* decoder = nullptr;
  if (video >= 0) {
    AVStream* stream = input->streams[video];
    result.videoCodec = stream->codecpar->codec_id;
    result.pixelFormat = stream->codecpar->format;
    result.frameRate = stream->avg_frame_rate;
    decoderOwner.reset(avcodec_alloc_context3(avcodec_find_decoder(stream->codecpar->codec_id)));
    decoder = decoderOwner.get();
    avcodec_parameters_to_context(decoder, stream->codecpar);
    avcodec_open2(decoder, decoder->codec, nullptr);
  }
  if (audio >= 0) {
    result.audioCodec = input->streams[audio]->codecpar->codec_id;
  }
  platform::ffmpeg::Packet packetOwner(av_packet_alloc());
  platform::ffmpeg::Frame frameOwner(av_frame_alloc());
  AVPacket* packet = packetOwner.get();
  AVFrame* frame = frameOwner.get();
  bool decoded = false;
  while (av_read_frame(input, packet) >= 0) {
    AVStream* stream = input->streams[packet->stream_index];
    double start = double(packet->pts) * av_q2d(stream->time_base);
    if (packet->stream_index == video) {
      result.videoTimes.push_back(start);
      if (!decoded && avcodec_send_packet(decoder, packet) >= 0 &&
          avcodec_receive_frame(decoder, frame) >= 0) {
        decoded = true;
      }
    } else if (packet->stream_index == audio) {
      result.audioTimes.push_back(start);
      result.audioEnds.push_back(start + double(packet->duration) * av_q2d(stream->time_base));
    }
    av_packet_unref(packet);
  }
  if (!decoded && decoder != nullptr) {
    avcodec_send_packet(decoder, nullptr);
    decoded = avcodec_receive_frame(decoder, frame) >= 0;
  }
  if (decoded) {
    platform::ffmpeg::Scaler scaler(
        sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                       frame->height, AV_PIX_FMT_RGB24, SWS_POINT, nullptr, nullptr, nullptr));
    SwsContext* back = scaler.get();
    sws_setColorspaceDetails(back, sws_getCoefficients(SWS_CS_ITU709), 0,
                             sws_getCoefficients(SWS_CS_ITU709), 1, 0, 1 << 16, 1 << 16);
    std::vector<std::uint8_t> rgb(std::size_t(frame->width) * frame->height * 3);
    std::uint8_t* planes[1] = {rgb.data()};
    int strides[1] = {frame->width * 3};
    sws_scale(back, frame->data, frame->linesize, 0, frame->height, planes, strides);
    std::size_t middle = (std::size_t(frame->height / 2) * frame->width + frame->width / 2) * 3;
    for (int c = 0; c < 3; ++c) {
      result.firstPixel[c] = rgb[middle + c];
    }
  }
  return result;
}

class VideoWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() /
        ("invited-video-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
    music_ = (folder_ / "music.m4a").string();
    // Three seconds of a tone in AAC, as the music track is stored.
    std::string command =
        "ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=48000:"
        "duration=3 -ac 2 -c:a aac -b:a 96k '" +
        music_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "the ffmpeg command is needed for this test";
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string write(VideoSettings settings, int frames) {
    std::string path = (folder_ / "clip.mp4").string();
    std::string error;
    auto writer = VideoWriter::open(path, settings, error);
    EXPECT_TRUE(writer) << error;
    if (!writer) {
      return path;
    }
    for (int k = 0; k < frames; ++k) {
      EXPECT_TRUE(writer->writeFrame(solid(settings.width, settings.height, 251, 139, 36), error))
          << error;
    }
    EXPECT_TRUE(writer->finish(error)) << error;
    return path;
  }

  fs::path folder_;
  std::string music_;
};

TEST_F(VideoWriterTest, WritesH264FramesAtTheirRateWithTheMusicDelayed) {
  VideoSettings settings;
  settings.width = 160;
  settings.height = 90;
  settings.fps = 30;
  settings.musicPath = music_;
  settings.musicStart = 0.5;
  settings.duration = 1.0;
  Probe clip = probe(write(settings, 30));

  EXPECT_EQ(clip.videoCodec, AV_CODEC_ID_H264);
  EXPECT_EQ(clip.pixelFormat, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(av_q2d(clip.frameRate), 30.0);
  ASSERT_EQ(clip.videoTimes.size(), 30u);
  std::sort(clip.videoTimes.begin(), clip.videoTimes.end());
  EXPECT_DOUBLE_EQ(clip.videoTimes.front(), 0.0);
  EXPECT_NEAR(clip.videoTimes.back(), 29.0 / 30.0, 1e-9);

  EXPECT_EQ(clip.audioCodec, AV_CODEC_ID_AAC);
  ASSERT_FALSE(clip.audioTimes.empty());
  // The first packet carries the encoder's priming (1024 samples here, at
  // most 2112 in any AAC file) ahead of the music's time 0.
  EXPECT_LE(clip.audioTimes.front(), 0.5);
  EXPECT_GE(clip.audioTimes.front(), 0.5 - 2112.0 / 48000);
  EXPECT_LT(clip.audioTimes.back(), 1.0);
  EXPECT_GT(clip.audioEnds.back(), 1.0 - 2 * 1024.0 / 48000);

  // Orange in, orange out: the colour matrix and range match both ways.
  EXPECT_NEAR(clip.firstPixel[0], 251, 4);
  EXPECT_NEAR(clip.firstPixel[1], 139, 4);
  EXPECT_NEAR(clip.firstPixel[2], 36, 4);
}

TEST_F(VideoWriterTest, MusicStartingBeforeTheVideoIsCutAtItsStart) {
  VideoSettings settings;
  settings.width = 64;
  settings.height = 36;
  settings.fps = 10;
  settings.musicPath = music_;
  settings.musicStart = -1.0;
  settings.duration = 1.0;
  Probe clip = probe(write(settings, 10));
  ASSERT_FALSE(clip.audioTimes.empty());
  EXPECT_GE(clip.audioTimes.front(), 0.0);
  EXPECT_LT(clip.audioTimes.front(), 2 * 1024.0 / 48000);
  EXPECT_LT(clip.audioTimes.back(), 1.0);
}

TEST_F(VideoWriterTest, WithoutMusicThereIsNoSoundStream) {
  VideoSettings settings;
  settings.width = 64;
  settings.height = 36;
  settings.fps = 25;
  settings.duration = 0.2;
  Probe clip = probe(write(settings, 5));
  EXPECT_EQ(clip.videoTimes.size(), 5u);
  EXPECT_EQ(clip.audioCodec, AV_CODEC_ID_NONE);
}

TEST_F(VideoWriterTest, RefusesAFrameOfAnotherSizeAndMusicThatIsNotAAC) {
  VideoSettings settings;
  settings.width = 64;
  settings.height = 36;
  settings.fps = 25;
  settings.duration = 1;
  std::string error;
  auto writer = VideoWriter::open((folder_ / "a.mp4").string(), settings, error);
  ASSERT_TRUE(writer) << error;
  EXPECT_FALSE(writer->writeFrame(solid(32, 36, 0, 0, 0), error));
  EXPECT_NE(error.find("32x36"), std::string::npos);

  std::string wav = (folder_ / "tone.wav").string();
  ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i sine=duration=1 '" + wav + "'").c_str()),
            0);
  settings.musicPath = wav;
  EXPECT_FALSE(VideoWriter::open((folder_ / "b.mp4").string(), settings, error));
  EXPECT_NE(error.find("not AAC"), std::string::npos);
}

}  // namespace
}  // namespace render

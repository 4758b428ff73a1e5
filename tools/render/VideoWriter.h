#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/OffscreenRenderer.h"
#include "platform/media/Ffmpeg.h"

namespace render {

struct VideoSettings {
  int width = 1920;  // pixels, even
  int height = 1080;
  int fps = 60;
  int crf = 18;
  std::string preset = "veryfast";
  // An AAC track whose packets are copied into the video, undecoded.
  std::optional<std::string> musicPath;
  // Video time, in seconds, at which the music's time 0 plays; negative cuts
  // the music's beginning.
  double musicStart = 0;
  // Seconds of video: the music is cut there.
  double duration = 0;
};

// Writes an MP4 file: H.264 (libx264, yuv420p, BT.709 limited range) from
// RGBA frames or ready 4:2:0 planes, and optionally a remuxed AAC track. Frames are written in
// order, each lasting 1/fps.
class VideoWriter {
 public:
  // Whether the file's first audio stream is AAC, which the video takes as it is.
  static bool holdsAac(const std::string& path);
  static std::unique_ptr<VideoWriter> open(const std::string& path, const VideoSettings& settings,
                                           std::string& error);
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // `image` must have the settings' size.
  bool writeFrame(const platform::Image& image, std::string& error);
  // A frame as BT.709 limited-range 4:2:0 planes: Y, U, V, each without
  // padding (width × height × 1.5 bytes in all).
  bool writeYuv420(const std::uint8_t* planes, std::string& error);
  // Flushes the encoder, copies the rest of the music and closes the file.
  bool finish(std::string& error);

  long framesWritten() const { return framesWritten_; }

 private:
  VideoWriter() = default;
  bool openMusic(std::string& error);
  bool checkSize(int width, int height, std::string& error) const;
  // Sends frame_, filled, to the encoder.
  bool encode(std::string& error);
  bool drainEncoder(std::string& error);
  // Copies music packets that start before `videoTime` seconds.
  bool copyMusicUntil(double videoTime, std::string& error);

  VideoSettings settings_;
  std::string path_;
  platform::ffmpeg::Output output_;
  platform::ffmpeg::Codec encoder_;
  AVStream* videoStream_ = nullptr;  // owned by output_
  platform::ffmpeg::Frame frame_;
  platform::ffmpeg::Packet packet_;
  platform::ffmpeg::Scaler converter_;

  platform::ffmpeg::Input music_;
  int musicIndex_ = -1;
  AVStream* audioStream_ = nullptr;  // owned by output_
  platform::ffmpeg::Packet musicPacket_;
  bool musicPending_ = false;  // musicPacket_ holds a packet not yet written
  bool musicDone_ = false;

  long framesWritten_ = 0;
  bool finished_ = false;
};

}  // namespace render

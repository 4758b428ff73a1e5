#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/media/Ffmpeg.h"

namespace platform {

// Writes interleaved stereo float at 48 kHz as AAC-LC in an MPEG-4 audio file
// (libavcodec's own AAC encoder), index first. The encoder's priming samples
// are marked in the file's edit list, so decoders give back sample 0 of the
// input at time 0.
class AacFileWriter {
 public:
  static constexpr int sampleRate = 48000;
  static constexpr int channels = 2;

  AacFileWriter() = default;
  AacFileWriter(const AacFileWriter&) = delete;
  AacFileWriter& operator=(const AacFileWriter&) = delete;

  // `bitRate` in bits per second for both channels together.
  bool open(const std::string& path, int bitRate, std::string& error);
  // Appends `frames` left/right pairs.
  bool write(const float* samples, std::size_t frames, std::string& error);
  // Drains the encoder and completes the file; nothing is written afterwards.
  bool finish(std::string& error);

 private:
  bool encode(AVFrame* frame, std::string& error);  // nullptr drains
  // Encodes whole frames of `pending_`; `last` also sends the short remainder.
  bool encodePending(bool last, std::string& error);

  // Everything an open file needs; gone once it fails or is finished.
  struct Session {
    ffmpeg::Output format;
    ffmpeg::Codec codec;
    ffmpeg::Frame frame;
    ffmpeg::Packet packet;
  };

  std::string path_;
  std::optional<Session> session_;  // set once the header is written
  std::vector<float> pending_;      // interleaved input not yet a whole encoder frame
  int64_t nextPts_ = 0;             // in samples
};

}  // namespace platform

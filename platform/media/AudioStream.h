#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/media/Ffmpeg.h"

namespace platform {

// Decodes the first audio stream of a file piece by piece into interleaved
// stereo float at 48 kHz: the one core behind the whole-file decoder and the
// player's streaming worker. Sample 0 of the output is the file's time 0: the
// encoder's priming samples, which the container marks, are dropped, and the
// padding of the last frame is cut where the container says the music ends.
//
// Follows any change of sample format, channel layout or sample rate in the
// middle of the stream. A downmix never exceeds full scale.
//
// Not thread-safe: one thread at a time, which may change between calls.
class AudioStream {
 public:
  static constexpr int sampleRate = 48000;
  static constexpr int channels = 2;

  enum class Status { More, End, Failed };

  AudioStream() = default;
  ~AudioStream();
  AudioStream(const AudioStream&) = delete;
  AudioStream& operator=(const AudioStream&) = delete;

  // Opens `path` and decodes its first sound, appended to `out`. Fails with a
  // reason a person can read for a missing, empty, unreadable or non-audio
  // file, for something that is not a regular file (a folder, a named pipe, a
  // symbolic link that leads nowhere), and for a file that its own index shows
  // to be cut off. Damage further in is found only when decoding reaches it.
  bool open(const std::string& path, std::vector<float>& out, std::string& error);
  // Appends the next piece of sound to `out`: More when something was
  // appended, End at the end of the track, Failed (with `error`) when the
  // file turns out damaged or cut off.
  Status next(std::vector<float>& out, std::string& error);

  // Seconds the container declares the track to last; 0 when it does not say
  // (or only guesses from the bit rate).
  double declaredDuration() const { return declared_; }
  // Frames appended so far.
  std::size_t frames() const { return frames_; }

 private:
  bool fail(std::string& error, const std::string& reason) const;
  bool checkFile(std::string& error) const;
  bool checkChunks(std::string& error) const;
  bool checkRate(int rate, std::string& error) const;
  bool openContainer(std::string& error);
  bool checkIndex(std::string& error);
  bool step(std::vector<float>& out, std::string& error);
  bool receiveFrames(std::vector<float>& out, std::string& error);
  bool follow(const AVFrame& frame, std::vector<float>& out, std::string& error);
  bool convert(const AVFrame* frame, std::vector<float>& out, std::string& error);

  std::string path_;
  ffmpeg::Input format_;
  ffmpeg::Codec codec_;
  ffmpeg::Resampler resampler_;
  ffmpeg::Packet packet_;
  ffmpeg::Frame frame_;
  int stream_ = -1;
  double declared_ = 0;
  std::size_t frames_ = 0;
  std::size_t limit_ = SIZE_MAX;  // frames the container declares, when it does
  bool finished_ = false;
  // What the resampler was made for.
  int inputFormat_ = -1;
  int inputRate_ = 0;
  AVChannelLayout inputLayout_{};
};

}  // namespace platform

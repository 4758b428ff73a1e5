#pragma once

#include <string>

namespace render {

// The music as AAC, which an MP4 takes as it is: an organiser's MP3, Ogg,
// FLAC or WAV is decoded and encoded again into a temporary file, up to the
// time the video needs; AAC music is used as it is. The temporary file is
// removed once the video's writer has opened it (forget()) or with this.
class AacMusic {
 public:
  AacMusic() = default;
  ~AacMusic();
  AacMusic(const AacMusic&) = delete;
  AacMusic& operator=(const AacMusic&) = delete;

  // The path to give the video's writer: `path` itself when it holds AAC,
  // else a new file of its first `seconds` as AAC. False, with `error` set,
  // when the music cannot be decoded or the file cannot be written.
  bool prepare(const std::string& path, double seconds, std::string& error);
  const std::string& path() const { return path_; }
  // Removes the temporary file; an open reader keeps what it opened.
  void forget();

 private:
  std::string path_;
  std::string temporary_;  // empty when the music was AAC already
};

}  // namespace render

#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

// Files the media tests make for themselves, in a fresh folder per test.
class MediaFixtures {
 public:
  MediaFixtures();
  ~MediaFixtures();
  MediaFixtures(const MediaFixtures&) = delete;
  MediaFixtures& operator=(const MediaFixtures&) = delete;

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  // An AAC file through the composer's writer: `seconds` of silence with a
  // 1 kHz tone of amplitude 0.5 from `onset` seconds on.
  std::string toneFile(const std::string& name, double seconds, double onset) const;
  // The first half of `source`.
  std::string halfCopy(const std::string& source, const std::string& name) const;
  std::string bytesFile(const std::string& name, const std::vector<unsigned char>& bytes) const;
  // Seeded, so every run probes the same bytes.
  std::string randomFile(const std::string& name, std::size_t bytes) const;
  // A valid 1 × 1 PNG image under the given name.
  std::string pngFile(const std::string& name) const;
  // An MPEG-4 file with a second of MPEG-4 Visual frames and no audio stream.
  std::string silentVideoFile(const std::string& name) const;
  // A 16-bit WAV file: `channels` channels at `rate`, every channel a full-scale
  // 1 kHz sine for the first `toneSeconds`, then silence up to `seconds`
  // (left as a hole in the file, so that even an hour costs nothing).
  std::string wavFile(const std::string& name, int channels, int rate, double seconds,
                      double toneSeconds) const;
  // One raw AAC (ADTS) stream made of a second of sine per entry of
  // `channels`, each with that many channels, back to back.
  std::string adtsFile(const std::string& name, const std::vector<int>& channels) const;

 private:
  // A file made by ffmpeg's command-line tool from `arguments`.
  std::string generated(const std::string& name, const std::string& arguments) const;
  std::filesystem::path folder_;
};

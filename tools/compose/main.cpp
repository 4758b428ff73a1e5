// compose: writes the show's music track.
//
//   compose resources/audio.m4a
//
// The same seed always gives the same music; the file is 48 kHz stereo AAC.

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/media/AacFileWriter.h"
#include "platform/media/Ffmpeg.h"
#include "tools/compose/Arrangement.h"

int main(int argc, char** argv) {
  platform::ffmpeg::setLogPolicy();
  CLI::App app{"Synthesizes the show's music track and writes it as AAC in an MPEG-4 file."};
  std::string output;
  int bitRate = 192000;
  uint64_t seed = 64;
  app.add_option("output", output, "The file to write, e.g. resources/audio.m4a")->required();
  app.add_option("--bit-rate", bitRate, "AAC bit rate in bits per second")
      ->check(CLI::Range(96000, 320000));
  app.add_option("--seed", seed, "Seed of the noise and of the random gates");
  CLI11_PARSE(app, argc, argv);

  auto started = std::chrono::steady_clock::now();
  // −2 dBFS before the encoder: AAC's ringing adds up to about a decibel.
  constexpr double ceiling = 0.794;
  compose::StereoBuffer mix = compose::Arrangement(seed).render(ceiling);
  std::vector<float> samples = mix.interleaved();

  platform::AacFileWriter writer;
  std::string error;
  if (!writer.open(output, bitRate, error) || !writer.write(samples.data(), mix.frames(), error) ||
      !writer.finish(error)) {
    std::fprintf(stderr, "compose: %s\n", error.c_str());
    return 1;
  }
  float peak = 0;
  for (float s : samples) {
    peak = std::max(peak, std::fabs(s));
  }
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::error_code ignored;
  std::printf("compose: wrote %s: %.2f s, peak %.2f dBFS before encoding, %.0f kB, in %.1f s\n",
              output.c_str(), static_cast<double>(mix.frames()) / compose::StereoBuffer::rate,
              20 * std::log10(peak),
              static_cast<double>(std::filesystem::file_size(output, ignored)) / 1000, seconds);
  return 0;
}

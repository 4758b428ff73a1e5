#include "MediaFixtures.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <random>
#include <stdexcept>

#include "platform/media/AacFileWriter.h"
#include "platform/media/Ffmpeg.h"

MediaFixtures::MediaFixtures() {
  platform::ffmpeg::setLogPolicy();
  std::random_device seed;
  folder_ = std::filesystem::temp_directory_path() /
            ("invited-media-" + std::to_string(seed()) + std::to_string(seed()));
  std::filesystem::create_directories(folder_);
}

MediaFixtures::~MediaFixtures() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string MediaFixtures::toneFile(const std::string& name, double seconds, double onset) const {
  constexpr int rate = platform::AacFileWriter::sampleRate;
  auto frames = static_cast<std::size_t>(seconds * rate);
  auto start = static_cast<std::size_t>(onset * rate);
  std::vector<float> samples(frames * 2, 0.0f);
  for (std::size_t i = start; i < frames; ++i) {
    auto value = static_cast<float>(
        0.5 * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(i - start) / rate));
    samples[2 * i] = value;
    samples[2 * i + 1] = value;
  }
  platform::AacFileWriter writer;
  std::string error;
  std::string file = path(name);
  // Written in uneven pieces: the writer must regroup them into encoder frames.
  bool ok = writer.open(file, 160000, error);
  for (std::size_t done = 0; ok && done < frames;) {
    std::size_t piece = std::min<std::size_t>(777, frames - done);
    ok = writer.write(samples.data() + 2 * done, piece, error);
    done += piece;
  }
  if (!ok || !writer.finish(error)) {
    throw std::runtime_error(error);
  }
  return file;
}

std::string MediaFixtures::halfCopy(const std::string& source, const std::string& name) const {
  std::ifstream in(source, std::ios::binary);
  std::vector<unsigned char> content((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
  content.resize(content.size() / 2);
  return bytesFile(name, content);
}

std::string MediaFixtures::bytesFile(const std::string& name,
                                     const std::vector<unsigned char>& bytes) const {
  std::string file = path(name);
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return file;
}

std::string MediaFixtures::randomFile(const std::string& name, std::size_t bytes) const {
  std::mt19937 generator(20261205);
  std::vector<unsigned char> content(bytes);
  for (auto& byte : content) {
    byte = static_cast<unsigned char>(generator() & 0xff);
  }
  return bytesFile(name, content);
}

std::string MediaFixtures::pngFile(const std::string& name) const {
  return bytesFile(
      name, {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
             0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
             0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78,
             0xda, 0x63, 0x64, 0x60, 0xf8, 0x5f, 0x0f, 0x00, 0x02, 0x87, 0x01, 0x80, 0xeb, 0x47,
             0xba, 0x92, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82});
}

std::string MediaFixtures::silentVideoFile(const std::string& name) const {
  return generated(name, "-f lavfi -i testsrc=size=16x16:rate=5:duration=1 -c:v mpeg4 -f mp4");
}

std::string MediaFixtures::wavFile(const std::string& name, int channels, int rate, double seconds,
                                   double toneSeconds) const {
  auto frames = static_cast<uint32_t>(seconds * rate);
  auto toneFrames = static_cast<uint32_t>(toneSeconds * rate);
  uint32_t dataBytes = frames * static_cast<uint32_t>(channels) * 2;
  std::vector<unsigned char> bytes;
  auto text = [&](const char* four) { bytes.insert(bytes.end(), four, four + 4); };
  auto number = [&](uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
      bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
  };
  text("RIFF");
  number(36 + dataBytes, 4);
  text("WAVE");
  text("fmt ");
  number(16, 4);
  number(1, 2);  // integer PCM
  number(static_cast<uint32_t>(channels), 2);
  number(static_cast<uint32_t>(rate), 4);
  number(static_cast<uint32_t>(rate * channels * 2), 4);
  number(static_cast<uint32_t>(channels * 2), 2);
  number(16, 2);
  text("data");
  number(dataBytes, 4);
  for (uint32_t i = 0; i < toneFrames; ++i) {
    auto value = static_cast<int16_t>(
        std::lround(32767 * std::sin(2 * std::numbers::pi * 1000.0 * i / rate)));
    for (int c = 0; c < channels; ++c) {
      number(static_cast<uint16_t>(value), 2);
    }
  }
  std::string file = bytesFile(name, bytes);
  std::filesystem::resize_file(file, 44 + static_cast<std::uintmax_t>(dataBytes));
  return file;
}

std::string MediaFixtures::adtsFile(const std::string& name,
                                    const std::vector<int>& channels) const {
  std::string file = path(name);
  std::ofstream out(file, std::ios::binary);
  for (std::size_t i = 0; i < channels.size(); ++i) {
    std::ifstream part(generated(name + "." + std::to_string(i),
                                 "-f lavfi -i sine=frequency=1000:duration=1 -ar 48000 -ac " +
                                     std::to_string(channels[i]) + " -c:a aac -f adts"),
                       std::ios::binary);
    out << part.rdbuf();
  }
  return file;
}

std::string MediaFixtures::generated(const std::string& name, const std::string& arguments) const {
  std::string file = path(name);
  std::string command = "ffmpeg -nostdin -v error -y " + arguments + " '" + file + "'";
  if (std::system(command.c_str()) != 0) {
    throw std::runtime_error("cannot make a media fixture: " + command);
  }
  return file;
}

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

std::string MediaFixtures::truncatedCopy(const std::string& source, const std::string& name,
                                         std::size_t bytes) const {
  std::ifstream in(source, std::ios::binary);
  std::vector<unsigned char> content((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
  content.resize(bytes == 0 ? content.size() / 2 : std::min(bytes, content.size()));
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
  namespace ffmpeg = platform::ffmpeg;
  std::string file = path(name);
  auto check = [](bool ok, const char* what) {
    if (!ok) {
      throw std::runtime_error(std::string("cannot make the video fixture: ") + what);
    }
  };
  AVFormatContext* rawFormat = nullptr;
  check(avformat_alloc_output_context2(&rawFormat, nullptr, "mp4", file.c_str()) >= 0, "muxer");
  ffmpeg::Output format(rawFormat);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  check(codec != nullptr, "encoder");
  ffmpeg::Codec context(avcodec_alloc_context3(codec));
  context->width = 64;
  context->height = 48;
  context->pix_fmt = AV_PIX_FMT_YUV420P;
  context->time_base = AVRational{1, 25};
  context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  check(avcodec_open2(context.get(), codec, nullptr) >= 0, "encoder settings");
  AVStream* stream = avformat_new_stream(format.get(), nullptr);
  stream->time_base = context->time_base;
  avcodec_parameters_from_context(stream->codecpar, context.get());
  check(avio_open(&format->pb, file.c_str(), AVIO_FLAG_WRITE) >= 0, "file");
  check(avformat_write_header(format.get(), nullptr) >= 0, "header");
  ffmpeg::Frame frame(av_frame_alloc());
  frame->width = context->width;
  frame->height = context->height;
  frame->format = context->pix_fmt;
  check(av_frame_get_buffer(frame.get(), 0) >= 0, "frame");
  ffmpeg::Packet packet(av_packet_alloc());
  auto drain = [&] {
    while (avcodec_receive_packet(context.get(), packet.get()) >= 0) {
      av_packet_rescale_ts(packet.get(), context->time_base, stream->time_base);
      packet->stream_index = 0;
      av_interleaved_write_frame(format.get(), packet.get());
    }
  };
  for (int i = 0; i < 5; ++i) {
    check(av_frame_make_writable(frame.get()) >= 0, "frame");
    for (int plane = 0; plane < 3; ++plane) {
      int rows = plane == 0 ? frame->height : frame->height / 2;
      for (int y = 0; y < rows; ++y) {
        std::fill_n(frame->data[plane] + y * frame->linesize[plane], frame->linesize[plane],
                    static_cast<uint8_t>(40 * i + y));
      }
    }
    frame->pts = i;
    check(avcodec_send_frame(context.get(), frame.get()) >= 0, "encoding");
    drain();
  }
  avcodec_send_frame(context.get(), nullptr);
  drain();
  av_write_trailer(format.get());
  return file;
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
  std::ofstream(file, std::ios::binary).close();
  for (std::size_t i = 0; i < channels.size(); ++i) {
    std::string part = path(name + "." + std::to_string(i));
    std::string command =
        "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=1000:duration=1 "
        "-ar 48000 -ac " +
        std::to_string(channels[i]) + " -c:a aac -f adts '" + part + "' && cat '" + part +
        "' >> '" + file + "'";
    if (std::system(command.c_str()) != 0) {
      throw std::runtime_error("cannot make the ADTS fixture: " + command);
    }
  }
  return file;
}

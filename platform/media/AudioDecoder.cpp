#include "platform/media/AudioDecoder.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <system_error>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace platform {

namespace {

// A decoded duration this much shorter than the container declares means the
// file was cut off: a truncated file must fail at creation, not mid-show.
constexpr double truncationTolerance = 0.1;  // seconds

std::string describe(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct FormatCloser {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ResamplerFreer {
  void operator()(SwrContext* context) const { swr_free(&context); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

// Owns everything one decode needs, so that every early return frees it.
class Session {
 public:
  Session(const std::string& path, std::vector<float>& out) : path_(path), out_(out) {}

  bool run(std::string& error) {
    return checkFile(error) && open(error) && decodeAll(error) && checkComplete(error);
  }

 private:
  bool fail(std::string& error, const std::string& reason) {
    error = "cannot play '" + path_ + "': " + reason;
    return false;
  }

  bool checkFile(std::string& error) {
    std::error_code code;
    auto status = std::filesystem::status(path_, code);
    if (!std::filesystem::exists(status)) {
      return fail(error, "the file does not exist");
    }
    if (std::filesystem::is_directory(status)) {
      return fail(error, "it is a folder, not a file");
    }
    if (std::filesystem::file_size(path_, code) == 0 && !code) {
      return fail(error, "the file is empty");
    }
    return true;
  }

  bool open(std::string& error) {
    AVFormatContext* raw = nullptr;
    int result = avformat_open_input(&raw, path_.c_str(), nullptr, nullptr);
    if (result < 0) {
      if (result == AVERROR(EACCES)) {
        return fail(error, "the file cannot be read (permission denied)");
      }
      return fail(error, "not a media file FFmpeg recognises (" + describe(result) + ")");
    }
    format_.reset(raw);
    result = avformat_find_stream_info(format_.get(), nullptr);
    if (result < 0) {
      return fail(error, "the file's streams cannot be read (" + describe(result) + ")");
    }
    bool anyKnownStream = false;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
      anyKnownStream |= format_->streams[i]->codecpar->codec_id != AV_CODEC_ID_NONE;
    }
    if (!anyKnownStream) {
      // A container whose index ends before it describes any stream.
      return fail(error, "no stream in the file can be read: it is damaged or cut off");
    }
    const AVCodec* codec = nullptr;
    stream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream_ == AVERROR_STREAM_NOT_FOUND) {
      return fail(error, "the file has no audio stream");
    }
    if (stream_ < 0 || codec == nullptr) {
      return fail(error, "no decoder for the file's audio stream");
    }
    AVStream* stream = format_->streams[stream_];
    codec_.reset(avcodec_alloc_context3(codec));
    if (!codec_ || avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0) {
      return fail(error, "the audio stream's parameters are invalid");
    }
    codec_->pkt_timebase = stream->time_base;
    result = avcodec_open2(codec_.get(), codec, nullptr);
    if (result < 0) {
      return fail(error, "the audio decoder cannot be opened (" + describe(result) + ")");
    }
    if (stream->duration > 0) {
      declared_ = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    } else if (format_->duration > 0) {
      declared_ = static_cast<double>(format_->duration) / AV_TIME_BASE;
    }
    // One allocation for the whole file, unless the container's claim is absurd.
    if (declared_ > 0 && declared_ < 3600) {
      out_.reserve(static_cast<std::size_t>((declared_ + 1) * AudioDecoder::sampleRate) *
                   AudioDecoder::channels);
    }
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    return packet_ && frame_ ? true : fail(error, "out of memory");
  }

  bool openResampler(const AVFrame& frame, std::string& error) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    AVChannelLayout input{};
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0) {
      av_channel_layout_default(&input, frame.ch_layout.nb_channels > 0
                                            ? frame.ch_layout.nb_channels
                                            : codec_->ch_layout.nb_channels);
    } else {
      av_channel_layout_copy(&input, &frame.ch_layout);
    }
    SwrContext* raw = nullptr;
    int result = swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, AudioDecoder::sampleRate,
                                     &input, static_cast<AVSampleFormat>(frame.format),
                                     frame.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&input);
    if (result < 0 || swr_init(raw) < 0) {
      swr_free(&raw);
      return fail(error, "the audio cannot be converted to the output format");
    }
    resampler_.reset(raw);
    return true;
  }

  // Appends what the resampler gives for `frame` (nullptr flushes it).
  bool convert(const AVFrame* frame, std::string& error) {
    int inputFrames = frame ? frame->nb_samples : 0;
    int room = swr_get_out_samples(resampler_.get(), inputFrames);
    if (room < 0) {
      return fail(error, "the audio cannot be converted to the output format");
    }
    std::size_t start = out_.size();
    out_.resize(start + static_cast<std::size_t>(room) * AudioDecoder::channels);
    auto* target = reinterpret_cast<uint8_t*>(out_.data() + start);
    int made = swr_convert(resampler_.get(), &target, room,
                           frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
                           inputFrames);
    if (made < 0) {
      return fail(error, "the audio cannot be converted to the output format");
    }
    out_.resize(start + static_cast<std::size_t>(made) * AudioDecoder::channels);
    return true;
  }

  bool receiveFrames(std::string& error) {
    for (;;) {
      int result = avcodec_receive_frame(codec_.get(), frame_.get());
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
        return true;
      }
      if (result < 0) {
        return fail(error, "the audio cannot be decoded: the file is damaged or cut off (" +
                               describe(result) + ")");
      }
      bool ok = (resampler_ || openResampler(*frame_, error)) && convert(frame_.get(), error);
      av_frame_unref(frame_.get());
      if (!ok) {
        return false;
      }
    }
  }

  bool decodeAll(std::string& error) {
    for (;;) {
      int result = av_read_frame(format_.get(), packet_.get());
      if (result == AVERROR_EOF) {
        break;
      }
      if (result < 0) {
        return fail(error, "the file is damaged or cut off (" + describe(result) + ")");
      }
      if (packet_->stream_index != stream_) {
        av_packet_unref(packet_.get());
        continue;
      }
      result = avcodec_send_packet(codec_.get(), packet_.get());
      av_packet_unref(packet_.get());
      if (result < 0 && result != AVERROR(EAGAIN)) {
        return fail(error, "the audio cannot be decoded: the file is damaged or cut off (" +
                               describe(result) + ")");
      }
      if (!receiveFrames(error)) {
        return false;
      }
    }
    avcodec_send_packet(codec_.get(), nullptr);
    if (!receiveFrames(error)) {
      return false;
    }
    return !resampler_ || convert(nullptr, error);
  }

  bool checkComplete(std::string& error) {
    double decoded =
        static_cast<double>(out_.size() / AudioDecoder::channels) / AudioDecoder::sampleRate;
    if (decoded <= 0) {
      return fail(error, "the audio stream holds no sound");
    }
    if (declared_ > 0 && decoded + truncationTolerance < declared_) {
      return fail(error, "the file is cut off: " + std::to_string(decoded) + " of " +
                             std::to_string(declared_) + " seconds decode");
    }
    // The last AAC frame is padded to a whole frame; the container's length
    // says where the music ends.
    if (declared_ > 0 && decoded > declared_) {
      auto frames = static_cast<std::size_t>(std::llround(declared_ * AudioDecoder::sampleRate));
      out_.resize(frames * AudioDecoder::channels);
    }
    return true;
  }

  const std::string& path_;
  std::vector<float>& out_;
  std::unique_ptr<AVFormatContext, FormatCloser> format_;
  std::unique_ptr<AVCodecContext, CodecFreer> codec_;
  std::unique_ptr<SwrContext, ResamplerFreer> resampler_;
  std::unique_ptr<AVPacket, PacketFreer> packet_;
  std::unique_ptr<AVFrame, FrameFreer> frame_;
  int stream_ = -1;
  double declared_ = 0;  // seconds the container claims; 0 when it does not say
};

}  // namespace

bool AudioDecoder::decodeFile(const std::string& path, std::string& error) {
  // FFmpeg's own diagnostics would reach stderr beside ours; the error string
  // is the one report.
  av_log_set_level(AV_LOG_QUIET);
  std::vector<float> decoded;
  if (!Session(path, decoded).run(error)) {
    return false;
  }
  decoded.shrink_to_fit();
  samples_ = std::move(decoded);
  return true;
}

}  // namespace platform

#include "platform/media/AudioStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace platform {

namespace {

// Rates outside this range are no music file's: a header declaring one is
// damaged, and resampling from it would cost seconds and gigabytes.
constexpr int lowestRate = 4000;     // Hz
constexpr int highestRate = 384000;  // Hz

std::uint32_t littleEndian32(const unsigned char* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

}  // namespace

AudioStream::~AudioStream() {
  av_channel_layout_uninit(&inputLayout_);
}

bool AudioStream::fail(std::string& error, const std::string& reason) const {
  error = "cannot play '" + path_ + "': " + reason;
  return false;
}

bool AudioStream::open(const std::string& path, std::vector<float>& out, std::string& error) {
  path_ = path;
  if (!checkFile(error) || !checkChunks(error) || !openContainer(error) || !checkIndex(error)) {
    return false;
  }
  packet_.reset(av_packet_alloc());
  frame_.reset(av_frame_alloc());
  if (!packet_ || !frame_) {
    return fail(error, "out of memory");
  }
  switch (next(out, error)) {
    case Status::More:
      return true;
    case Status::End:
      return fail(error, "the audio stream holds no sound");
    case Status::Failed:
      break;
  }
  return false;
}

// Says what the path names before FFmpeg opens it: opening a named pipe
// would block until someone writes to it.
bool AudioStream::checkFile(std::string& error) const {
  struct stat link {};
  if (::lstat(path_.c_str(), &link) != 0) {
    if (errno == EACCES) {
      return fail(error, "its folder cannot be entered (permission denied)");
    }
    if (errno == ELOOP) {
      return fail(error, "its path goes through a symbolic link that loops");
    }
    return fail(error, "the file does not exist");
  }
  struct stat target {};
  if (::stat(path_.c_str(), &target) != 0) {
    int reason = errno;
    if (reason == ELOOP) {
      return fail(error, "it is a symbolic link that loops back on itself");
    }
    if (S_ISLNK(link.st_mode) && reason == ENOENT) {
      return fail(error, "it is a symbolic link to a file that does not exist");
    }
    return fail(error, std::string("the file cannot be examined (") + std::strerror(reason) + ")");
  }
  if (S_ISDIR(target.st_mode)) {
    return fail(error, "it is a folder, not a file");
  }
  if (S_ISFIFO(target.st_mode)) {
    return fail(error, "it is a named pipe (FIFO), not a file");
  }
  if (!S_ISREG(target.st_mode)) {
    return fail(error, "it is a device or socket, not a file");
  }
  if (::access(path_.c_str(), R_OK) != 0) {
    return fail(error, "the file cannot be read (permission denied)");
  }
  if (target.st_size == 0) {
    return fail(error, "the file is empty");
  }
  return true;
}

// A RIFF file (WAV) with a chunk that claims more bytes than the file holds is
// damaged; FFmpeg would allocate and clear the claimed size (gigabytes) before
// finding out. That holds for the chunks after the sound as well: FFmpeg reads
// on past a sound chunk that ends inside the file. The sound's own chunk may
// run on, and then nothing follows it: a WAV written as a stream declares no
// length.
bool AudioStream::checkChunks(std::string& error) const {
  std::ifstream file(path_, std::ios::binary | std::ios::ate);
  const std::streamoff size = file.tellg();
  unsigned char header[12] = {};
  file.seekg(0);
  if (!file.read(reinterpret_cast<char*>(header), sizeof header) ||
      std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
    return true;
  }
  std::streamoff offset = sizeof header;
  unsigned char chunk[8] = {};
  while (offset + 8 <= size && file.seekg(offset) && file.read(reinterpret_cast<char*>(chunk), 8)) {
    const std::streamoff length = littleEndian32(chunk + 4);
    if (offset + 8 + length > size) {
      if (std::memcmp(chunk, "data", 4) == 0) {
        return true;
      }
      return fail(error, "the file is damaged: its '" +
                             std::string(reinterpret_cast<char*>(chunk), 4) + "' chunk claims " +
                             std::to_string(length) + " bytes, past the end of the file");
    }
    offset += 8 + length + (length & 1);
  }
  return true;
}

bool AudioStream::checkRate(int rate, std::string& error) const {
  if (rate < lowestRate || rate > highestRate) {
    return fail(error, "the audio's sample rate of " + std::to_string(rate) +
                           " Hz is outside what a music file uses (" + std::to_string(lowestRate) +
                           " to " + std::to_string(highestRate) + " Hz)");
  }
  return true;
}

bool AudioStream::openContainer(std::string& error) {
  AVFormatContext* raw = nullptr;
  int result = avformat_open_input(&raw, path_.c_str(), nullptr, nullptr);
  if (result < 0) {
    if (result == AVERROR(EACCES)) {
      return fail(error, "the file cannot be read (permission denied)");
    }
    return fail(error, "not a media file FFmpeg recognises (" + ffmpeg::errorText(result) + ")");
  }
  format_.reset(raw);
  result = avformat_find_stream_info(format_.get(), nullptr);
  if (result < 0) {
    return fail(error, "the file's streams cannot be read (" + ffmpeg::errorText(result) + ")");
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
  if (!checkRate(codec_->sample_rate, error)) {
    return false;
  }
  codec_->pkt_timebase = stream->time_base;
  result = avcodec_open2(codec_.get(), codec, nullptr);
  if (result < 0) {
    return fail(error, "the audio decoder cannot be opened (" + ffmpeg::errorText(result) + ")");
  }
  // A length guessed from the bit rate (raw ADTS, MP3 without a table) is
  // no promise: neither trim to it nor call a file short of it cut off.
  if (format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
    if (stream->duration > 0) {
      declared_ = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    } else if (format_->duration > 0) {
      declared_ = static_cast<double>(format_->duration) / AV_TIME_BASE;
    }
  }
  if (declared_ > 0) {
    limit_ = static_cast<std::size_t>(std::llround(declared_ * sampleRate));
  }
  return true;
}

// A container with an index (MPEG-4) says where every packet lies, so a file
// cut anywhere in its sound fails here, before anything plays. Formats without
// one (ADTS, WAV) and damage inside the data are found only by decoding: the
// player then ends its sound early, and decodeFile() reports the file.
bool AudioStream::checkIndex(std::string& error) {
  AVStream* stream = format_->streams[stream_];
  int count = avformat_index_get_entries_count(stream);
  int64_t size = format_->pb ? avio_size(format_->pb) : -1;
  if (count <= 0 || size <= 0) {
    return true;
  }
  const AVIndexEntry* last = avformat_index_get_entry(stream, count - 1);
  if (last != nullptr && last->pos + last->size > size) {
    return fail(error, "the file is cut off: its index places sound past its end");
  }
  return true;
}

AudioStream::Status AudioStream::next(std::vector<float>& out, std::string& error) {
  std::size_t before = out.size();
  while (out.size() == before && !finished_) {
    if (!step(out, error)) {
      return Status::Failed;
    }
  }
  return out.size() == before ? Status::End : Status::More;
}

bool AudioStream::step(std::vector<float>& out, std::string& error) {
  int result = av_read_frame(format_.get(), packet_.get());
  if (result == AVERROR_EOF) {
    avcodec_send_packet(codec_.get(), nullptr);
    if (!receiveFrames(out, error) || (resampler_ && !finished_ && !convert(nullptr, out, error))) {
      return false;
    }
    finished_ = true;
    return true;
  }
  if (result < 0) {
    return fail(error, "the file is damaged or cut off (" + ffmpeg::errorText(result) + ")");
  }
  if (packet_->stream_index != stream_) {
    av_packet_unref(packet_.get());
    return true;
  }
  result = avcodec_send_packet(codec_.get(), packet_.get());
  av_packet_unref(packet_.get());
  if (result < 0 && result != AVERROR(EAGAIN)) {
    return fail(error, "the audio cannot be decoded: the file is damaged or cut off (" +
                           ffmpeg::errorText(result) + ")");
  }
  return receiveFrames(out, error);
}

bool AudioStream::receiveFrames(std::vector<float>& out, std::string& error) {
  for (;;) {
    int result = avcodec_receive_frame(codec_.get(), frame_.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
      return true;
    }
    if (result < 0) {
      return fail(error, "the audio cannot be decoded: the file is damaged or cut off (" +
                             ffmpeg::errorText(result) + ")");
    }
    bool ok = finished_ || follow(*frame_, out, error);
    av_frame_unref(frame_.get());
    if (!ok) {
      return false;
    }
  }
}

// A resampler converts one input format only: when the stream changes format,
// layout or rate, the old one gives up what it holds and a new one takes over.
bool AudioStream::follow(const AVFrame& frame, std::vector<float>& out, std::string& error) {
  AVChannelLayout layout{};
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame.ch_layout.nb_channels == 0) {
    av_channel_layout_default(&layout, frame.ch_layout.nb_channels > 0
                                           ? frame.ch_layout.nb_channels
                                           : codec_->ch_layout.nb_channels);
  } else {
    av_channel_layout_copy(&layout, &frame.ch_layout);
  }
  bool same = resampler_ && frame.format == inputFormat_ && frame.sample_rate == inputRate_ &&
              av_channel_layout_compare(&layout, &inputLayout_) == 0;
  if (resampler_ && !same) {
    if (!convert(nullptr, out, error)) {
      av_channel_layout_uninit(&layout);
      return false;
    }
    resampler_.reset();
  }
  if (!resampler_) {
    if (!checkRate(frame.sample_rate, error)) {
      av_channel_layout_uninit(&layout);
      return false;
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    SwrContext* raw = nullptr;
    int result = swr_alloc_set_opts2(&raw, &stereo, AV_SAMPLE_FMT_FLT, sampleRate, &layout,
                                     static_cast<AVSampleFormat>(frame.format), frame.sample_rate,
                                     0, nullptr);
    resampler_.reset(raw);
    // Scales the downmix so that no output channel's weights sum above one:
    // full-scale input stays within full scale.
    if (result < 0 || av_opt_set_double(raw, "rematrix_maxval", 1.0, 0) < 0 || swr_init(raw) < 0) {
      resampler_.reset();
      av_channel_layout_uninit(&layout);
      return fail(error, "the audio cannot be converted to the output format");
    }
    inputFormat_ = frame.format;
    inputRate_ = frame.sample_rate;
    av_channel_layout_uninit(&inputLayout_);
    av_channel_layout_copy(&inputLayout_, &layout);
  }
  av_channel_layout_uninit(&layout);
  return convert(&frame, out, error);
}

// Appends what the resampler gives for `frame` (nullptr flushes it), up to the
// length the container declares.
bool AudioStream::convert(const AVFrame* frame, std::vector<float>& out, std::string& error) {
  int inputFrames = frame ? frame->nb_samples : 0;
  int room = swr_get_out_samples(resampler_.get(), inputFrames);
  if (room < 0) {
    return fail(error, "the audio cannot be converted to the output format");
  }
  std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(room) * channels);
  auto* target = reinterpret_cast<uint8_t*>(out.data() + start);
  int made =
      swr_convert(resampler_.get(), &target, room,
                  frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inputFrames);
  if (made < 0) {
    out.resize(start);
    return fail(error, "the audio cannot be converted to the output format");
  }
  std::size_t kept = std::min(static_cast<std::size_t>(made), limit_ - frames_);
  frames_ += kept;
  out.resize(start + kept * channels);
  // The last AAC frame is padded to a whole frame; the container's length
  // says where the music ends.
  finished_ = finished_ || frames_ >= limit_;
  return true;
}

}  // namespace platform

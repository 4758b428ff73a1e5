#include "platform/media/AacFileWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace platform {

namespace {

std::string describe(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

}  // namespace

AacFileWriter::~AacFileWriter() {
  release();
}

void AacFileWriter::release() {
  if (format_ != nullptr) {
    if (format_->pb != nullptr) {
      avio_closep(&format_->pb);
    }
    avformat_free_context(format_);
    format_ = nullptr;
  }
  avcodec_free_context(&codec_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
}

bool AacFileWriter::open(const std::string& path, int bitRate, std::string& error) {
  path_ = path;
  // The muxer's and encoder's chatter would reach stderr; failures come back
  // in `error`.
  av_log_set_level(AV_LOG_QUIET);
  auto fail = [&](const std::string& reason, int code) {
    error =
        "cannot write '" + path + "': " + reason + (code < 0 ? " (" + describe(code) + ")" : "");
    release();
    return false;
  };
  int result = avformat_alloc_output_context2(&format_, nullptr, "mp4", path.c_str());
  if (result < 0) {
    return fail("no MPEG-4 muxer", result);
  }
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (codec == nullptr) {
    return fail("no AAC encoder in this FFmpeg", 0);
  }
  codec_ = avcodec_alloc_context3(codec);
  codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
  codec_->sample_rate = sampleRate;
  codec_->bit_rate = bitRate;
  codec_->time_base = AVRational{1, sampleRate};
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&codec_->ch_layout, &stereo);
  if (format_->oformat->flags & AVFMT_GLOBALHEADER) {
    codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  result = avcodec_open2(codec_, codec, nullptr);
  if (result < 0) {
    return fail("the AAC encoder refuses the settings", result);
  }
  AVStream* stream = avformat_new_stream(format_, nullptr);
  if (stream == nullptr) {
    return fail("out of memory", 0);
  }
  stream->time_base = codec_->time_base;
  avcodec_parameters_from_context(stream->codecpar, codec_);
  result = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (result < 0) {
    return fail("the file cannot be created", result);
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", "+faststart", 0);
  result = avformat_write_header(format_, &options);
  av_dict_free(&options);
  if (result < 0) {
    return fail("the header cannot be written", result);
  }
  headerWritten_ = true;
  frame_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (frame_ == nullptr || packet_ == nullptr) {
    return fail("out of memory", 0);
  }
  return true;
}

bool AacFileWriter::write(const float* samples, std::size_t frames, std::string& error) {
  if (codec_ == nullptr) {
    error = "cannot write: the file is not open";
    return false;
  }
  pending_.insert(pending_.end(), samples, samples + frames * channels);
  return encodePending(false, error);
}

bool AacFileWriter::encodePending(bool last, std::string& error) {
  std::size_t size = static_cast<std::size_t>(codec_->frame_size);
  std::size_t used = 0;
  while (pending_.size() - used >= size * channels || (last && used < pending_.size())) {
    std::size_t count = std::min(size, (pending_.size() - used) / channels);
    av_frame_unref(frame_);
    frame_->nb_samples = static_cast<int>(count);
    frame_->format = codec_->sample_fmt;
    frame_->sample_rate = sampleRate;
    av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout);
    int result = av_frame_get_buffer(frame_, 0);
    if (result < 0) {
      error = "cannot write '" + path_ + "': out of memory";
      return false;
    }
    auto* left = reinterpret_cast<float*>(frame_->data[0]);
    auto* right = reinterpret_cast<float*>(frame_->data[1]);
    for (std::size_t i = 0; i < count; ++i) {
      left[i] = pending_[used + 2 * i];
      right[i] = pending_[used + 2 * i + 1];
    }
    frame_->pts = nextPts_;
    nextPts_ += static_cast<int64_t>(count);
    used += count * channels;
    if (!encode(frame_, error)) {
      return false;
    }
    if (count < size) {
      break;
    }
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
  return true;
}

bool AacFileWriter::encode(AVFrame* frame, std::string& error) {
  int result = avcodec_send_frame(codec_, frame);
  if (result < 0) {
    error = "cannot write '" + path_ + "': the encoder fails (" + describe(result) + ")";
    return false;
  }
  for (;;) {
    result = avcodec_receive_packet(codec_, packet_);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
      return true;
    }
    if (result < 0) {
      error = "cannot write '" + path_ + "': the encoder fails (" + describe(result) + ")";
      return false;
    }
    packet_->stream_index = 0;
    av_packet_rescale_ts(packet_, codec_->time_base, format_->streams[0]->time_base);
    result = av_interleaved_write_frame(format_, packet_);
    if (result < 0) {
      error = "cannot write '" + path_ + "': " + describe(result);
      return false;
    }
  }
}

bool AacFileWriter::finish(std::string& error) {
  if (codec_ == nullptr || !headerWritten_) {
    error = "cannot write: the file is not open";
    return false;
  }
  // The encoder takes a last frame shorter than its frame size.
  bool ok = encodePending(true, error) && encode(nullptr, error);
  if (ok) {
    int result = av_write_trailer(format_);
    if (result < 0) {
      error = "cannot write '" + path_ + "': " + describe(result);
      ok = false;
    }
  }
  release();
  return ok;
}

}  // namespace platform

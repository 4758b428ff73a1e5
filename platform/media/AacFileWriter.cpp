#include "platform/media/AacFileWriter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace platform {

bool AacFileWriter::open(const std::string& path, int bitRate, std::string& error) {
  path_ = path;
  session_.reset();
  auto fail = [&](const std::string& reason, int code) {
    error = "cannot write '" + path + "': " + reason +
            (code < 0 ? " (" + ffmpeg::errorText(code) + ")" : "");
    return false;
  };
  Session session;
  AVFormatContext* rawFormat = nullptr;
  int result = avformat_alloc_output_context2(&rawFormat, nullptr, "mp4", path.c_str());
  if (result < 0) {
    return fail("no MPEG-4 muxer", result);
  }
  session.format.reset(rawFormat);
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (encoder == nullptr) {
    return fail("no AAC encoder in this FFmpeg", 0);
  }
  session.codec.reset(avcodec_alloc_context3(encoder));
  session.frame.reset(av_frame_alloc());
  session.packet.reset(av_packet_alloc());
  if (!session.codec || !session.frame || !session.packet) {
    return fail("out of memory", 0);
  }
  AVCodecContext* codec = session.codec.get();
  AVFormatContext* format = session.format.get();
  codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
  codec->sample_rate = sampleRate;
  codec->bit_rate = bitRate;
  codec->time_base = AVRational{1, sampleRate};
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&codec->ch_layout, &stereo);
  if (format->oformat->flags & AVFMT_GLOBALHEADER) {
    codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  result = avcodec_open2(codec, encoder, nullptr);
  if (result < 0) {
    return fail("the AAC encoder refuses the settings", result);
  }
  AVStream* stream = avformat_new_stream(format, nullptr);
  if (stream == nullptr) {
    return fail("out of memory", 0);
  }
  stream->time_base = codec->time_base;
  avcodec_parameters_from_context(stream->codecpar, codec);
  result = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (result < 0) {
    return fail("the file cannot be created", result);
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "movflags", "+faststart", 0);
  result = avformat_write_header(format, &options);
  av_dict_free(&options);
  if (result < 0) {
    return fail("the header cannot be written", result);
  }
  session_ = std::move(session);
  pending_.clear();
  nextPts_ = 0;
  return true;
}

bool AacFileWriter::write(const float* samples, std::size_t frames, std::string& error) {
  if (!session_) {
    error = "cannot write: the file is not open";
    return false;
  }
  pending_.insert(pending_.end(), samples, samples + frames * channels);
  return encodePending(false, error);
}

bool AacFileWriter::encodePending(bool last, std::string& error) {
  AVCodecContext* codec = session_->codec.get();
  AVFrame* frame = session_->frame.get();
  std::size_t size = static_cast<std::size_t>(codec->frame_size);
  std::size_t used = 0;
  while (pending_.size() - used >= size * channels || (last && used < pending_.size())) {
    std::size_t count = std::min(size, (pending_.size() - used) / channels);
    av_frame_unref(frame);
    frame->nb_samples = static_cast<int>(count);
    frame->format = codec->sample_fmt;
    frame->sample_rate = sampleRate;
    av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
    int result = av_frame_get_buffer(frame, 0);
    if (result < 0) {
      error = "cannot write '" + path_ + "': out of memory";
      return false;
    }
    auto* left = reinterpret_cast<float*>(frame->data[0]);
    auto* right = reinterpret_cast<float*>(frame->data[1]);
    for (std::size_t i = 0; i < count; ++i) {
      left[i] = pending_[used + 2 * i];
      right[i] = pending_[used + 2 * i + 1];
    }
    frame->pts = nextPts_;
    nextPts_ += static_cast<int64_t>(count);
    used += count * channels;
    if (!encode(frame, error)) {
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
  AVCodecContext* codec = session_->codec.get();
  AVPacket* packet = session_->packet.get();
  AVFormatContext* format = session_->format.get();
  int result = avcodec_send_frame(codec, frame);
  if (result < 0) {
    error = "cannot write '" + path_ + "': the encoder fails (" + ffmpeg::errorText(result) + ")";
    return false;
  }
  for (;;) {
    result = avcodec_receive_packet(codec, packet);
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
      return true;
    }
    if (result < 0) {
      error = "cannot write '" + path_ + "': the encoder fails (" + ffmpeg::errorText(result) + ")";
      return false;
    }
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, codec->time_base, format->streams[0]->time_base);
    result = av_interleaved_write_frame(format, packet);
    if (result < 0) {
      error = "cannot write '" + path_ + "': " + ffmpeg::errorText(result);
      return false;
    }
  }
}

bool AacFileWriter::finish(std::string& error) {
  if (!session_) {
    error = "cannot write: the file is not open";
    return false;
  }
  // The encoder takes a last frame shorter than its frame size.
  bool ok = encodePending(true, error) && encode(nullptr, error);
  if (ok) {
    int result = av_write_trailer(session_->format.get());
    if (result < 0) {
      error = "cannot write '" + path_ + "': " + ffmpeg::errorText(result);
      ok = false;
    }
  }
  session_.reset();  // closes the file
  return ok;
}

}  // namespace platform

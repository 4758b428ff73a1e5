#pragma once

// The one way this program holds FFmpeg's objects and speaks of its errors:
// every object lives in one of these owners, so that every early return
// frees it, and every message about a failed call uses errorText().

#include <memory>
#include <optional>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace platform::ffmpeg {

struct InputDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
// Closes the file an output context opened, if it opened one, then frees it.
struct OutputDeleter {
  void operator()(AVFormatContext* context) const {
    if (context->oformat && !(context->oformat->flags & AVFMT_NOFILE)) {
      avio_closep(&context->pb);
    }
    avformat_free_context(context);
  }
};
struct CodecDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ResamplerDeleter {
  void operator()(SwrContext* context) const { swr_free(&context); }
};

struct ScalerDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using Input = std::unique_ptr<AVFormatContext, InputDeleter>;
using Output = std::unique_ptr<AVFormatContext, OutputDeleter>;
using Codec = std::unique_ptr<AVCodecContext, CodecDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Resampler = std::unique_ptr<SwrContext, ResamplerDeleter>;
using Scaler = std::unique_ptr<SwsContext, ScalerDeleter>;

// FFmpeg's text for an error code ("Invalid data found when processing input").
std::string errorText(int code);

// FFmpeg prints nothing of its own: every failure reaches the user as one
// line of ours. Called once FFmpeg is ready (see ready()).
void setLogPolicy();

// Makes FFmpeg ready to be called; empty when it is, or why it cannot be.
// The show loads FFmpeg's libraries only here (FfmpegOnDemand.cpp), so that
// its first frame waits for none of the hundred libraries they bring; other
// programs link them (FfmpegLinked.cpp) and are always ready. Safe from any
// thread: the loading is done once.
std::optional<std::string> ready();

}  // namespace platform::ffmpeg

// FFmpeg for a program that must not wait for it at start: the functions the
// player calls are defined here, hidden from every other object, and each
// goes through a table that ready() fills from the libraries it loads then.
// A function added to the player and missing here fails the link, not a run.
#include <dlfcn.h>

#include <mutex>

#include "platform/media/Ffmpeg.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#define INVITED_FFMPEG_FUNCTIONS(X)             \
  X(avutil, av_channel_layout_compare)          \
  X(avutil, av_channel_layout_copy)             \
  X(avutil, av_channel_layout_default)          \
  X(avutil, av_channel_layout_uninit)           \
  X(avutil, av_frame_alloc)                     \
  X(avutil, av_frame_free)                      \
  X(avutil, av_frame_unref)                     \
  X(avutil, av_log_set_level)                   \
  X(avutil, av_opt_set_double)                  \
  X(avutil, av_strerror)                        \
  X(swresample, swr_alloc_set_opts2)            \
  X(swresample, swr_convert)                    \
  X(swresample, swr_free)                       \
  X(swresample, swr_get_out_samples)            \
  X(swresample, swr_init)                       \
  X(avcodec, av_packet_alloc)                   \
  X(avcodec, av_packet_free)                    \
  X(avcodec, av_packet_unref)                   \
  X(avcodec, avcodec_alloc_context3)            \
  X(avcodec, avcodec_free_context)              \
  X(avcodec, avcodec_open2)                     \
  X(avcodec, avcodec_parameters_to_context)     \
  X(avcodec, avcodec_receive_frame)             \
  X(avcodec, avcodec_send_packet)               \
  X(avformat, av_find_best_stream)              \
  X(avformat, av_read_frame)                    \
  X(avformat, avformat_close_input)             \
  X(avformat, avformat_find_stream_info)        \
  X(avformat, avformat_index_get_entries_count) \
  X(avformat, avformat_index_get_entry)         \
  X(avformat, avformat_open_input)              \
  X(avformat, avio_size)

namespace {

struct Functions {
#define INVITED_SLOT(library, name) decltype(&::name) name = nullptr;
  INVITED_FFMPEG_FUNCTIONS(INVITED_SLOT)
#undef INVITED_SLOT
};

Functions functions;

// Each library by the name of the version the program was built against: a
// library of another major version is another interface.
struct Library {
  const char* name;
  int major;
  void* handle = nullptr;
};

std::string load() {
  // In order of need: each finds the ones before it already loaded.
  Library libraries[] = {{"avutil", LIBAVUTIL_VERSION_MAJOR},
                         {"swresample", LIBSWRESAMPLE_VERSION_MAJOR},
                         {"avcodec", LIBAVCODEC_VERSION_MAJOR},
                         {"avformat", LIBAVFORMAT_VERSION_MAJOR}};
  for (Library& library : libraries) {
    const std::string file =
        "lib" + std::string(library.name) + ".so." + std::to_string(library.major);
    library.handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr) {
      const char* why = dlerror();
      return "cannot load FFmpeg's " + file + " (install lib" + library.name +
             std::to_string(library.major) + "): " + (why ? why : "no reason given");
    }
  }
  auto handle = [&](std::string_view name) {
    for (const Library& library : libraries) {
      if (name == library.name) {
        return library.handle;
      }
    }
    return static_cast<void*>(nullptr);
  };
  // The handles stay open for the program's life: the table points into them.
#define INVITED_RESOLVE(library, name)                                                      \
  functions.name = reinterpret_cast<decltype(&::name)>(dlsym(handle(#library), #name));     \
  if (functions.name == nullptr) {                                                          \
    return "cannot use FFmpeg's lib" #library ": it has no " #name " (install lib" #library \
           " of the version invited was built with)";                                       \
  }
  INVITED_FFMPEG_FUNCTIONS(INVITED_RESOLVE)
#undef INVITED_RESOLVE
  return {};
}

}  // namespace

namespace platform::ffmpeg {

std::optional<std::string> ready() {
  static std::once_flag once;
  static std::string failure;
  std::call_once(once, [] { failure = load(); });
  if (!failure.empty()) {
    return failure;
  }
  return std::nullopt;
}

}  // namespace platform::ffmpeg

// The definitions the player's objects link against. Hidden: the libraries,
// loaded later, must never find these in place of each other's functions.
#define INVITED_HIDDEN extern "C" __attribute__((visibility("hidden")))

INVITED_HIDDEN int av_channel_layout_compare(const AVChannelLayout* a, const AVChannelLayout* b) {
  return functions.av_channel_layout_compare(a, b);
}
INVITED_HIDDEN int av_channel_layout_copy(AVChannelLayout* to, const AVChannelLayout* from) {
  return functions.av_channel_layout_copy(to, from);
}
INVITED_HIDDEN void av_channel_layout_default(AVChannelLayout* layout, int channels) {
  functions.av_channel_layout_default(layout, channels);
}
INVITED_HIDDEN void av_channel_layout_uninit(AVChannelLayout* layout) {
  functions.av_channel_layout_uninit(layout);
}
INVITED_HIDDEN AVFrame* av_frame_alloc() {
  return functions.av_frame_alloc();
}
INVITED_HIDDEN void av_frame_free(AVFrame** frame) {
  functions.av_frame_free(frame);
}
INVITED_HIDDEN void av_frame_unref(AVFrame* frame) {
  functions.av_frame_unref(frame);
}
INVITED_HIDDEN void av_log_set_level(int level) {
  functions.av_log_set_level(level);
}
INVITED_HIDDEN int av_opt_set_double(void* object, const char* name, double value, int flags) {
  return functions.av_opt_set_double(object, name, value, flags);
}
INVITED_HIDDEN int av_strerror(int code, char* text, size_t size) {
  return functions.av_strerror(code, text, size);
}
INVITED_HIDDEN int swr_alloc_set_opts2(SwrContext** context, AVChannelLayout* outLayout,
                                       AVSampleFormat outFormat, int outRate,
                                       AVChannelLayout* inLayout, AVSampleFormat inFormat,
                                       int inRate, int logOffset, void* logContext) {
  return functions.swr_alloc_set_opts2(context, outLayout, outFormat, outRate, inLayout, inFormat,
                                       inRate, logOffset, logContext);
}
INVITED_HIDDEN int swr_convert(SwrContext* context, uint8_t** out, int outCount, const uint8_t** in,
                               int inCount) {
  return functions.swr_convert(context, out, outCount, in, inCount);
}
INVITED_HIDDEN void swr_free(SwrContext** context) {
  functions.swr_free(context);
}
INVITED_HIDDEN int swr_get_out_samples(SwrContext* context, int inSamples) {
  return functions.swr_get_out_samples(context, inSamples);
}
INVITED_HIDDEN int swr_init(SwrContext* context) {
  return functions.swr_init(context);
}
INVITED_HIDDEN AVPacket* av_packet_alloc() {
  return functions.av_packet_alloc();
}
INVITED_HIDDEN void av_packet_free(AVPacket** packet) {
  functions.av_packet_free(packet);
}
INVITED_HIDDEN void av_packet_unref(AVPacket* packet) {
  functions.av_packet_unref(packet);
}
INVITED_HIDDEN AVCodecContext* avcodec_alloc_context3(const AVCodec* codec) {
  return functions.avcodec_alloc_context3(codec);
}
INVITED_HIDDEN void avcodec_free_context(AVCodecContext** context) {
  functions.avcodec_free_context(context);
}
INVITED_HIDDEN int avcodec_open2(AVCodecContext* context, const AVCodec* codec,
                                 AVDictionary** options) {
  return functions.avcodec_open2(context, codec, options);
}
INVITED_HIDDEN int avcodec_parameters_to_context(AVCodecContext* context,
                                                 const AVCodecParameters* parameters) {
  return functions.avcodec_parameters_to_context(context, parameters);
}
INVITED_HIDDEN int avcodec_receive_frame(AVCodecContext* context, AVFrame* frame) {
  return functions.avcodec_receive_frame(context, frame);
}
INVITED_HIDDEN int avcodec_send_packet(AVCodecContext* context, const AVPacket* packet) {
  return functions.avcodec_send_packet(context, packet);
}
INVITED_HIDDEN int av_find_best_stream(AVFormatContext* input, AVMediaType type, int wanted,
                                       int related, const AVCodec** decoder, int flags) {
  return functions.av_find_best_stream(input, type, wanted, related, decoder, flags);
}
INVITED_HIDDEN int av_read_frame(AVFormatContext* input, AVPacket* packet) {
  return functions.av_read_frame(input, packet);
}
INVITED_HIDDEN void avformat_close_input(AVFormatContext** input) {
  functions.avformat_close_input(input);
}
INVITED_HIDDEN int avformat_find_stream_info(AVFormatContext* input, AVDictionary** options) {
  return functions.avformat_find_stream_info(input, options);
}
INVITED_HIDDEN int avformat_index_get_entries_count(const AVStream* stream) {
  return functions.avformat_index_get_entries_count(stream);
}
INVITED_HIDDEN const AVIndexEntry* avformat_index_get_entry(AVStream* stream, int index) {
  return functions.avformat_index_get_entry(stream, index);
}
INVITED_HIDDEN int avformat_open_input(AVFormatContext** input, const char* url,
                                       const AVInputFormat* format, AVDictionary** options) {
  return functions.avformat_open_input(input, url, format, options);
}
INVITED_HIDDEN int64_t avio_size(AVIOContext* io) {
  return functions.avio_size(io);
}

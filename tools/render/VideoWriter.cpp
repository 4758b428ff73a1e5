#include "tools/render/VideoWriter.h"

#include <cmath>
#include <cstring>

namespace render {

namespace ffmpeg = platform::ffmpeg;

namespace {

bool fail(std::string& error, const std::string& what, int code) {
  error = what + ": " + ffmpeg::errorText(code);
  return false;
}

}  // namespace

std::unique_ptr<VideoWriter> VideoWriter::open(const std::string& path,
                                               const VideoSettings& settings, std::string& error) {
  std::unique_ptr<VideoWriter> writer(new VideoWriter);
  writer->settings_ = settings;
  writer->path_ = path;

  AVFormatContext* output = nullptr;
  int status = avformat_alloc_output_context2(&output, nullptr, "mp4", path.c_str());
  writer->output_.reset(output);
  if (status < 0) {
    fail(error, "cannot make an MP4 file", status);
    return nullptr;
  }
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) {
    error = "this FFmpeg has no libx264 encoder";
    return nullptr;
  }
  writer->videoStream_ = avformat_new_stream(output, nullptr);
  writer->encoder_.reset(avcodec_alloc_context3(codec));
  writer->frame_.reset(av_frame_alloc());
  writer->packet_.reset(av_packet_alloc());
  if (writer->videoStream_ == nullptr || !writer->encoder_ || !writer->frame_ || !writer->packet_) {
    error = "out of memory";
    return nullptr;
  }

  AVCodecContext* encoder = writer->encoder_.get();
  encoder->width = settings.width;
  encoder->height = settings.height;
  encoder->pix_fmt = AV_PIX_FMT_YUV420P;
  encoder->time_base = AVRational{1, settings.fps};
  encoder->framerate = AVRational{settings.fps, 1};
  encoder->sample_aspect_ratio = AVRational{1, 1};
  // A key frame every two seconds keeps seeking quick in players.
  encoder->gop_size = 2 * settings.fps;
  encoder->color_range = AVCOL_RANGE_MPEG;
  encoder->colorspace = AVCOL_SPC_BT709;
  encoder->color_primaries = AVCOL_PRI_BT709;
  encoder->color_trc = AVCOL_TRC_BT709;
  // x264 picks its own number of threads for the cores there are.
  encoder->thread_count = 0;
  if (output->oformat->flags & AVFMT_GLOBALHEADER) {
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "preset", settings.preset.c_str(), 0);
  av_dict_set_int(&options, "crf", settings.crf, 0);
  status = avcodec_open2(encoder, codec, &options);
  av_dict_free(&options);
  if (status < 0) {
    fail(error, "cannot start the H.264 encoder", status);
    return nullptr;
  }
  avcodec_parameters_from_context(writer->videoStream_->codecpar, encoder);
  writer->videoStream_->time_base = encoder->time_base;
  writer->videoStream_->avg_frame_rate = encoder->framerate;

  writer->frame_->format = encoder->pix_fmt;
  writer->frame_->width = encoder->width;
  writer->frame_->height = encoder->height;
  status = av_frame_get_buffer(writer->frame_.get(), 0);
  if (status < 0) {
    fail(error, "cannot allocate a frame", status);
    return nullptr;
  }
  writer->converter_.reset(sws_getContext(
      settings.width, settings.height, AV_PIX_FMT_RGBA, settings.width, settings.height,
      AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
  if (!writer->converter_) {
    error = "cannot convert RGBA to YUV 4:2:0 at this size";
    return nullptr;
  }
  // The renderer's full-range sRGB pixels become limited-range BT.709, which
  // is what players assume for HD video.
  sws_setColorspaceDetails(writer->converter_.get(), sws_getCoefficients(SWS_CS_ITU709), 1,
                           sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);

  if (settings.musicPath && !writer->openMusic(error)) {
    return nullptr;
  }

  status = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (status < 0) {
    fail(error, "cannot write " + path, status);
    return nullptr;
  }
  AVDictionary* muxing = nullptr;
  // The index goes to the front so that a player can start before the whole
  // file has arrived.
  av_dict_set(&muxing, "movflags", "+faststart", 0);
  status = avformat_write_header(output, &muxing);
  av_dict_free(&muxing);
  if (status < 0) {
    fail(error, "cannot write the MP4 header", status);
    return nullptr;
  }
  return writer;
}

bool VideoWriter::holdsAac(const std::string& path) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
    return false;
  }
  platform::ffmpeg::Input music(raw);
  if (avformat_find_stream_info(music.get(), nullptr) < 0) {
    return false;
  }
  const int index = av_find_best_stream(music.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  return index >= 0 && music->streams[index]->codecpar->codec_id == AV_CODEC_ID_AAC;
}

bool VideoWriter::openMusic(std::string& error) {
  const std::string& path = *settings_.musicPath;
  AVFormatContext* music = nullptr;
  int status = avformat_open_input(&music, path.c_str(), nullptr, nullptr);
  if (status < 0) {
    return fail(error, "cannot open the music " + path, status);
  }
  music_.reset(music);
  status = avformat_find_stream_info(music, nullptr);
  if (status < 0) {
    return fail(error, "cannot read the music " + path, status);
  }
  musicIndex_ = av_find_best_stream(music, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (musicIndex_ < 0) {
    error = path + " holds no sound";
    return false;
  }
  AVStream* input = music_->streams[musicIndex_];
  if (input->codecpar->codec_id != AV_CODEC_ID_AAC) {
    error = path + " is not AAC; its packets cannot be copied into an MP4 as they are";
    return false;
  }
  audioStream_ = avformat_new_stream(output_.get(), nullptr);
  musicPacket_.reset(av_packet_alloc());
  if (audioStream_ == nullptr || !musicPacket_) {
    error = "out of memory";
    return false;
  }
  status = avcodec_parameters_copy(audioStream_->codecpar, input->codecpar);
  if (status < 0) {
    return fail(error, "cannot copy the music's parameters", status);
  }
  audioStream_->codecpar->codec_tag = 0;
  audioStream_->time_base = input->time_base;
  return true;
}

bool VideoWriter::checkSize(int width, int height, std::string& error) const {
  if (width == settings_.width && height == settings_.height) {
    return true;
  }
  error = "a frame of " + std::to_string(width) + "x" + std::to_string(height) +
          " does not fit a video of " + std::to_string(settings_.width) + "x" +
          std::to_string(settings_.height);
  return false;
}

bool VideoWriter::writeFrame(const platform::Image& image, std::string& error) {
  if (!checkSize(image.width, image.height, error)) {
    return false;
  }
  int status = av_frame_make_writable(frame_.get());
  if (status < 0) {
    return fail(error, "cannot reuse the frame", status);
  }
  const std::uint8_t* source[1] = {image.rgba.data()};
  const int sourceStride[1] = {image.width * 4};
  sws_scale(converter_.get(), source, sourceStride, 0, image.height, frame_->data,
            frame_->linesize);
  return encode(error);
}

bool VideoWriter::writeYuv420(const std::uint8_t* planes, std::string& error) {
  int status = av_frame_make_writable(frame_.get());
  if (status < 0) {
    return fail(error, "cannot reuse the frame", status);
  }
  for (int plane = 0; plane < 3; ++plane) {
    int width = plane == 0 ? settings_.width : settings_.width / 2;
    int height = plane == 0 ? settings_.height : settings_.height / 2;
    for (int y = 0; y < height; ++y) {
      std::memcpy(frame_->data[plane] + std::ptrdiff_t(y) * frame_->linesize[plane], planes,
                  std::size_t(width));
      planes += width;
    }
  }
  return encode(error);
}

bool VideoWriter::encode(std::string& error) {
  frame_->pts = framesWritten_;
  int status = avcodec_send_frame(encoder_.get(), frame_.get());
  if (status < 0) {
    return fail(error, "cannot encode frame " + std::to_string(framesWritten_), status);
  }
  ++framesWritten_;
  return drainEncoder(error);
}

bool VideoWriter::drainEncoder(std::string& error) {
  while (true) {
    AVPacket* packet = packet_.get();
    int status = avcodec_receive_packet(encoder_.get(), packet);
    if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) {
      return true;
    }
    if (status < 0) {
      return fail(error, "the H.264 encoder failed", status);
    }
    // Music goes in ahead of the video it accompanies, so the muxer never
    // has to hold more than a frame's worth of either.
    double videoTime = double(packet->dts) * av_q2d(encoder_->time_base);
    if (!copyMusicUntil(videoTime + 1.0 / settings_.fps, error)) {
      return false;
    }
    av_packet_rescale_ts(packet, encoder_->time_base, videoStream_->time_base);
    packet->stream_index = videoStream_->index;
    status = av_interleaved_write_frame(output_.get(), packet);
    if (status < 0) {
      return fail(error, "cannot write to " + path_, status);
    }
  }
}

bool VideoWriter::copyMusicUntil(double videoTime, std::string& error) {
  if (audioStream_ == nullptr) {
    return true;
  }
  AVRational inputBase = music_->streams[musicIndex_]->time_base;
  std::int64_t shift = std::llround(settings_.musicStart / av_q2d(inputBase));
  AVPacket* packet = musicPacket_.get();
  while (!musicDone_) {
    if (!musicPending_) {
      int status = av_read_frame(music_.get(), packet);
      if (status == AVERROR_EOF) {
        musicDone_ = true;
        return true;
      }
      if (status < 0) {
        return fail(error, "cannot read the music", status);
      }
      if (packet->stream_index != musicIndex_ || packet->pts == AV_NOPTS_VALUE) {
        av_packet_unref(packet);
        continue;
      }
      packet->pts += shift;
      packet->dts = packet->dts == AV_NOPTS_VALUE ? packet->pts : packet->dts + shift;
      musicPending_ = true;
    }
    double start = double(packet->pts) * av_q2d(inputBase);
    if (start >= settings_.duration) {
      // The video ends here: the rest of the track is left out.
      av_packet_unref(packet);
      musicPending_ = false;
      musicDone_ = true;
      return true;
    }
    if (start >= videoTime) {
      return true;
    }
    musicPending_ = false;
    if (packet->dts < 0) {
      // Before the video's start: the music begins later in the file.
      av_packet_unref(packet);
      continue;
    }
    av_packet_rescale_ts(packet, inputBase, audioStream_->time_base);
    packet->stream_index = audioStream_->index;
    packet->pos = -1;
    int status = av_interleaved_write_frame(output_.get(), packet);
    if (status < 0) {
      return fail(error, "cannot write to " + path_, status);
    }
  }
  return true;
}

bool VideoWriter::finish(std::string& error) {
  if (finished_) {
    return true;
  }
  int status = avcodec_send_frame(encoder_.get(), nullptr);
  if (status < 0) {
    return fail(error, "cannot flush the H.264 encoder", status);
  }
  if (!drainEncoder(error) || !copyMusicUntil(settings_.duration, error)) {
    return false;
  }
  finished_ = true;
  status = av_write_trailer(output_.get());
  if (status < 0) {
    return fail(error, "cannot finish " + path_, status);
  }
  status = avio_closep(&output_->pb);
  if (status < 0) {
    return fail(error, "cannot close " + path_, status);
  }
  return true;
}

}  // namespace render

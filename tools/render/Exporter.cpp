#include "tools/render/Exporter.h"

#include <cmath>
#include <iostream>

#include "content/Content.h"
#include "show/ShowFileLoader.h"
#include "tools/render/AacMusic.h"
#include "tools/render/ContactSheet.h"
#include "tools/render/EncoderThread.h"
#include "tools/render/FlashCheck.h"
#include "tools/render/OfflineShow.h"
#include "tools/render/OutputFile.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/SilentAudioPlayer.h"
#include "tools/render/VideoWriter.h"
#include "ui/Bundle.h"
#include "ui/Font.h"
#include "ui/Random.h"
#include "ui/ResourceFile.h"

namespace render {

long Exporter::frameCount(double from, double to, int fps) {
  return static_cast<long>(std::ceil((to - from) * fps - 1e-9));
}

double Exporter::frameTime(double from, int fps, long k) {
  return (from * fps + double(k)) / fps;
}

int Exporter::fail(const std::string& message) {
  err_ << "invited-render: " << message << "\n";
  return failureStatus;
}

bool Exporter::fits(int width, int height, const char* what) {
  int largest = renderer_->largestSide();
  if (width <= largest && height <= largest) {
    return true;
  }
  err_ << "invited-render: " << what << " would be " << width << "x" << height
       << " pixels; this renderer draws at most " << largest << " pixels a side\n";
  return false;
}

int Exporter::run(const RenderRequest& request) {
  // Every resource is checked before any work, as the live program does: a
  // missing face would draw its words at a stand-in's size without a word.
  if (auto failure = ui::Font::loadFaces()) {
    return fail(*failure);
  }
  SilentAudioPlayer::install();
  if (!request.showFile.empty()) {
    // Checked whole before any drawing, its music by the silent player.
    const ShowFileLoader::Outcome outcome = ShowFileLoader::load(request.showFile);
    ShowFileLoader::print(outcome, err_);
    if (!outcome.accepted()) {
      return failureStatus;
    }
    content::installShow(outcome.settings);
  }
  musicPath_ = content::musicFile() ? *content::musicFile()
                                    : ui::Bundle::main().resourcePath() + "/audio.m4a";
  if (auto problem = ui::ResourceFile::problem(musicPath_)) {
    return fail("cannot use the music " + musicPath_ + ": " + *problem);
  }
  std::string musicError;
  if (!SilentAudioPlayer::create(musicPath_, musicError)) {
    return fail("cannot use the music: " + musicError);
  }
  if (request.seed) {
    ui::Random::setSource(std::make_unique<ui::SeededRandomSource>(*request.seed));
  }
  std::string error;
  renderer_ = platform::OffscreenRenderer::create(error);
  if (!renderer_) {
    return fail("no offscreen OpenGL: " + error);
  }
  switch (request.command) {
    case RenderCommand::Frame:
      return frame(request);
    case RenderCommand::Video:
      return video(request);
    case RenderCommand::Sheet:
      return sheet(request);
    case RenderCommand::Flashes:
      return FlashCheck(std::cout, err_).run(request, *renderer_);
  }
  return failureStatus;
}

int Exporter::frame(const RenderRequest& request) {
  if (!fits(request.width, request.height, "the frame")) {
    return failureStatus;
  }
  OfflineShow show({double(request.width), double(request.height)}, request.gentle);
  show.advanceTo(request.at);
  return writePng(show.render(*renderer_, request.width, request.height), request.output);
}

int Exporter::writePng(const platform::Image& image, const std::string& path) {
  std::string error;
  auto file = OutputFile::create(path, error);
  if (!file) {
    return fail(error);
  }
  if (!platform::writePng(image, file->temporaryPath(), error) || !file->commit(error)) {
    return fail(file->explain(error));
  }
  return 0;
}

int Exporter::video(const RenderRequest& request) {
  if (!fits(request.width, request.height, "the video")) {
    return failureStatus;
  }
  long frames = frameCount(request.from, request.to, request.fps);
  VideoSettings settings;
  settings.width = request.width;
  settings.height = request.height;
  settings.fps = request.fps;
  settings.crf = request.crf;
  settings.preset = request.preset;
  settings.musicStart = -request.from;
  settings.duration = double(frames) / request.fps;
  std::string error;
  // The video ends at music time `to`.
  AacMusic music;
  if (!music.prepare(musicPath_, request.to, error)) {
    return fail("cannot use the music " + musicPath_ + ": " + error);
  }
  settings.musicPath = music.path();
  auto file = OutputFile::create(request.output, error);
  if (!file) {
    return fail(error);
  }
  auto writer = VideoWriter::open(file->temporaryPath(), settings, error);
  music.forget();  // the writer holds it open
  if (!writer) {
    return fail(file->explain(error));
  }
  OfflineShow show({double(request.width), double(request.height)}, request.gentle);
  ProgressBar progress(std::size_t(frames), request.fps, stderr);
  {
    // Three frames in flight keep the encoder fed through the show's
    // costlier frames without holding much memory.
    EncoderThread encoder(*writer, 3);
    for (long k = 0; k < frames; ++k) {
      show.advanceTo(frameTime(request.from, request.fps, k));
      EncoderThread::Planes planes = encoder.spare();
      if (!show.renderYuv420(*renderer_, request.width, request.height, planes)) {
        return fail("cannot draw a frame of " + std::to_string(request.width) + "x" +
                    std::to_string(request.height));
      }
      if (!encoder.push(std::move(planes), error)) {
        return fail(file->explain(error));
      }
      progress.update(std::size_t(k + 1));
    }
    if (!encoder.finish(error) || !file->commit(error)) {
      return fail(file->explain(error));
    }
  }
  progress.finish();
  return 0;
}

int Exporter::sheet(const RenderRequest& request) {
  std::vector<double> times = ContactSheet::times(-5, 64.5, request.every);
  // The last picture is always the end: black once the dot's last fade is over.
  if (times.back() < 64.5) {
    times.push_back(64.5);
  }
  ContactSheet layout(int(times.size()), request.columns, request.thumbnailWidth);
  if (!fits(layout.width(), layout.height(), "the sheet")) {
    return failureStatus;
  }
  // The stage at its own 1920 × 1080 points, drawn straight at thumbnail size.
  OfflineShow show({1920, 1080}, request.gentle);
  std::vector<platform::Image> pictures;
  std::vector<std::string> captions;
  for (double t : times) {
    show.advanceTo(t);
    pictures.push_back(show.render(*renderer_, layout.thumbnailWidth(), layout.thumbnailHeight()));
    captions.push_back(ContactSheet::caption(t));
  }
  return writePng(layout.compose(pictures, captions, *renderer_), request.output);
}

}  // namespace render

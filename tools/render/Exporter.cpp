#include "tools/render/Exporter.h"

#include <cmath>
#include <iostream>

#include "tools/render/ContactSheet.h"
#include "tools/render/FlashCheck.h"
#include "tools/render/OfflineShow.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/SilentAudioPlayer.h"
#include "tools/render/VideoWriter.h"
#include "ui/Bundle.h"
#include "ui/Random.h"

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

int Exporter::run(const RenderRequest& request) {
  auto music = ui::Bundle::main().urlForResource("audio", "m4a");
  if (!music) {
    return fail("the music resource audio.m4a is missing from " +
                ui::Bundle::main().resourcePath());
  }
  musicPath_ = *music;
  SilentAudioPlayer::install();
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
  OfflineShow show({double(request.width), double(request.height)}, request.gentle);
  show.advanceTo(request.at);
  platform::Image image = show.render(*renderer_, request.width, request.height);
  std::string error;
  if (!platform::writePng(image, request.output, error)) {
    return fail(error);
  }
  return 0;
}

int Exporter::video(const RenderRequest& request) {
  long frames = frameCount(request.from, request.to, request.fps);
  VideoSettings settings;
  settings.width = request.width;
  settings.height = request.height;
  settings.fps = request.fps;
  settings.crf = request.crf;
  settings.preset = request.preset;
  settings.musicPath = musicPath_;
  settings.musicStart = -request.from;
  settings.duration = double(frames) / request.fps;
  std::string error;
  auto writer = VideoWriter::open(request.output, settings, error);
  if (!writer) {
    return fail(error);
  }
  OfflineShow show({double(request.width), double(request.height)}, request.gentle);
  ProgressBar progress(std::size_t(frames), request.fps, stderr);
  for (long k = 0; k < frames; ++k) {
    show.advanceTo(frameTime(request.from, request.fps, k));
    if (!writer->writeFrame(show.render(*renderer_, request.width, request.height), error)) {
      return fail(error);
    }
    progress.update(std::size_t(k + 1));
  }
  if (!writer->finish(error)) {
    return fail(error);
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
  // The stage at its own 1920 × 1080 points, drawn straight at thumbnail size.
  OfflineShow show({1920, 1080}, request.gentle);
  std::vector<platform::Image> pictures;
  std::vector<std::string> captions;
  for (double t : times) {
    show.advanceTo(t);
    pictures.push_back(show.render(*renderer_, layout.thumbnailWidth(), layout.thumbnailHeight()));
    captions.push_back(ContactSheet::caption(t));
  }
  platform::Image image = layout.compose(pictures, captions, *renderer_);
  std::string error;
  if (!platform::writePng(image, request.output, error)) {
    return fail(error);
  }
  return 0;
}

}  // namespace render

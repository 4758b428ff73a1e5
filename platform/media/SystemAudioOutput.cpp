#include "platform/media/SystemAudioOutput.h"

#include <cstdlib>

#include "platform/media/AudioDevice.h"
#include "platform/media/PulseAudioOutput.h"
#include "ui/AudioPlayer.h"

namespace platform {

SystemAudioOutput::Choice SystemAudioOutput::choiceFromEnvironment() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (driver == nullptr || *driver == '\0' ||
      std::string(driver).find("pulse") != std::string::npos) {
    return Choice::ServerFirst;
  }
  return Choice::SdlOnly;
}

SystemAudioOutput::SystemAudioOutput(Render render, Choice choice)
    : render_(std::move(render)), choice_(choice) {}

SystemAudioOutput::~SystemAudioOutput() {
  close();
}

bool SystemAudioOutput::open(std::string& error) {
  if (chosen_ != nullptr && chosen_->isOpen()) {
    return true;
  }
  chosen_.reset();
  serverError_.clear();
  if (choice_ == Choice::ServerFirst) {
    auto server = std::make_unique<PulseAudioOutput>(render_);
    if (server->open(serverError_)) {
      chosen_ = std::move(server);
      return true;
    }
  }
  auto device = std::make_unique<AudioDevice>(render_);
  if (!device->open(error)) {
    if (!serverError_.empty()) {
      error += "; " + serverError_;
    }
    return false;
  }
  chosen_ = std::move(device);
  return true;
}

bool SystemAudioOutput::isOpen() const {
  return chosen_ != nullptr && chosen_->isOpen();
}

void SystemAudioOutput::close() {
  if (chosen_ != nullptr) {
    chosen_->close();
  }
}

void SystemAudioOutput::setPaused(bool paused) {
  if (chosen_ != nullptr) {
    chosen_->setPaused(paused);
  }
}

void SystemAudioOutput::locked(const std::function<void()>& change) {
  if (chosen_ != nullptr) {
    chosen_->locked(change);
  } else {
    change();
  }
}

double SystemAudioOutput::latency() const {
  return chosen_ != nullptr ? chosen_->latency() : 0.0;
}

std::string SystemAudioOutput::delaySource() const {
  if (chosen_ == nullptr) {
    return "none: no audio output";
  }
  std::string source = chosen_->delaySource();
  if (!serverError_.empty()) {
    source += " (" + serverError_ + ")";
  }
  return source;
}

double SystemAudioOutput::now() const {
  return ui::AudioPlayer::clockNow();
}

}  // namespace platform

#pragma once

#include <memory>
#include <string>

#include "platform/media/AudioOutput.h"

namespace platform {

// The live program's output: a sound server's stream, whose delay the server
// reports (PulseAudioOutput), and SDL2's device (AudioDevice), whose delay is
// a model, when no server answers. Which one plays, and why, is said by
// delaySource().
//
// Threads: as AudioOutput; the choice is made in open() and holds until
// close().
class SystemAudioOutput : public AudioOutput {
 public:
  enum class Choice {
    ServerFirst,  // a sound server, else SDL's device
    SdlOnly,      // SDL's device alone
  };
  // A driver named in SDL_AUDIODRIVER, other than SDL's own PulseAudio one,
  // is a request for that driver (the tests' "dummy", a user's "alsa"): it
  // is honoured as it was before there was a server stream.
  static Choice choiceFromEnvironment();

  explicit SystemAudioOutput(Render render, Choice choice = choiceFromEnvironment());
  ~SystemAudioOutput() override;
  SystemAudioOutput(const SystemAudioOutput&) = delete;
  SystemAudioOutput& operator=(const SystemAudioOutput&) = delete;

  bool open(std::string& error) override;
  bool isOpen() const override;
  void close() override;
  void setPaused(bool paused) override;
  void locked(const std::function<void()>& change) override;
  double latency() const override;
  // The chosen output's, and why there is no server when one was wanted.
  std::string delaySource() const override;
  double now() const override;

 private:
  Render render_;
  const Choice choice_;
  std::unique_ptr<AudioOutput> chosen_;  // null until open() succeeds
  std::string serverError_;              // why the server was not taken
};

}  // namespace platform

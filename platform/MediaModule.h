#pragma once

#include <memory>
#include <string>
#include <thread>

#include "ui/AudioPlayer.h"

namespace platform {

// The music player lives in a module of its own (with FFmpeg and the hundred
// libraries it needs), loaded on a worker thread while the main thread opens
// the display and makes the window: loading it costs tens of milliseconds
// that the path to the first frame does not wait for.
//
// The module binds to the program's own toolkit (one run loop, one audio sync
// point), so every program that loads it is linked with its symbols exported.
class MediaModule {
 public:
  // The module's file: in <prefix>/<libdir>/invited when the program runs
  // from <prefix>/bin and that folder exists, else beside the executable (a
  // build tree).
  static std::string defaultPath();

  // Starts loading the module at `path` and makes ui::AudioPlayer's factory
  // wait for it, then create the module's player. When the module cannot be
  // loaded, the first player asked for ends the process with status 1 and
  // one line, signed with `programName`, naming the file and the reason.
  static void install(const std::string& programName, const std::string& path = defaultPath());

  // Starts loading at once; threads: construct, wait and destroy on one thread.
  explicit MediaModule(std::string path);
  ~MediaModule();
  MediaModule(const MediaModule&) = delete;
  MediaModule& operator=(const MediaModule&) = delete;

  // Waits for the load. The module's factory, or null with `error` set to
  // "cannot load <path>: <reason>".
  const ui::AudioPlayer::Factory* factory(std::string& error);

 private:
  void load();  // worker thread

  std::string path_;
  // Written by the worker, read after it is joined.
  ui::AudioPlayer::Factory factory_;
  std::string error_;
  std::thread worker_;
};

}  // namespace platform

#pragma once

#include <memory>
#include <string>
#include <thread>

#include "ui/AudioPlayer.h"

namespace platform {

// The music player lives in a module of its own (with FFmpeg and the hundred
// libraries it needs), loaded on a worker thread: loading it costs tens of
// milliseconds that the path to the first frame should not wait for. The
// system's loader takes one lock for the whole of any library load, so the
// load starts once the window and its OpenGL driver are loaded
// (startLoading()), while the main thread readies its drawing; a player
// asked for before that loads the module on the spot.
//
// The module binds to the program's own toolkit (one run loop, one audio sync
// point), so every program that loads it is linked with its symbols exported.
class MediaModule {
 public:
  // The module's file: in <prefix>/<libdir>/invited when the program runs
  // from <prefix>/bin and that folder exists, else beside the executable (a
  // build tree).
  static std::string defaultPath();

  // Makes ui::AudioPlayer's factory load the module at `path` (or wait for
  // the load startLoading() began), then create the module's player. When
  // the module cannot be loaded, the first player asked for ends the process
  // with status 1 and one line, signed with `programName`, naming the file
  // and the reason.
  static void install(const std::string& programName, const std::string& path = defaultPath());
  // Starts loading the installed module on its worker, if it has not begun.
  static void startLoading();

  // Threads: construct, start, wait and destroy on one thread.
  explicit MediaModule(std::string path);
  ~MediaModule();
  MediaModule(const MediaModule&) = delete;
  MediaModule& operator=(const MediaModule&) = delete;

  // Begins the load on the worker; a second call does nothing.
  void start();
  // Starts the load if need be and waits for it. The module's factory, or
  // null with `error` set to "cannot load <path>: <reason>".
  const ui::AudioPlayer::Factory* factory(std::string& error);

 private:
  void load();  // worker thread

  std::string path_;
  // Written by the worker, read after it is joined.
  ui::AudioPlayer::Factory factory_;
  std::string error_;
  bool started_ = false;
  std::thread worker_;
};

}  // namespace platform

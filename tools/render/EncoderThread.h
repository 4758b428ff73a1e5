#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/render/VideoWriter.h"

namespace render {

// Encodes a video's frames on a thread of its own, so that the next frames
// are drawn while the encoder works. At most `depth` drawn frames wait; the
// drawing side then waits for the encoder, which keeps memory bounded.
//
// The writer belongs to the thread from construction until finish().
class EncoderThread {
 public:
  using Planes = std::vector<std::uint8_t>;

  EncoderThread(VideoWriter& writer, std::size_t depth);
  // Stops after the frames already handed over, without finishing the file.
  ~EncoderThread();
  EncoderThread(const EncoderThread&) = delete;
  EncoderThread& operator=(const EncoderThread&) = delete;

  // A buffer to draw the next frame's 4:2:0 planes into: one the encoder
  // is done with, when there is one.
  Planes spare();
  // Hands a frame over; false, with `error` set, once the encoder has failed.
  bool push(Planes planes, std::string& error);
  // Waits for every frame handed over, then finishes the file.
  bool finish(std::string& error);

 private:
  void run();

  VideoWriter& writer_;
  std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Planes> waiting_;
  std::vector<Planes> spares_;
  bool closing_ = false;  // no more frames will come
  bool failed_ = false;
  std::string error_;
  std::thread thread_;
};

}  // namespace render

#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/AudioStream.h"
#include "platform/media/SampleRing.h"
#include "platform/media/SeqLock.h"
#include "ui/AudioPlayer.h"

namespace platform {

// A track on its way from the file to an output: a worker thread decodes it
// into a ring a fixed span ahead of the output, whatever the track's length,
// and the output takes from the ring without ever decoding, allocating or
// waiting. When the ring runs dry the output gets silence and the track does
// not advance, so the position heard stays true.
//
// Threads: the owner calls open(), rewind() and the accessors; one output
// thread calls render(). rewind() must not overlap render(). The worker owns
// the stream while it runs and is the ring's only producer; the output is its
// only consumer. The destructor joins the worker.
class AudioFeed {
 public:
  static constexpr int sampleRate = AudioStream::sampleRate;

  explicit AudioFeed(std::size_t ringFrames);
  ~AudioFeed();
  AudioFeed(const AudioFeed&) = delete;
  AudioFeed& operator=(const AudioFeed&) = delete;

  // Opens the file, decodes its first sound on this thread (so that a file
  // that cannot play fails here, see AudioStream::open) and starts the worker.
  bool open(const std::string& path, std::string& error);
  // Back to the first sample. Once the output has taken anything, the first
  // sound is gone from the ring: the file is opened again and a new worker
  // starts from its top.
  bool rewind(std::string& error);

  // Waits until the ring holds `frames` (at most its capacity) or the worker
  // has nothing more to bring. For an owner that must know what the output
  // will find: a simulated output plays faster than any worker's clock.
  void waitForSound(std::size_t frames) const;

  // Output thread: fills `frames` left/right pairs, silence where the ring
  // has nothing; `heardAt` is when out[0] reaches the listener (steady-clock
  // seconds). False once the whole track has been given out.
  bool render(float* out, std::size_t frames, double heardAt);
  // The sample heard at `now`, from the last render that gave sound: never
  // past what the output has taken, so that after an underrun or a stall of
  // the process it waits where the sound waits, and what comes next is
  // heard no sooner than `latency` after `now`. None before anything was
  // given out, or while the first sample is still on its way.
  std::optional<ui::AudioPlayer::HeardPosition> heardPosition(double now, double latency = 0) const;

  // The container's length until the whole track has been decoded, then the
  // decoded length; seconds.
  double duration() const;
  std::size_t bufferedFrames() const { return ring_.available(); }
  std::size_t bufferCapacity() const { return ring_.capacity(); }
  // Frames decoded, and frames the output has taken, since the file was
  // (re)opened.
  std::size_t decodedFrames() const { return decoded_.load(); }
  std::size_t consumedFrames() const { return consumed_.load(); }
  // Threads that have decoded this feed's file.
  const std::vector<std::thread::id>& decodeThreads() const { return decodeThreads_; }

 private:
  // Sample `first` reaches the listener at `heardAt`; the output has taken
  // frames up to `end`. The render before said that at time t the sound
  // heard was at t + `before` seconds, up to `first`: what it gave is heard
  // out before this render's sound, so the position never goes back.
  // The last time the sound waited (an output that ran dry, and may then
  // write several blocks at once): from `gapFrom` nothing sounded until
  // sample `wentOnFrom` at `wentOnAt`.
  struct Anchor {
    double heardAt = -1;
    std::size_t first = 0;
    std::size_t end = 0;
    double before = -1e300;
    double gapFrom = 0;
    double wentOnAt = -1;
    std::size_t wentOnFrom = 0;
  };
  // A block heard later than the one before ended, beyond rounding, leaves
  // a gap.
  static constexpr double kGap = 0.5 / sampleRate;

  bool start(const std::string& path, std::string& error);  // owner
  void stopWorker();                                        // owner
  void decode(std::vector<float> pending);                  // worker
  void announce();                                          // worker

  std::string path_;                            // owner
  double declared_ = 0;                         // owner
  std::vector<std::thread::id> decodeThreads_;  // owner

  // The worker. `stream_` is the worker's from start() until stopWorker()
  // joins it; `quit_` and `wake_` end its waits for room in the ring, and it
  // announces sound on `filled_`.
  std::unique_ptr<AudioStream> stream_;
  std::thread worker_;
  mutable std::mutex wakeMutex_;
  std::condition_variable wake_;
  mutable std::condition_variable filled_;
  std::atomic<bool> quit_{false};
  // Written by the worker: frames decoded; then, once, the total and `ended_`
  // (release), after its last write to the ring.
  std::atomic<std::size_t> decoded_{0};
  std::atomic<std::size_t> total_{0};
  std::atomic<bool> ended_{false};

  SampleRing ring_;

  // Written by the output (by the owner only in rewind()).
  std::atomic<std::size_t> consumed_{0};
  // Written by the output (by the owner only without render); read whole by
  // any thread, never two renders' values mixed.
  SeqLock<Anchor> anchor_;
};

}  // namespace platform

#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/media/AudioDevice.h"
#include "platform/media/AudioStream.h"
#include "platform/media/SampleRing.h"
#include "ui/AudioPlayer.h"

namespace platform {

// The audio player on FFmpeg (decoding) and SDL2 (output).
//
// Creation opens the file and decodes its first sound on the creating thread,
// so that a file that cannot play fails there. A worker thread decodes the
// rest into a ring about two seconds ahead of the output, whatever the track's
// length; SDL's audio thread only copies from the ring. When the ring runs dry
// the output plays silence and the track does not advance.
//
// Threads: the main thread calls every public function. The worker owns the
// stream while it runs and is the ring's only producer; the audio thread is
// its only consumer. play() after the track was consumed joins the worker,
// reopens the file and starts a new one; the destructor closes the device,
// then joins the worker.
class MediaAudioPlayer : public ui::AudioPlayer {
 public:
  static constexpr int sampleRate = AudioStream::sampleRate;
  static constexpr double bufferSeconds = 2.0;

  // Makes ui::AudioPlayer::createWithContentsOfURL create MediaAudioPlayers.
  static void install();

  static std::shared_ptr<MediaAudioPlayer> create(const std::string& path, std::string& error);
  ~MediaAudioPlayer() override;

  // Opens the output device, paused. False when there is none; a failed
  // attempt is not repeated.
  bool prepareToPlay() override;
  // Starts from the first sample; false (and nothing changes) without a device.
  bool play() override;
  void stop() override;
  bool isPlaying() const override;
  // The container's length until the whole track has been decoded, then the
  // decoded length.
  double duration() const override;
  double outputLatency() const override { return device_.latency(); }
  double currentTime() const override;
  std::optional<HeardPosition> heardPosition() const override;

  // Threads that decoded this player's file, and the thread that last ran the
  // output callback (default id while it never ran): decoding must never
  // happen on the audio thread.
  const std::vector<std::thread::id>& decodeThreads() const { return decodeThreads_; }
  std::thread::id callbackThread() const { return callbackThread_.load(); }
  // Frames the ring holds and can hold, and frames decoded since the file was
  // (re)opened: what the decoder keeps ahead of the output.
  std::size_t bufferedFrames() const { return ring_.available(); }
  std::size_t bufferCapacity() const { return ring_.capacity(); }
  std::size_t decodedFrames() const { return decoded_.load(); }
  // Why prepareToPlay or play last failed, for diagnostics.
  const std::string& deviceError() const { return deviceError_; }

 private:
  // Sample `first` reaches the listener at `heardAt` (steady-clock seconds);
  // the output has taken frames up to `end`.
  struct Anchor {
    double heardAt = -1;
    std::size_t first = 0;
    std::size_t end = 0;
  };

  explicit MediaAudioPlayer(std::string path);
  // Puts the first sound in the ring and starts the worker on the rest.
  bool start(std::unique_ptr<AudioStream> stream, const std::vector<float>& head);  // main
  void stopWorker();                                                                // main
  void decode(std::vector<float> pending);                                          // worker
  void render(float* out, int frames);                                              // audio thread
  void storeAnchor(const Anchor& anchor);                                           // audio thread
  Anchor loadAnchor() const;
  static double elapsed();  // seconds on the steady clock

  const std::string path_;
  std::vector<std::thread::id> decodeThreads_;  // main thread
  std::string deviceError_;                     // main thread
  double stoppedAt_ = 0;                        // seconds into the file at stop(); main thread
  double declared_ = 0;                         // the container's length; main thread

  // The worker. `stream_` is the worker's from start() until stopWorker()
  // joins it; `quit_` and `wake_` end its waits for room in the ring.
  std::unique_ptr<AudioStream> stream_;
  std::thread worker_;
  std::mutex wakeMutex_;
  std::condition_variable wake_;
  std::atomic<bool> quit_{false};
  // Written by the worker: frames decoded; then, once, the total and `ended_`
  // (release), after its last write to the ring.
  std::atomic<std::size_t> decoded_{0};
  std::atomic<std::size_t> total_{0};
  std::atomic<bool> ended_{false};

  SampleRing ring_;

  // Shared with the audio thread. The callback advances `consumed_`, stores
  // the anchor, and may clear `playing_` and set `finished_` at the end; the
  // main thread writes them only under the device lock.
  std::atomic<std::size_t> consumed_{0};  // frames the output has taken since the start
  std::atomic<bool> playing_{false};
  std::atomic<bool> finished_{false};  // the output has taken the whole track
  // A sequence lock around the anchor: odd while the audio thread writes it,
  // so that a reader never mixes two callbacks' values.
  std::atomic<unsigned> anchorSequence_{0};
  std::atomic<double> anchorHeardAt_{-1};
  std::atomic<std::size_t> anchorFirst_{0};
  std::atomic<std::size_t> anchorEnd_{0};
  std::atomic<std::thread::id> callbackThread_{};

  AudioDevice device_;  // last: closed first, so no callback outlives the fields above
};

}  // namespace platform

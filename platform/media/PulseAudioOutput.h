#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <string>

#include "platform/media/AudioOutput.h"
#include "platform/media/SeqLock.h"
#include "platform/media/StreamDelay.h"

namespace platform {

// A playback stream on a PulseAudio server (or any that speaks its protocol,
// as PipeWire's does), on libpulse's threaded main loop: the render function
// runs on that loop's thread whenever the server asks for sound. When a
// block is heard is what the server says is queued ahead of it (StreamDelay,
// from the server's timing reports), so it follows whatever the server does
// with its buffers: a latency it changes, an underrun, a stall of the whole
// process.
//
// Opening never starts a server and gives up after `openTimeout`: with no
// server, or one that does not answer, the caller learns it at once and can
// take another output.
//
// Threads: the owner calls every public function; the loop's thread runs
// the callbacks, all under the loop's lock, which locked() and setPaused()
// also take.
class PulseAudioOutput : public AudioOutput {
 public:
  static constexpr int rate = 48000;
  // What the stream keeps queued, server included. The render function only
  // copies from a ring that is two seconds ahead, so the risk is a loop
  // thread that waits for a core: on a loaded two-core machine that wait
  // reaches a few tens of milliseconds at worst. 40 ms, asked for 10 ms at a
  // time, leaves the loop thread about 30 ms to answer; that is what SDL's
  // path held before (two 21 ms blocks), and the bench counts underruns to
  // show it is enough.
  static constexpr double targetSeconds = 0.040;
  static constexpr double requestSeconds = 0.010;
  // A local server answers in milliseconds; one that takes longer is
  // unusable for sound in time anyway.
  static constexpr double openTimeout = 0.4;

  explicit PulseAudioOutput(Render render) : render_(std::move(render)) {}
  ~PulseAudioOutput() override;
  PulseAudioOutput(const PulseAudioOutput&) = delete;
  PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

  // Connects to the default server (PULSE_SERVER, else the user's), paused.
  bool open(std::string& error) override;
  bool isOpen() const override { return open_.load(); }
  void close() override;
  void setPaused(bool paused) override;
  void locked(const std::function<void()>& change) override;
  // What a sample written now waits, from the server's last report as it
  // stands at this moment: a server that ran dry while nothing could write
  // (a stall of the whole process) plays what comes next after its device
  // alone, whatever was queued when it last reported.
  double latency() const override;
  std::string delaySource() const override;
  // The steady clock.
  double now() const override;

  // Times the server found the stream empty while it played.
  int underruns() const { return underruns_.load(); }

 private:
  static void stateChanged(pa_context* context, void* self);
  static void streamStateChanged(pa_stream* stream, void* self);
  static void timedOut(pa_mainloop_api* api, pa_time_event* event, const struct timeval* tv,
                       void* self);
  static void writable(pa_stream* stream, std::size_t bytes, void* self);
  static void underflow(pa_stream* stream, void* self);
  static void latencyUpdated(pa_stream* stream, void* self);
  static void refillSoon(pa_mainloop_api* api, pa_defer_event* event, void* self);

  bool connect(std::string& error);  // owner, under the loop's lock
  void fill();                       // loop thread
  double reportedDelay();            // loop thread
  void publish();                    // loop thread
  void takeReport();                 // loop thread
  void askForReport();               // loop thread

  Render render_;  // loop thread only
  pa_threaded_mainloop* loop_ = nullptr;
  // Under the loop's lock from open() until close().
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_defer_event* refill_ = nullptr;  // fills the stream from the loop's thread on resuming
  bool paused_ = true;
  bool written_ = false;  // sound written since the last flush
  bool timedOut_ = false;
  bool updating_ = false;  // a report asked for and not yet answered
  StreamDelay delay_{rate * 2 * sizeof(float)};

  // The last report and the written end with it, published by the loop
  // thread whenever either changes, for latency() on any thread.
  struct Published {
    StreamDelay delay;
    std::int64_t written;
  };
  SeqLock<Published> published_{Published{delay_, 0}};

  std::atomic<bool> open_{false};
  // Seconds; written on the loop thread, read on any.
  std::atomic<double> playingLatency_{0};  // the last while the server played
  std::atomic<int> underruns_{0};
};

}  // namespace platform

#include "platform/media/PulseAudioOutput.h"

#include <algorithm>
#include <cstdio>

#include "ui/AudioPlayer.h"

namespace platform {

namespace {

constexpr std::size_t frameBytes = 2 * sizeof(float);

const pa_sample_spec streamFormat{PA_SAMPLE_FLOAT32NE, PulseAudioOutput::rate, 2};

// An operation whose end nobody waits for.
void release(pa_operation* operation) {
  if (operation != nullptr) {
    pa_operation_unref(operation);
  }
}

pa_usec_t microseconds(double seconds) {
  return static_cast<pa_usec_t>(seconds * 1e6);
}

}  // namespace

PulseAudioOutput::~PulseAudioOutput() {
  close();
}

bool PulseAudioOutput::open(std::string& error) {
  if (open_.load()) {
    return true;
  }
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) {
    error = "no sound server: its event loop could not be made";
    return false;
  }
  bool connected = false;
  if (pa_threaded_mainloop_start(loop_) < 0) {
    error = "no sound server: its event loop did not start";
  } else {
    pa_threaded_mainloop_lock(loop_);
    connected = connect(error);
    pa_threaded_mainloop_unlock(loop_);
  }
  if (!connected) {
    close();
    return false;
  }
  open_ = true;
  return true;
}

bool PulseAudioOutput::connect(std::string& error) {
  pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
  context_ = pa_context_new(api, "invited");
  if (context_ == nullptr) {
    error = "no sound server: no client context";
    return false;
  }
  pa_context_set_state_callback(context_, &PulseAudioOutput::stateChanged, this);
  // Never start a server: a program that wants one running finds it running.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    error = std::string("no sound server: ") + pa_strerror(pa_context_errno(context_));
    return false;
  }
  timedOut_ = false;
  pa_time_event* deadline = pa_context_rttime_new(
      context_, pa_rtclock_now() + microseconds(openTimeout), &PulseAudioOutput::timedOut, this);
  auto waitFor = [&](auto ready, auto good, auto errorCode) {
    for (;;) {
      if (ready()) {
        return true;
      }
      if (!good()) {
        error = std::string("no sound server: ") + pa_strerror(errorCode());
        return false;
      }
      if (timedOut_) {
        char text[96];
        std::snprintf(text, sizeof text, "no sound server: none answered within %.1f s",
                      openTimeout);
        error = text;
        return false;
      }
      pa_threaded_mainloop_wait(loop_);
    }
  };
  auto contextError = [&] { return pa_context_errno(context_); };
  bool ready =
      waitFor([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
              [&] { return PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); }, contextError);
  if (ready) {
    stream_ = pa_stream_new(context_, "invited", &streamFormat, nullptr);
    ready = stream_ != nullptr;
    if (!ready) {
      error = std::string("no sound stream: ") + pa_strerror(contextError());
    }
  }
  if (ready) {
    pa_stream_set_state_callback(stream_, &PulseAudioOutput::streamStateChanged, this);
    pa_stream_set_write_callback(stream_, &PulseAudioOutput::writable, this);
    pa_stream_set_underflow_callback(stream_, &PulseAudioOutput::underflow, this);
    pa_stream_set_latency_update_callback(stream_, &PulseAudioOutput::latencyUpdated, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength =
        static_cast<std::uint32_t>(pa_usec_to_bytes(microseconds(targetSeconds), &streamFormat));
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq =
        static_cast<std::uint32_t>(pa_usec_to_bytes(microseconds(requestSeconds), &streamFormat));
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    // The target covers the server's own buffer too (ADJUST_LATENCY). The
    // server reports every second (AUTO_TIMING_UPDATE); between reports
    // StreamDelay runs the report on. libpulse's own interpolation is not
    // used: it keeps running while a stream opened paused waits, and reports
    // no delay at all for as long as it waited.
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_START_CORKED | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream_, nullptr, &attributes, flags, nullptr, nullptr) < 0) {
      error = std::string("no sound stream: ") + pa_strerror(contextError());
      ready = false;
    }
  }
  if (ready) {
    ready = waitFor([&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                    [&] { return PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); }, contextError);
  }
  if (deadline != nullptr) {
    api->time_free(deadline);
  }
  if (ready) {
    refill_ = api->defer_new(api, &PulseAudioOutput::refillSoon, this);
    api->defer_enable(refill_, 0);
    paused_ = true;
    written_ = false;
  }
  return ready && refill_ != nullptr;
}

void PulseAudioOutput::close() {
  if (loop_ == nullptr) {
    return;
  }
  pa_threaded_mainloop_lock(loop_);
  if (stream_ != nullptr) {
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
    pa_stream_set_latency_update_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
  }
  if (refill_ != nullptr) {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    api->defer_free(refill_);
    refill_ = nullptr;
  }
  if (context_ != nullptr) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  pa_threaded_mainloop_unlock(loop_);
  pa_threaded_mainloop_stop(loop_);
  pa_threaded_mainloop_free(loop_);
  loop_ = nullptr;
  open_ = false;
}

void PulseAudioOutput::setPaused(bool paused) {
  if (!open_.load()) {
    return;
  }
  pa_threaded_mainloop_lock(loop_);
  if (paused != paused_ && pa_stream_get_state(stream_) == PA_STREAM_READY) {
    paused_ = paused;
    release(pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr));
    askForReport();
    if (paused && written_) {
      // What was queued belongs to the sound that was stopped.
      release(pa_stream_flush(stream_, nullptr, nullptr));
      written_ = false;
    }
    if (!paused) {
      // The server asked for sound while the stream was paused and will not
      // ask again until it is given some.
      pa_threaded_mainloop_get_api(loop_)->defer_enable(refill_, 1);
    }
  }
  pa_threaded_mainloop_unlock(loop_);
}

void PulseAudioOutput::locked(const std::function<void()>& change) {
  if (!open_.load()) {
    change();
    return;
  }
  pa_threaded_mainloop_lock(loop_);
  change();
  pa_threaded_mainloop_unlock(loop_);
}

std::string PulseAudioOutput::delaySource() const {
  char text[160];
  std::snprintf(text, sizeof text,
                "reported by the sound server (PulseAudio protocol): %.1f ms when last playing, "
                "%.0f ms queued at most, %d underruns",
                playingLatency_.load() * 1000, targetSeconds * 1000, underruns());
  return text;
}

double PulseAudioOutput::now() const {
  return ui::AudioPlayer::clockNow();
}

double PulseAudioOutput::latency() const {
  const Published published = published_.load();
  if (!published.delay.hasReport()) {
    return targetSeconds;
  }
  return published.delay.delay(now(), published.written);
}

void PulseAudioOutput::publish() {
  const pa_timing_info* info = pa_stream_get_timing_info(stream_);
  // Just after a flush the written end is unknown until the server's next
  // report, and the last published one stands.
  if (info != nullptr && !info->write_index_corrupt && delay_.hasReport()) {
    published_.store({delay_, info->write_index});
  }
}

double PulseAudioOutput::reportedDelay() {
  publish();
  const double delay = latency();
  if (delay_.hasReport() && delay_.playing() && !paused_) {
    playingLatency_ = delay;
  }
  return delay;
}

void PulseAudioOutput::takeReport() {
  const pa_timing_info* info = pa_stream_get_timing_info(stream_);
  if (info != nullptr && !info->read_index_corrupt) {
    delay_.report(now(), info->read_index, static_cast<double>(info->transport_usec) / 1e6,
                  static_cast<double>(info->sink_usec) / 1e6, info->playing != 0);
    reportedDelay();
  }
}

void PulseAudioOutput::askForReport() {
  if (updating_) {
    return;
  }
  pa_operation* asking = pa_stream_update_timing_info(
      stream_,
      [](pa_stream*, int, void* self) { static_cast<PulseAudioOutput*>(self)->updating_ = false; },
      this);
  updating_ = asking != nullptr;
  release(asking);
}

void PulseAudioOutput::fill() {
  if (paused_ || stream_ == nullptr || pa_stream_get_state(stream_) != PA_STREAM_READY) {
    return;
  }
  std::size_t wanted = pa_stream_writable_size(stream_);
  if (wanted == static_cast<std::size_t>(-1)) {
    return;
  }
  wanted -= wanted % frameBytes;
  if (!delay_.playing()) {
    // The server reports every second by itself; a stream that has just
    // started, or run dry, is asked until it says it plays, so the delay
    // runs on from then.
    askForReport();
  }
  // After a stall the server's last report, run on, has it reading past
  // what was written: it ran dry and starts again with this sound.
  if (const pa_timing_info* info = pa_stream_get_timing_info(stream_);
      info != nullptr && !info->write_index_corrupt) {
    delay_.restartIfDry(now(), info->write_index);
  }
  // Everything already written is heard before this sound: its first sample
  // waits for what the server reports queued, and each block after it for
  // the blocks written before it.
  double heardAt = now() + reportedDelay();
  while (wanted > 0) {
    void* data = nullptr;
    std::size_t bytes = wanted;
    if (pa_stream_begin_write(stream_, &data, &bytes) < 0 || data == nullptr) {
      return;
    }
    bytes = std::min(bytes - bytes % frameBytes, wanted);
    if (bytes == 0) {
      pa_stream_cancel_write(stream_);
      return;
    }
    const int frames = static_cast<int>(bytes / frameBytes);
    render_(static_cast<float*>(data), frames, heardAt);
    if (pa_stream_write(stream_, data, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
      return;
    }
    written_ = true;
    publish();
    heardAt += static_cast<double>(frames) / rate;
    wanted -= bytes;
  }
}

void PulseAudioOutput::stateChanged(pa_context*, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseAudioOutput*>(self)->loop_, 0);
}

void PulseAudioOutput::streamStateChanged(pa_stream*, void* self) {
  pa_threaded_mainloop_signal(static_cast<PulseAudioOutput*>(self)->loop_, 0);
}

void PulseAudioOutput::timedOut(pa_mainloop_api*, pa_time_event*, const struct timeval*,
                                void* self) {
  auto* output = static_cast<PulseAudioOutput*>(self);
  output->timedOut_ = true;
  pa_threaded_mainloop_signal(output->loop_, 0);
}

void PulseAudioOutput::writable(pa_stream*, std::size_t, void* self) {
  static_cast<PulseAudioOutput*>(self)->fill();
}

void PulseAudioOutput::underflow(pa_stream*, void* self) {
  auto* output = static_cast<PulseAudioOutput*>(self);
  ++output->underruns_;
  // The server stopped reading: ask now rather than at the next periodic
  // report.
  output->askForReport();
}

void PulseAudioOutput::latencyUpdated(pa_stream*, void* self) {
  static_cast<PulseAudioOutput*>(self)->takeReport();
}

void PulseAudioOutput::refillSoon(pa_mainloop_api* api, pa_defer_event* event, void* self) {
  api->defer_enable(event, 0);
  static_cast<PulseAudioOutput*>(self)->fill();
}

}  // namespace platform

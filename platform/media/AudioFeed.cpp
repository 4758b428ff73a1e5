#include "platform/media/AudioFeed.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform {

namespace {

// How often a worker with a full ring looks for room again.
constexpr auto refillInterval = std::chrono::milliseconds(10);

}  // namespace

AudioFeed::AudioFeed(std::size_t ringFrames) : ring_(ringFrames) {}

AudioFeed::~AudioFeed() {
  stopWorker();
}

bool AudioFeed::open(const std::string& path, std::string& error) {
  stopWorker();
  return start(path, error);
}

bool AudioFeed::rewind(std::string& error) {
  if (consumed_.load() > 0) {
    stopWorker();
    if (!start(path_, error)) {
      return false;
    }
  }
  consumed_ = 0;
  anchor_.store(Anchor{});
  return true;
}

bool AudioFeed::start(const std::string& path, std::string& error) {
  auto stream = std::make_unique<AudioStream>();
  std::vector<float> head;
  if (!stream->open(path, head, error)) {
    return false;
  }
  path_ = path;
  declared_ = stream->declaredDuration();
  decodeThreads_.push_back(std::this_thread::get_id());
  // The first sound goes in at once, so that an output starting right after
  // this has something to take; the worker brings what did not fit.
  ring_.clear();
  std::size_t written = ring_.write(head.data(), head.size() / SampleRing::channels);
  std::vector<float> rest(
      head.begin() + static_cast<std::ptrdiff_t>(written * SampleRing::channels), head.end());
  consumed_ = 0;
  anchor_.store(Anchor{});
  decoded_ = stream->frames();
  total_ = 0;
  ended_ = false;
  quit_ = false;
  stream_ = std::move(stream);
  worker_ = std::thread([this, rest = std::move(rest)]() mutable { decode(std::move(rest)); });
  decodeThreads_.push_back(worker_.get_id());
  return true;
}

void AudioFeed::stopWorker() {
  {
    std::lock_guard<std::mutex> lock(wakeMutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) {
    worker_.join();
  }
  stream_.reset();
}

void AudioFeed::decode(std::vector<float> pending) {
  std::string error;
  for (;;) {
    std::size_t offset = 0;
    while (offset < pending.size()) {
      std::size_t frames = (pending.size() - offset) / SampleRing::channels;
      std::size_t written = ring_.write(pending.data() + offset, frames);
      offset += written * SampleRing::channels;
      if (written > 0) {
        announce();
      }
      if (offset < pending.size()) {
        std::unique_lock<std::mutex> lock(wakeMutex_);
        wake_.wait_for(lock, refillInterval, [this] { return quit_.load(); });
      }
      if (quit_.load()) {
        return;
      }
    }
    pending.clear();
    // A file found damaged further in simply ends its sound there: the show
    // goes on in silence rather than stopping.
    AudioStream::Status status = stream_->next(pending, error);
    decoded_ = stream_->frames();
    if (status != AudioStream::Status::More) {
      total_ = stream_->frames();
      ended_.store(true, std::memory_order_release);
      announce();
      return;
    }
  }
}

void AudioFeed::announce() {
  // Taking the lock orders this after a waiter's test of the ring, so that
  // the waiter is already waiting when told.
  { std::lock_guard<std::mutex> lock(wakeMutex_); }
  filled_.notify_all();
}

void AudioFeed::waitForSound(std::size_t frames) const {
  const std::size_t wanted = std::min(frames, ring_.capacity());
  std::unique_lock<std::mutex> lock(wakeMutex_);
  filled_.wait(lock, [&] {
    return ring_.available() >= wanted || ended_.load(std::memory_order_acquire) ||
           !worker_.joinable();
  });
}

bool AudioFeed::render(float* out, std::size_t frames, double heardAt) {
  std::size_t got = ring_.read(out, frames);
  std::memset(out + got * SampleRing::channels, 0,
              (frames - got) * SampleRing::channels * sizeof(float));
  if (got > 0) {
    std::size_t start = consumed_.load();
    consumed_ = start + got;
    const Anchor previous = anchor_.load();
    Anchor next = previous;
    next.heardAt = heardAt;
    next.first = start;
    next.end = start + got;
    if (previous.heardAt >= 0) {
      next.before = static_cast<double>(previous.first) / sampleRate - previous.heardAt;
      const double due =
          previous.heardAt + static_cast<double>(previous.end - previous.first) / sampleRate;
      if (heardAt > due + kGap) {
        next.gapFrom = due;
        next.wentOnAt = heardAt;
        next.wentOnFrom = start;
      }
    }
    anchor_.store(next);
  }
  // The worker's last write comes before `ended_`: an empty ring then is the
  // end of the track, not an underrun.
  return got == frames || !ended_.load(std::memory_order_acquire) || ring_.available() > 0;
}

std::optional<ui::AudioPlayer::HeardPosition> AudioFeed::heardPosition(double now,
                                                                       double latency) const {
  const Anchor anchor = anchor_.load();
  if (anchor.heardAt < 0) {
    return std::nullopt;
  }
  const double first = static_cast<double>(anchor.first) / sampleRate;
  const double end = static_cast<double>(anchor.end) / sampleRate;
  const double fromThis = first + (now - anchor.heardAt);
  const double fromBefore = now + anchor.before;
  if (fromThis >= end) {
    // Everything given out has been heard: the next sound goes out at the
    // earliest now, and is heard a latency later.
    return ui::AudioPlayer::HeardPosition{end, now + latency, true};
  }
  if (now >= anchor.gapFrom && now < anchor.wentOnAt) {
    // In the last gap: the sound before is heard out, and the sound that
    // ends the gap (this render's, or one before it) is on its way.
    return ui::AudioPlayer::HeardPosition{static_cast<double>(anchor.wentOnFrom) / sampleRate,
                                          anchor.wentOnAt, true};
  }
  const double fileTime = std::max(fromThis, std::min(fromBefore, first));
  if (fileTime < 0) {
    return std::nullopt;
  }
  return ui::AudioPlayer::HeardPosition{fileTime, now};
}

double AudioFeed::duration() const {
  if (ended_.load(std::memory_order_acquire)) {
    return static_cast<double>(total_.load()) / sampleRate;
  }
  return declared_;
}

}  // namespace platform

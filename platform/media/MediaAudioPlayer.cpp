#include "platform/media/MediaAudioPlayer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "ui/RunLoop.h"

namespace platform {

namespace {

// How often a worker with a full ring looks for room again.
constexpr auto refillInterval = std::chrono::milliseconds(10);

}  // namespace

void MediaAudioPlayer::install() {
  ui::AudioPlayer::setFactory([](const std::string& path, std::string& error) {
    return std::static_pointer_cast<ui::AudioPlayer>(create(path, error));
  });
}

MediaAudioPlayer::MediaAudioPlayer(std::string path)
    : path_(std::move(path)),
      ring_(static_cast<std::size_t>(bufferSeconds * sampleRate)),
      device_([this](float* out, int frames) { render(out, frames); }) {}

MediaAudioPlayer::~MediaAudioPlayer() {
  device_.close();
  stopWorker();
}

std::shared_ptr<MediaAudioPlayer> MediaAudioPlayer::create(const std::string& path,
                                                           std::string& error) {
  auto stream = std::make_unique<AudioStream>();
  std::vector<float> head;
  if (!stream->open(path, head, error)) {
    return nullptr;
  }
  std::shared_ptr<MediaAudioPlayer> player(new MediaAudioPlayer(path));
  player->decodeThreads_.push_back(std::this_thread::get_id());
  player->declared_ = stream->declaredDuration();
  player->start(std::move(stream), head);
  return player;
}

bool MediaAudioPlayer::start(std::unique_ptr<AudioStream> stream, const std::vector<float>& head) {
  // The first sound goes in at once, so that play() right after this has
  // something to give; the worker brings what did not fit.
  std::size_t frames = head.size() / SampleRing::channels;
  std::size_t written = ring_.write(head.data(), frames);
  std::vector<float> rest(
      head.begin() + static_cast<std::ptrdiff_t>(written * SampleRing::channels), head.end());
  decoded_ = stream->frames();
  total_ = 0;
  ended_ = false;
  quit_ = false;
  stream_ = std::move(stream);
  worker_ = std::thread([this, rest = std::move(rest)]() mutable { decode(std::move(rest)); });
  decodeThreads_.push_back(worker_.get_id());
  return true;
}

void MediaAudioPlayer::stopWorker() {
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

void MediaAudioPlayer::decode(std::vector<float> pending) {
  std::string error;
  for (;;) {
    std::size_t offset = 0;
    while (offset < pending.size()) {
      std::size_t frames = (pending.size() - offset) / SampleRing::channels;
      offset += ring_.write(pending.data() + offset, frames) * SampleRing::channels;
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
      return;
    }
  }
}

bool MediaAudioPlayer::prepareToPlay() {
  // A machine without sound stays without: asking the drivers again would
  // only delay play() (and some print their complaints again).
  if (!device_.isOpen() && !deviceError_.empty()) {
    return false;
  }
  return device_.open(deviceError_);
}

bool MediaAudioPlayer::play() {
  if (!prepareToPlay()) {
    return false;
  }
  // Once the output has taken anything, the first sound is gone from the
  // ring: the file is opened again and a new worker starts from its top.
  std::unique_ptr<AudioStream> stream;
  std::vector<float> head;
  if (consumed_.load() > 0) {
    stream = std::make_unique<AudioStream>();
    if (!stream->open(path_, head, deviceError_)) {
      return false;
    }
    device_.setPaused(true);
    stopWorker();
  }
  device_.locked([&] {
    if (stream) {
      ring_.clear();
      start(std::move(stream), head);
    }
    consumed_ = 0;
    finished_ = false;
    storeAnchor(Anchor{});
    playing_ = true;
  });
  device_.setPaused(false);
  // The first sample is heard one device latency from now; the frame loop
  // delays the pictures to match.
  publishSyncPoint({ui::RunLoop::main().now(), elapsed() + device_.latency(), weak_from_this()});
  return true;
}

void MediaAudioPlayer::stop() {
  if (!device_.isOpen()) {
    return;
  }
  stoppedAt_ = currentTime();
  device_.setPaused(true);
  device_.locked([this] { playing_ = false; });
}

bool MediaAudioPlayer::isPlaying() const {
  return playing_.load();
}

double MediaAudioPlayer::duration() const {
  if (ended_.load(std::memory_order_acquire)) {
    return static_cast<double>(total_.load()) / sampleRate;
  }
  return declared_;
}

double MediaAudioPlayer::currentTime() const {
  if (!playing_.load()) {
    return finished_.load() ? duration() : stoppedAt_;
  }
  auto heard = heardPosition();
  return heard ? heard->fileTime : 0.0;
}

std::optional<ui::AudioPlayer::HeardPosition> MediaAudioPlayer::heardPosition() const {
  if (!playing_.load()) {
    return std::nullopt;
  }
  Anchor anchor = loadAnchor();
  if (anchor.heardAt < 0) {
    return std::nullopt;
  }
  // Between callbacks the sound runs on from the last one, but never past
  // what the output has taken: after an underrun or a stall of the process
  // it waits where the sound waits.
  double now = elapsed();
  double fileTime =
      std::min(static_cast<double>(anchor.first) / sampleRate + (now - anchor.heardAt),
               static_cast<double>(anchor.end) / sampleRate);
  if (fileTime < 0) {
    return std::nullopt;  // the first sample is still on its way
  }
  return HeardPosition{fileTime, now};
}

void MediaAudioPlayer::storeAnchor(const Anchor& anchor) {
  unsigned sequence = anchorSequence_.load(std::memory_order_relaxed);
  anchorSequence_.store(sequence + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  anchorHeardAt_.store(anchor.heardAt, std::memory_order_relaxed);
  anchorFirst_.store(anchor.first, std::memory_order_relaxed);
  anchorEnd_.store(anchor.end, std::memory_order_relaxed);
  anchorSequence_.store(sequence + 2, std::memory_order_release);
}

MediaAudioPlayer::Anchor MediaAudioPlayer::loadAnchor() const {
  for (;;) {
    unsigned sequence = anchorSequence_.load(std::memory_order_acquire);
    Anchor anchor{anchorHeardAt_.load(std::memory_order_relaxed),
                  anchorFirst_.load(std::memory_order_relaxed),
                  anchorEnd_.load(std::memory_order_relaxed)};
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((sequence & 1) == 0 && anchorSequence_.load(std::memory_order_relaxed) == sequence) {
      return anchor;
    }
  }
}

double MediaAudioPlayer::elapsed() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void MediaAudioPlayer::render(float* out, int frames) {
  callbackThread_ = std::this_thread::get_id();
  auto wanted = static_cast<std::size_t>(frames);
  std::size_t got = 0;
  if (playing_.load()) {
    got = ring_.read(out, wanted);
    std::size_t start = consumed_.load();
    if (got > 0) {
      consumed_ = start + got;
      // Frame `start` reaches the listener one device latency from now.
      storeAnchor({elapsed() + device_.latency(), start, start + got});
    }
    // The worker's last write comes before `ended_`: an empty ring then is
    // the end of the track, not an underrun.
    if (got < wanted && ended_.load(std::memory_order_acquire) && ring_.available() == 0) {
      playing_ = false;
      finished_ = true;
    }
  }
  std::memset(out + got * SampleRing::channels, 0,
              (wanted - got) * SampleRing::channels * sizeof(float));
}

}  // namespace platform

#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ui {

// The platform's audio player: plays one file once, at full volume.
class AudioPlayer : public std::enable_shared_from_this<AudioPlayer> {
 public:
  // Creates a player for the file at `path`, or returns nullptr and sets
  // `error` to a reason a person can read.
  using Factory =
      std::function<std::shared_ptr<AudioPlayer>(const std::string& path, std::string& error)>;

  static std::shared_ptr<AudioPlayer> createWithContentsOfURL(const std::string& path,
                                                              std::string& error);
  // Installed by the platform layer (or a test) before any player is created.
  static void setFactory(Factory factory);
  // Whether players may be made on a worker thread while the start screen
  // stands (true unless the platform has no threads, as a page has not).
  static bool madeInBackground();
  static void setMadeInBackground(bool background);

  virtual ~AudioPlayer() = default;
  // Readies buffers and the output.
  virtual bool prepareToPlay() = 0;
  // Starts from the beginning; false when nothing can play (no audio device).
  virtual bool play() = 0;
  virtual void stop() = 0;
  virtual bool isPlaying() const = 0;
  virtual double duration() const = 0;
  // Seconds between a sample entering the output and reaching the listener.
  virtual double outputLatency() const = 0;
  // Seconds into the file of the sample being heard now.
  virtual double currentTime() const = 0;

  // Where the sound is: the sample at `fileTime` seconds into the file
  // reaches the listener at `heardAt` (seconds of std::chrono::steady_clock).
  // Taken from what the output has consumed, less its latency. None while
  // the player is not sounding: never started, stopped, without a device, or
  // past the end of the track. `waiting`: nothing sounds until `heardAt`,
  // when the music goes on from `fileTime` (the output ran dry, or its next
  // sound is on its way); what comes before `fileTime` was heard earlier.
  struct HeardPosition {
    double fileTime;
    double heardAt;
    bool waiting = false;
  };
  // The clock every player's heard times are read on: seconds of
  // std::chrono::steady_clock.
  static double clockNow();
  virtual std::optional<HeardPosition> heardPosition() const { return std::nullopt; }

  // Where the sound of the most recently started player meets the run loop's
  // clock: its first sample reaches the listener at `heardAt` (seconds of
  // std::chrono::steady_clock), and the run loop's time was `runLoopTime`
  // when play() started it. A live frame loop shifts its pictures by this so
  // that the sound of a moment and its picture arrive together. None while no
  // player has started.
  //
  // `player` is the player that started: while it sounds, its
  // heardPosition() tells where the show's clock stands, so a frame loop can
  // follow the sound rather than the wall clock. Empty when a test publishes
  // a point of its own.
  struct SyncPoint {
    double runLoopTime;
    double heardAt;
    std::weak_ptr<const AudioPlayer> player;
  };
  static std::optional<SyncPoint> syncPoint();
  // For players and tests; clearSyncPoint() forgets it.
  static void publishSyncPoint(SyncPoint point);
  static void clearSyncPoint();
};

}  // namespace ui

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <vector>

namespace ui {

// The main run loop: one timeline of delayed work, in seconds of the show's
// own clock. Time moves only through runUntil(): tests and the offline
// renderer step it by hand, the live frame loop steps it to each frame's
// display time, so both run the very same program.
//
// Tasks fire in order of fire time; equal fire times fire in the order they
// were scheduled. A task sees now() equal to its own fire time. Nothing that
// was scheduled is ever cancelled. Main thread only.
class RunLoop {
 public:
  using Task = std::function<void()>;

  static RunLoop& main();

  RunLoop() = default;
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  double now() const { return now_; }

  // Schedules `task` to run `delay` seconds from now (a negative delay counts
  // as 0). Stands for both the run loop's delayed messages and the main
  // queue's delayed blocks: they share this one timeline.
  void schedule(double delay, Task task);

  // The platform's delayed message: keeps target (and whatever the bound
  // argument holds) alive until it has run.
  template <class T, class... Args, class... Values>
  void performAfterDelay(std::shared_ptr<T> target, void (T::*selector)(Args...), double delay,
                         Values... args) {
    schedule(delay, [target = std::move(target), selector, args...]() mutable {
      ((*target).*selector)(args...);
    });
  }

  // The main queue's delayed block.
  void asyncAfter(double delay, Task block) { schedule(delay, std::move(block)); }

  // Runs every task due at or before `time`, including tasks those tasks
  // schedule, then leaves now() at `time` (never moving it backwards).
  void runUntil(double time);
  // runUntil(now() + seconds).
  void advance(double seconds) { runUntil(now_ + seconds); }

  std::size_t pendingCount() const { return queue_.size(); }
  // Fire time of the earliest pending task, or +infinity when there is none.
  double nextFireTime() const;

  // Drops every pending task and sets the clock back to `time`. For tests and
  // tools that build a fresh show in the same process; the program never calls it.
  void reset(double time = 0);

 private:
  struct Entry {
    double fireTime;
    std::uint64_t sequence;
    Task task;
  };
  struct Later {
    bool operator()(const Entry& l, const Entry& r) const {
      return l.fireTime != r.fireTime ? l.fireTime > r.fireTime : l.sequence > r.sequence;
    }
  };

  double now_ = 0;
  std::uint64_t nextSequence_ = 0;
  std::priority_queue<Entry, std::vector<Entry>, Later> queue_;
};

}  // namespace ui

#include "ui/RunLoop.h"

#include <limits>

namespace ui {

RunLoop& RunLoop::main() {
  static RunLoop loop;
  return loop;
}

void RunLoop::schedule(double delay, Task task) {
  if (!(delay > 0)) {
    delay = 0;
  }
  queue_.push(Entry{now_ + delay, nextSequence_++, std::move(task)});
}

void RunLoop::runUntil(double time) {
  while (!queue_.empty() && queue_.top().fireTime <= time) {
    // Move the task out before running it: it may schedule more work.
    Entry entry = std::move(const_cast<Entry&>(queue_.top()));
    queue_.pop();
    if (entry.fireTime > now_) {
      now_ = entry.fireTime;
    }
    entry.task();
  }
  if (time > now_) {
    now_ = time;
  }
}

double RunLoop::nextFireTime() const {
  return queue_.empty() ? std::numeric_limits<double>::infinity() : queue_.top().fireTime;
}

void RunLoop::reset(double time) {
  // Tasks may own views whose destructors touch the run loop: drop them
  // outside the queue.
  auto old = std::move(queue_);
  queue_ = {};
  now_ = time;
  while (!old.empty()) {
    old.pop();
  }
}

}  // namespace ui

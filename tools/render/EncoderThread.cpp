#include "tools/render/EncoderThread.h"

namespace render {

EncoderThread::EncoderThread(VideoWriter& writer, std::size_t depth)
    : writer_(writer), depth_(depth), thread_([this] { run(); }) {}

EncoderThread::~EncoderThread() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) {
    thread_.join();
  }
}

EncoderThread::Planes EncoderThread::spare() {
  std::lock_guard lock(mutex_);
  if (spares_.empty()) {
    return {};
  }
  Planes planes = std::move(spares_.back());
  spares_.pop_back();
  return planes;
}

bool EncoderThread::push(Planes planes, std::string& error) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return failed_ || waiting_.size() < depth_; });
  if (failed_) {
    error = error_;
    return false;
  }
  waiting_.push_back(std::move(planes));
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool EncoderThread::finish(std::string& error) {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
  if (failed_) {
    error = error_;
    return false;
  }
  return writer_.finish(error);
}

void EncoderThread::run() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
    if (waiting_.empty()) {
      return;
    }
    Planes planes = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    changed_.notify_all();
    std::string error;
    bool written = writer_.writeYuv420(planes.data(), error);
    lock.lock();
    spares_.push_back(std::move(planes));
    if (!written) {
      failed_ = true;
      error_ = error;
      waiting_.clear();
      changed_.notify_all();
      return;
    }
  }
}

}  // namespace render

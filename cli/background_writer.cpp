#include "background_writer.h"

BackgroundWriter::BackgroundWriter(WriteBlock write, std::size_t buffers)
    : write_(std::move(write)), free_(buffers) {
  thread_ = std::thread([this] { Run(); });
}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::Write(std::string_view bytes) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !free_.empty() || error_; });
  RaiseAnyError();
  std::string block = std::move(free_.back());
  free_.pop_back();
  lock.unlock();
  block.assign(bytes);  // copied outside the lock, while the writer writes
  lock.lock();
  queued_.insert(queued_.begin(), std::move(block));
  changed_.notify_all();
}

void BackgroundWriter::Finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return (queued_.empty() && !writing_) || error_; });
  RaiseAnyError();
}

void BackgroundWriter::RaiseAnyError() {
  if (error_) std::rethrow_exception(error_);
}

void BackgroundWriter::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stop_ || !queued_.empty(); });
    if (stop_ || error_) return;
    std::string block = std::move(queued_.back());
    queued_.pop_back();
    writing_ = true;
    lock.unlock();
    std::exception_ptr error;
    try {
      write_(block);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    writing_ = false;
    if (error) error_ = error;
    free_.push_back(std::move(block));
    changed_.notify_all();
  }
}

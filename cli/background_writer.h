// Writes blocks on a thread of its own, so that the next blocks are made while the last ones
// go to the disk. Blocks are copied on handing over; an error of the writing is raised to
// the caller at its next Write or at Finish.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class BackgroundWriter {
 public:
  using WriteBlock = std::function<void(std::string_view)>;
  explicit BackgroundWriter(WriteBlock write, std::size_t buffers = 4);
  // Stops the thread; what is not written yet is dropped.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  void Write(std::string_view bytes);
  // Waits until every block handed over is written.
  void Finish();

 private:
  void Run();
  void RaiseAnyError();

  WriteBlock write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> free_, queued_;  // queued_ in order of writing
  bool stop_ = false;
  bool writing_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

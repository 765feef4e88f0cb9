#include "piece_writer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

class Turns {
 public:
  explicit Turns(const DocumentPieces& pieces, const WriteBytes& write)
      : pieces_(pieces), write_(write) {}

  // One thread's share: pieces until none is left or the writing failed.
  void Work() {
    std::string bytes;
    ConversionCounts counts;
    try {
      for (std::size_t i = next_++; i < pieces_.Count(); i = next_++) {
        bytes.clear();
        counts += pieces_.Append(i, bytes);
        if (!WaitForTurn(i)) break;
        write_(bytes);  // alone: the turn passes only after this
        PassTurn();
      }
    } catch (...) {
      Fail(std::current_exception());
    }
    std::lock_guard lock(mutex_);
    counts_ += counts;
  }

  ConversionCounts Result() const {
    if (error_) std::rethrow_exception(error_);
    return counts_;
  }

 private:
  bool WaitForTurn(std::size_t i) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return turn_ == i || error_; });
    return !error_;
  }
  void PassTurn() {
    {
      std::lock_guard lock(mutex_);
      ++turn_;
    }
    changed_.notify_all();
  }
  void Fail(std::exception_ptr error) {
    {
      std::lock_guard lock(mutex_);
      if (!error_) error_ = error;
    }
    changed_.notify_all();
  }

  const DocumentPieces& pieces_;
  const WriteBytes& write_;
  std::atomic<std::size_t> next_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t turn_ = 0;  // the piece written next
  ConversionCounts counts_;
  std::exception_ptr error_;
};

}  // namespace

ConversionCounts WritePiecesInOrder(const DocumentPieces& pieces, const WriteBytes& write,
                                    unsigned threads) {
  Turns turns(pieces, write);
  {
    std::vector<std::jthread> helpers;
    try {
      for (unsigned t = 1; t < threads; ++t)
        helpers.emplace_back([&turns] { turns.Work(); });
    } catch (const std::system_error&) {
      // Fewer threads make the same document, only later.
    }
    turns.Work();
  }
  return turns.Result();
}

unsigned PieceThreads() {
  return std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
}

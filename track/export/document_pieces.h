// A document cut into pieces that can be made apart from each other, on any thread, and
// joined in order: how the tool writes a large document on several cores.
#pragma once

#include <cstddef>
#include <string>

struct ConversionCounts {
  std::size_t points = 0;
  std::size_t skipped = 0;  // data rows without a satellite fix

  ConversionCounts& operator+=(const ConversionCounts& other) {
    points += other.points;
    skipped += other.skipped;
    return *this;
  }
};

class DocumentPieces {
 public:
  virtual ~DocumentPieces() = default;
  virtual std::size_t Count() const = 0;
  // Appends piece i to `out`, and counts the rows it read where the document counts them.
  virtual ConversionCounts Append(std::size_t i, std::string& out) const = 0;
};

// Rows a piece of a document reads.
inline constexpr std::size_t kRowsPerRun = 8192;

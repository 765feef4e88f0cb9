// A time zone's history as a compiled zone file (TZif, RFC 8536) holds it: the instants at
// which its clocks changed and the offset from UTC after each, then the rule that goes on
// from the last (a POSIX TZ string). Windows has no zone database of its own; this reads the
// files shipped beside the program, the same files the Linux tool reads through cctz.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ZoneTable {
 public:
  // Nothing when the bytes are not a zone file of version 2 or later.
  static std::optional<ZoneTable> Parse(std::string_view bytes);
  ~ZoneTable();
  ZoneTable(ZoneTable&&) noexcept;
  ZoneTable& operator=(ZoneTable&&) noexcept;

  // The UTC instants (seconds since 1970) a local time stands for: two in an hour that
  // repeats (the earlier first), else one; a local time the clocks skipped counts by the
  // offset before the change.
  struct Instants {
    std::int64_t first, second;
  };
  Instants ToUtc(std::int64_t local) const;

 private:
  ZoneTable();
  std::vector<std::int64_t> changes_;  // UTC instants the offset changed at, ascending
  std::vector<std::int32_t> offsets_;  // offsets_[0] before the first change, [k+1] after k
  struct Rule;                         // the POSIX rule after the last change, if any
  std::unique_ptr<Rule> rule_;
};

#include "zone_table.h"

#include <date/ptz.h>

#include <algorithm>

struct ZoneTable::Rule {
  Posix::time_zone zone;
};

namespace {

// The big-endian integers of a zone file.
struct Reader {
  std::string_view bytes;
  std::size_t at = 0;
  bool ok = true;

  std::uint64_t Unsigned(std::size_t size) {
    if (at + size > bytes.size()) {
      ok = false;
      return 0;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
      value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    at += size;
    return value;
  }
  std::int64_t Signed(std::size_t size) {
    const std::uint64_t value = Unsigned(size);
    const unsigned bits = static_cast<unsigned>(size * 8);
    return bits == 64 ? static_cast<std::int64_t>(value)
                      : static_cast<std::int64_t>(value ^ (1ull << (bits - 1))) -
                            static_cast<std::int64_t>(1ull << (bits - 1));
  }
  void Skip(std::size_t size) {
    if (at + size > bytes.size()) ok = false;
    at = std::min(at + size, bytes.size());
  }
};

struct Header {
  std::size_t isut, isstd, leaps, times, types, chars;
  // The size of the data block after this header, with times of `timeSize` bytes.
  std::size_t DataSize(std::size_t timeSize) const {
    return times * timeSize + times + types * 6 + chars + leaps * (timeSize + 4) + isstd + isut;
  }
};

std::optional<Header> ReadHeader(Reader& in) {
  if (in.bytes.substr(in.at, 4) != "TZif") return std::nullopt;
  in.Skip(20);
  Header h{};
  h.isut = in.Unsigned(4);
  h.isstd = in.Unsigned(4);
  h.leaps = in.Unsigned(4);
  h.times = in.Unsigned(4);
  h.types = in.Unsigned(4);
  h.chars = in.Unsigned(4);
  if (!in.ok || h.types == 0) return std::nullopt;
  return h;
}

}  // namespace

ZoneTable::ZoneTable() = default;
ZoneTable::~ZoneTable() = default;
ZoneTable::ZoneTable(ZoneTable&&) noexcept = default;
ZoneTable& ZoneTable::operator=(ZoneTable&&) noexcept = default;

std::optional<ZoneTable> ZoneTable::Parse(std::string_view bytes) {
  Reader in{bytes};
  // Version 1's block of 32-bit times, then version 2's of 64-bit times, which counts.
  const auto v1 = ReadHeader(in);
  if (!v1 || bytes.size() < 5 || bytes[4] < '2') return std::nullopt;
  in.Skip(v1->DataSize(4));
  const auto h = ReadHeader(in);
  if (!h) return std::nullopt;
  ZoneTable table;
  table.changes_.resize(h->times);
  for (auto& change : table.changes_)
    change = in.Signed(8);
  std::vector<std::size_t> typeAfter(h->times);
  for (auto& type : typeAfter)
    type = in.Unsigned(1);
  std::vector<std::int32_t> typeOffsets(h->types);
  for (auto& offset : typeOffsets) {
    offset = static_cast<std::int32_t>(in.Signed(4));
    in.Skip(2);  // whether it is summer time, and its abbreviation
  }
  in.Skip(h->chars + h->leaps * 12 + h->isstd + h->isut);
  if (!in.ok) return std::nullopt;
  // Before the first change, the first type holds.
  table.offsets_.push_back(typeOffsets[0]);
  for (const std::size_t type : typeAfter) {
    if (type >= typeOffsets.size()) return std::nullopt;
    table.offsets_.push_back(typeOffsets[type]);
  }
  // The footer: the rule between two line feeds, empty when the last change holds for ever.
  const std::string_view footer = bytes.substr(in.at);
  if (footer.size() >= 2 && footer.front() == '\n' && footer.back() == '\n' && footer.size() > 2) {
    // A rule beyond what the library reads (a version 3 time like "/-1") is left out: the
    // table's changes already run to 2037, and its last offset holds after them.
    try {
      table.rule_ = std::make_unique<Rule>(
          Rule{Posix::time_zone(std::string(footer.substr(1, footer.size() - 2)))});
    } catch (const std::exception&) {
      table.rule_.reset();
    }
  }
  return table;
}

ZoneTable::Instants ZoneTable::ToUtc(std::int64_t local) const {
  constexpr std::int64_t kDay = 26 * 3600;  // more than any offset
  // Past the table, the rule (where there is one) knows.
  if (rule_ && (changes_.empty() || local > changes_.back() + kDay)) {
    const date::local_info info =
        rule_->zone.get_info(date::local_seconds{std::chrono::seconds(local)});
    const auto utc = [local](const date::sys_info& i) {
      return local - static_cast<std::int64_t>(i.offset.count());
    };
    if (info.result == date::local_info::ambiguous) return {utc(info.first), utc(info.second)};
    return {utc(info.first), utc(info.first)};
  }
  // The spans of the table (span k from change k-1 to change k, in UTC) that could hold the
  // local time: the instant each would give is the answer where it falls inside its span.
  std::size_t k = static_cast<std::size_t>(
      std::upper_bound(changes_.begin(), changes_.end(), local - kDay) - changes_.begin());
  std::vector<std::int64_t> found;
  std::optional<std::int64_t> skipped;
  for (; k <= changes_.size(); ++k) {
    const std::int64_t utc = local - offsets_[k];
    const bool afterStart = k == 0 || utc >= changes_[k - 1];
    const bool beforeEnd = k == changes_.size() || utc < changes_[k];
    if (afterStart && beforeEnd) found.push_back(utc);
    // Between the old clock's end and the new clock's start: skipped, the old clock counts.
    if (k < changes_.size() && !beforeEnd && local < changes_[k] + offsets_[k + 1] && !skipped)
      skipped = utc;
    if (k < changes_.size() && changes_[k] > local + kDay) break;
  }
  if (found.empty()) {
    const std::int64_t utc = skipped.value_or(local - offsets_.back());
    return {utc, utc};
  }
  return {found.front(), found.back()};
}

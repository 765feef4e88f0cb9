#include "text_loader.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include "app_error.h"
#include "byte_mask.h"
#include "file_errors.h"
#include "file_handle.h"
#include "file_messages.h"

namespace {

AppError TooLarge(const LoadRules& rules) {
  return AppError(std::string(rules.tooLarge));
}

// True when the bytes hold no NUL and break lines only with CR LF, as exports do: found in
// one pass a block at a time, so that such a text is taken as it is.
bool IsPaneTextAlready(std::string_view raw) {
  std::uint64_t crBefore = 0;  // the last block ended with a CR
  std::size_t at = 0;
  for (; at + kMaskBlock <= raw.size(); at += kMaskBlock) {
    const char* block = raw.data() + at;
    const std::uint64_t cr = ByteMask(block, '\r');
    // Every LF right after a CR, and every CR right before an LF.
    if (ByteMask(block, '\0') != 0 || ((cr << 1) | crBefore) != ByteMask(block, '\n')) return false;
    crBefore = cr >> (kMaskBlock - 1);
  }
  for (; at < raw.size(); ++at) {
    const char c = raw[at];
    if (c == '\0' || (c == '\n') != (crBefore != 0)) return false;
    crBefore = c == '\r';
  }
  return crBefore == 0;
}

// Bytes the normalised text has beyond the raw one: one per lone CR or lone LF.
std::size_t ExtraBytes(std::string_view raw) {
  // Every LF not preceded by CR, and every CR not followed by LF; found by searching for LFs
  // and counting CRs rather than looking at every byte.
  std::size_t crLf = 0, loneLf = 0;
  for (std::size_t at = raw.find('\n'); at != std::string_view::npos; at = raw.find('\n', at + 1)) {
    if (at > 0 && raw[at - 1] == '\r') {
      ++crLf;
    } else {
      ++loneLf;
    }
  }
  const auto cr = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '\r'));
  return loneLf + (cr - crLf);
}

// Every lone CR and lone LF becomes CR LF, in place: the buffer grows to the exact new size
// and is filled from its end; a text that would outgrow the limit is refused first.
void NormalizeLineBreaks(std::string& text, const LoadRules& rules) {
  const std::size_t extra = ExtraBytes(text);
  if (text.size() + extra > rules.limit) throw TooLarge(rules);
  if (extra == 0) return;
  std::size_t in = text.size();
  text.resize(text.size() + extra);
  std::size_t out = text.size();
  // Backwards, so every byte is read before the growing output can reach it.
  while (in > 0) {
    const char c = text[--in];
    if (c == '\n') {
      if (in > 0 && text[in - 1] == '\r') --in;  // CR LF: one break, written once
      text[--out] = '\n';
      text[--out] = '\r';
    } else if (c == '\r') {
      text[--out] = '\n';
      text[--out] = '\r';
    } else {
      text[--out] = c;
    }
  }
}

std::string ReadSized(OsFiles& os, int fd, const std::string& name, std::size_t size) {
  std::string raw;
  raw.reserve(size);
  os.AdviseLargePages(raw.data(), size);
  raw.resize(size);
  for (std::size_t got = 0; got < raw.size();) {
    const long n = os.ReadSome(fd, raw.data() + got, raw.size() - got);
    if (n < 0) throw ReadError(os, name, errno);
    if (n == 0) throw ReadError(os, name, std::string(file_messages::kEndedEarly));
    got += static_cast<std::size_t>(n);
  }
  return raw;
}

std::string ReadUntilEnd(OsFiles& os, int fd, const std::string& name, const LoadRules& rules,
                         std::optional<std::size_t>& nulAt) {
  std::string raw;
  std::size_t got = 0;
  for (;;) {
    if (got == raw.size()) {
      // The buffer doubles, but never past one byte more than the limit: that byte tells.
      if (raw.size() > rules.limit) throw TooLarge(rules);
      const std::size_t most = std::max(rules.limit, rules.limit + 1);  // no wrap at SIZE_MAX
      raw.resize(std::min(std::max<std::size_t>(raw.size() * 2, 1 << 16), most));
    }
    const long n = os.ReadSome(fd, raw.data() + got, raw.size() - got);
    if (n < 0) throw ReadError(os, name, errno);
    if (n == 0) break;
    // The text ends at its first NUL: nothing after it needs reading (an endless device
    // of zeros ends here too).
    const auto nul = raw.find('\0', got);
    got += static_cast<std::size_t>(n);
    if (nul < got) {
      got = nul;
      nulAt = nul;
      break;
    }
  }
  raw.resize(got);
  return raw;
}

}  // namespace

LoadedText TextFromBytes(std::string raw, const LoadRules& rules) {
  LoadedText loaded;
  if (raw.size() <= rules.limit && IsPaneTextAlready(raw)) {
    loaded.text = std::move(raw);
    return loaded;
  }
  if (const std::size_t nul = raw.find('\0'); nul != std::string::npos) {
    raw.resize(nul);
    loaded.nulAt = nul;
  }
  if (rules.asTheFileBreaksLines) {
    if (raw.size() > rules.limit) throw TooLarge(rules);
    loaded.breaks = IsPaneTextAlready(raw) ? LineBreaks::CrLf : LineBreaks::Any;
    loaded.text = std::move(raw);
    return loaded;
  }
  try {
    NormalizeLineBreaks(raw, rules);
  } catch (const std::bad_alloc&) {
    throw TooLarge(rules);
  }
  loaded.text = std::move(raw);
  return loaded;
}

LoadedText LoadTextFrom(OsFiles& os, int fd, const std::string& name, const LoadRules& rules) {
  try {
    std::optional<std::size_t> nulAt;
    LoadedText loaded = TextFromBytes(ReadUntilEnd(os, fd, name, rules, nulAt), rules);
    loaded.nulAt = nulAt;
    return loaded;
  } catch (const std::bad_alloc&) {
    throw TooLarge(rules);
  }
}

LoadedText LoadText(OsFiles& os, const std::string& name, const LoadRules& rules) {
  FileHandle file(os, os.OpenForReading(name, rules.waitForWriter));
  if (!file.IsOpen()) throw OpenError(os, name, errno);
  const auto facts = os.FactsOf(file.fd());

  LoadedText loaded;
  const long long size = os.SizeOf(file.fd());
  if (size == OsFiles::kUnknownSize) {
    loaded = LoadTextFrom(os, file.fd(), name, rules);
  } else {
    if (size < 0) throw ReadError(os, name, errno);
    // Refused before anything is read or allocated.
    if (static_cast<unsigned long long>(size) > rules.limit) throw TooLarge(rules);
    try {
      loaded = TextFromBytes(ReadSized(os, file.fd(), name, static_cast<std::size_t>(size)), rules);
    } catch (const std::bad_alloc&) {
      throw TooLarge(rules);
    }
  }
  if (facts) loaded.file = facts->id;
  return loaded;
}

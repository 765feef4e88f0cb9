#include "text_pane.h"

#include <algorithm>
#include <cerrno>
#include <new>

#include "atomic_file.h"
#include "file_errors.h"
#include "line_view.h"

namespace {

// Closes a descriptor on every way out of a load.
class OpenFile {
 public:
  OpenFile(OsFiles& os, int fd) : os_(os), fd_(fd) {}
  ~OpenFile() { os_.Close(fd_); }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }

 private:
  OsFiles& os_;
  int fd_;
};

bool EndsWithBreak(std::string_view text) {
  return text.ends_with("\r\n");
}

}  // namespace

TextPane::TextPane(TextStorage& storage, OsFiles& os) : storage_(storage), os_(os) {}

std::string_view TextPane::Text() {
  Flush();
  return storage_.Text();
}

std::size_t TextPane::LineCount() {
  return CountLines(Text());
}

std::string TextPane::LineAt(std::size_t i) {
  return std::string(LineOf(Text(), i));
}

ExportLines TextPane::Lines() {
  return SplitLines(Text());
}

TextPane::Pending& TextPane::StartPending() {
  if (!pending_) {
    const std::string_view text = storage_.Text();
    pending_ = Pending{.replace = false,
                       .tail = {},
                       .lastSegmentEmpty = text.empty() || EndsWithBreak(text),
                       .lineCount = CountLines(text)};
  }
  return *pending_;
}

std::size_t TextPane::AppendLine(std::string_view s) {
  UpdateBracket bracket(*this);
  Pending& p = StartPending();
  const std::size_t before = p.lineCount;
  if (p.lastSegmentEmpty) {
    p.tail.append(s).append("\r\n");
    ++p.lineCount;
  } else {
    // The last line has no break yet: give it one, then S starts a new last segment.
    p.tail.append("\r\n").append(s);
    p.lastSegmentEmpty = s.empty();
    if (!s.empty()) ++p.lineCount;
  }
  return before;
}

void TextPane::ClearText() {
  UpdateBracket bracket(*this);
  pending_ = Pending{.replace = true, .tail = {}, .lastSegmentEmpty = true, .lineCount = 0};
}

void TextPane::BeginUpdate() {
  if (updates_++ == 0) storage_.SetRedraw(false);
}

void TextPane::EndUpdate() {
  if (--updates_ > 0) return;
  // Redrawing resumes even if the storage refuses the gathered change.
  struct Resume {
    TextStorage& s;
    ~Resume() { s.SetRedraw(true); }
  } resume{storage_};
  Flush();
}

void TextPane::Flush() {
  if (!pending_) return;
  Pending p = std::move(*pending_);
  pending_.reset();
  if (p.replace) {
    storage_.Replace(std::move(p.tail));
  } else if (!p.tail.empty()) {
    storage_.Append(p.tail);
  }
}

void TextPane::LoadBytes(std::string raw) {
  UpdateBracket bracket(*this);
  const std::size_t nul = raw.find('\0');
  // The pane never holds a NUL, so a text that has one can never be identical to it.
  const bool hadNul = nul != std::string::npos;
  if (hadNul) raw.resize(nul);
  try {
    NormalizeLineBreaksInPlace(raw);
  } catch (const std::bad_alloc&) {
    throw CapacityError();
  }
  if (raw.size() > kPaneCapacity) throw CapacityError();
  if (!hadNul && raw == Text()) return;
  pending_.reset();
  storage_.Replace(std::move(raw));
}

void TextPane::LoadTextFile(const std::string& name) {
  const int fd = os_.OpenForReading(name);
  if (fd < 0) throw OpenError(os_, name, errno);
  OpenFile file(os_, fd);
  UpdateBracket bracket(*this);

  const long long size = os_.SizeOf(file.fd());
  if (size == OsFiles::kUnknownSize) {
    LoadBytes(ReadUntilEnd(os_, file.fd(), name));
    return;
  }
  if (size < 0) throw ReadError(os_, name, errno);
  // Refused before anything is read or allocated.
  if (static_cast<unsigned long long>(size) > kPaneCapacity) throw CapacityError();

  std::string raw;
  try {
    raw.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw CapacityError();
  }
  for (std::size_t got = 0; got < raw.size();) {
    const long n = os_.ReadSome(file.fd(), raw.data() + got, raw.size() - got);
    if (n < 0) throw ReadError(os_, name, errno);
    if (n == 0) throw ReadError(os_, name, "The file ended before its size was read");
    got += static_cast<std::size_t>(n);
  }
  LoadBytes(std::move(raw));
}

std::string ReadUntilEnd(OsFiles& os, int fd, const std::string& name) {
  std::string raw;
  std::size_t got = 0;
  for (;;) {
    if (raw.size() - got < 65536) {
      try {
        raw.resize(std::max<std::size_t>(raw.size() * 2, 1 << 16));
      } catch (const std::bad_alloc&) {
        throw CapacityError();
      }
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
      break;
    }
    if (got > kPaneCapacity) throw CapacityError();
  }
  raw.resize(got);
  return raw;
}

void TextPane::SaveTextFile(const std::string& name) {
  WriteFileAtomically(name, Text(), os_);
}

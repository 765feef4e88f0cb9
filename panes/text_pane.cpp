#include "text_pane.h"

#include "atomic_file.h"
#include "file_messages.h"
#include "line_view.h"
#include "save_rules.h"

namespace {

// The most a pane holds, refused in the words the window has always used.
constexpr LoadRules kPaneRules{.limit = kPaneCapacity, .tooLarge = file_messages::kPaneTooLarge};

bool EndsWithBreak(std::string_view text) {
  return text.ends_with("\r\n");
}

}  // namespace

TextPane::TextPane(TextStorage& storage, OsFiles& os) : storage_(storage), os_(os) {}

std::string_view TextPane::Text() {
  PushPending();
  return storage_.Text();
}

std::size_t TextPane::LineCount() {
  return CountLines(Text());
}

std::string TextPane::LineAt(std::size_t i) {
  return std::string(LineOf(Text(), i));
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

void TextPane::AppendLines(std::string_view lines) {
  UpdateBracket bracket(*this);
  Pending& p = StartPending();
  if (p.lastSegmentEmpty && EndsWithBreak(lines)) {
    p.tail.append(lines);
    p.lineCount += CountLines(lines);
    return;
  }
  for (std::size_t start = 0; start < lines.size();) {
    const std::size_t end = lines.find("\r\n", start);
    if (end == std::string_view::npos) {
      AppendLine(lines.substr(start));
      break;
    }
    AppendLine(lines.substr(start, end - start));
    start = end + 2;
  }
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
  PushPending();
}

void TextPane::PushPending() {
  if (!pending_) return;
  Pending p = std::move(*pending_);
  pending_.reset();
  if (p.replace) {
    storage_.Replace(p.tail.Take(), TextStorage::Caret::AtEnd);
  } else if (!p.tail.empty()) {
    storage_.Append(p.tail.Take());
  }
}

void TextPane::LoadBytes(std::string raw) {
  Load(TextFromBytes(std::move(raw), kPaneRules));
}

LoadReport TextPane::LoadTextFile(const std::string& name) {
  return Load(LoadText(os_, name, kPaneRules));
}

LoadReport TextPane::Load(LoadedText loaded) {
  UpdateBracket bracket(*this);
  const LoadReport report = loaded;
  // The pane never holds a NUL, so a text that had one can never be identical to it.
  if (!loaded.nulAt && loaded.text == Text()) return report;
  pending_.reset();
  storage_.Replace(std::move(loaded.text), TextStorage::Caret::AtStart);
  return report;
}

void TextPane::SaveTextFile(const std::string& name) {
  WriteFileAtomically(name, Text(), os_);
}

void TextPane::SaveTextFile(const SaveOutput& output, const std::string& source,
                            std::optional<FileId> sourceFile) {
  SaveRules rules(os_);
  rules.Protect(source, sourceFile);
  const auto files = rules.Open(rules.Claim(source, {output}));
  files.front()->Write(Text());
  files.front()->Commit();
}

// Random appends, clears, loads and brackets on an in-memory pane against a tiny model that
// keeps the text as a list of segments.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "line_view.h"
#include "text_pane.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The pane's text as the segments between its CR LF breaks.
struct Model {
  std::vector<std::string> segments{""};

  std::string Text() const {
    std::string t;
    for (std::size_t i = 0; i < segments.size(); ++i)
      t += (i ? "\r\n" : "") + segments[i];
    return t;
  }
  std::size_t LineCount() const {
    return segments.back().empty() ? segments.size() - 1 : segments.size();
  }
  std::string LineAt(std::size_t i) const {
    return i < segments.size() ? segments[i].substr(0, 4096) : std::string();
  }
  void Append(const std::string& s) {
    if (segments.back().empty()) {
      segments.back() = s;
      segments.emplace_back();
    } else {
      segments.push_back(s);
    }
  }
  void Clear() { segments = {""}; }
  // Every lone CR or LF a break, cut at the first NUL.
  void Load(const std::string& raw) {
    Clear();
    for (std::size_t i = 0; i < raw.size() && raw[i] != '\0'; ++i) {
      if (raw[i] == '\r' || raw[i] == '\n') {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        segments.emplace_back();
      } else {
        segments.back() += raw[i];
      }
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryStorage storage;
  TextPane pane(storage);
  Model model;
  int open = 0;
  for (std::size_t at = 0; at < size;) {
    const uint8_t op = data[at++];
    const std::size_t len = at < size ? data[at++] % 16 : 0;
    std::string arg(reinterpret_cast<const char*>(data + at), std::min(len, size - at));
    at += arg.size();
    switch (op % 6) {
      case 0:
      case 1: {
        // Appended lines never hold a break or NUL.
        for (char& c : arg) {
          if (c == '\r' || c == '\n' || c == '\0') c = 'x';
        }
        const std::size_t before = model.LineCount();
        Check(pane.AppendLine(arg) == before);
        model.Append(arg);
        break;
      }
      case 2:
        pane.ClearText();
        model.Clear();
        break;
      case 3:
        pane.LoadBytes(arg);
        model.Load(arg);
        break;
      case 4:
        pane.BeginUpdate();
        ++open;
        break;
      case 5:
        if (open > 0) {
          pane.EndUpdate();
          --open;
        }
        break;
    }
    if (op & 0x80) {  // look now and then, also inside a bracket
      Check(pane.Text() == model.Text());
      Check(CountLines(pane.Text()) == model.LineCount());
      const std::size_t i = op % (model.LineCount() + 2);
      Check(LineOf(pane.Text(), i) == model.LineAt(i));
    }
  }
  while (open-- > 0)
    pane.EndUpdate();
  Check(pane.Text() == model.Text());
  Check(CountLines(pane.Text()) == model.LineCount());
  const ExportLines lines = SplitLines(pane.Text());
  Check(lines.size() == model.LineCount());
  for (std::size_t i = 0; i < lines.size(); ++i)
    Check(std::string(lines[i]) == model.LineAt(i));
  return 0;
}

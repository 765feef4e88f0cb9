// Where a pane's text lives: the seam between a pane's line view, loads and saves, and what
// holds the text. Bytes in memory here; in the window each pane's control holds its text.
#pragma once

#include <string>
#include <string_view>

class TextStorage {
 public:
  virtual ~TextStorage() = default;
  // The whole text as bytes, line breaks CR LF; valid until the next change.
  virtual std::string_view Text() = 0;
  // Where the caret goes when the whole text is replaced: to the start after a load, as
  // the platform's control does; to the end after a clear and appends, as appends leave it.
  enum class Caret { AtStart, AtEnd };
  // Replaces the whole text.
  virtual void Replace(std::string text, Caret caret) = 0;
  // Inserts at the end; the caret goes after the inserted text.
  virtual void Append(std::string_view text) = 0;
  virtual void SetRedraw(bool on) = 0;
};

class MemoryStorage final : public TextStorage {
 public:
  MemoryStorage() = default;
  explicit MemoryStorage(std::string text) : text_(std::move(text)) {}

  std::string_view Text() override { return text_; }
  void Replace(std::string text, Caret) override { text_ = std::move(text); }
  void Append(std::string_view text) override { text_.append(text); }
  void SetRedraw(bool) override {}

 private:
  std::string text_;
};

// Helpers for pane and file tests: scratch folders, raw file bytes, a storage that counts.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "text_storage.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The message of the AppError that action raises, or "(no error)".
std::string Message(const std::function<void()>& action);

// The names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& dir);

// Memory storage that records what reached it.
class CountingStorage final : public TextStorage {
 public:
  explicit CountingStorage(std::string text = {}) : text_(std::move(text)) {}
  std::string_view Text() override { return text_; }
  void Replace(std::string text, Caret) override {
    ++replaces;
    text_ = std::move(text);
  }
  void Append(std::string_view text) override {
    ++appends;
    text_.append(text);
  }
  void SetRedraw(bool on) override {
    if (!on) ++suspends;
    redrawing = on;
  }
  int replaces = 0, appends = 0, suspends = 0;
  bool redrawing = true;

 private:
  std::string text_;
};

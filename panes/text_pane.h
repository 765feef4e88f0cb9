// A multi-line text pane: one 8-bit text whose line breaks are CR LF, seen as numbered lines,
// loaded from and saved to files.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "gathered_text.h"
#include "os_files.h"
#include "save_rules.h"
#include "text_loader.h"
#include "text_storage.h"
#include "track_types.h"

// The most a pane holds: what a signed 32-bit count reaches.
inline constexpr std::size_t kPaneCapacity = 0x7FFFFFFF;

class TextPane {
 public:
  explicit TextPane(TextStorage& storage, OsFiles& os = SystemFiles());

  // The text as a list of lines, one per CR LF (see line_view.h).
  std::size_t LineCount();
  std::string LineAt(std::size_t i);

  // Returns the line count before the call.
  std::size_t AppendLine(std::string_view s);
  // AppendLine for each line of `lines`, lines each followed by CR LF; in one piece where
  // the text already ends with a line break.
  void AppendLines(std::string_view lines);
  void ClearText();
  // Returns where the file held a NUL, if it did, and which file was read.
  LoadReport LoadTextFile(const std::string& name);
  void SaveTextFile(const std::string& name);
  // Saves the text as the output made from the file `source`, under the rules of every save
  // of the program: never over `source` itself, whatever links lead there, nor over the file
  // `sourceFile` it was read from, whatever its name is now.
  void SaveTextFile(const SaveOutput& output, const std::string& source,
                    std::optional<FileId> sourceFile = std::nullopt);

  // Replaces the text by raw bytes as a load would: line breaks made CR LF, cut at the first
  // NUL; identical text leaves the pane untouched.
  void LoadBytes(std::string raw);
  std::string_view Text();

  // While the update bracket is open the pane is not redrawn, and appends and clears are
  // gathered and reach the storage as one change when it closes.
  void BeginUpdate();
  void EndUpdate();
  class UpdateBracket {
   public:
    explicit UpdateBracket(TextPane& pane) : pane_(pane) { pane_.BeginUpdate(); }
    ~UpdateBracket() { pane_.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

   private:
    TextPane& pane_;
  };

 private:
  // Changes not yet handed to the storage.
  struct Pending {
    bool replace = false;  // the storage's text is dropped first
    GatheredText tail;     // appended after it
    bool lastSegmentEmpty = true;
    std::size_t lineCount = 0;
  };
  Pending& StartPending();
  // Hands the gathered changes to the storage.
  void PushPending();
  // Replaces the text by a loaded one, unless it is identical.
  LoadReport Load(LoadedText loaded);

  TextStorage& storage_;
  OsFiles& os_;
  int updates_ = 0;
  std::optional<Pending> pending_;
};

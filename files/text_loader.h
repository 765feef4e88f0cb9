// A file's bytes made into the text a pane holds: every lone CR and lone LF becomes CR LF,
// and the text ends before its first NUL. Regular files are read whole in one buffer of
// their size; devices and pipes are read to their end or their first NUL.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "os_files.h"
#include "track_types.h"

#include <optional>

// What a load found beside the text.
struct LoadReport {
  // Where the bytes held a NUL, counted from 0: the text is the bytes before it.
  std::optional<std::size_t> nulAt;
  std::optional<FileId> file;  // the file it was read from
};

struct LoadedText : LoadReport {
  std::string text;
  // CR LF alone, or (with LoadRules::asTheFileBreaksLines) whatever the file breaks lines with.
  LineBreaks breaks = LineBreaks::CrLf;
};

// What a caller takes: at most `limit` bytes of text, refusing more with the words
// `tooLarge`; a pipe without a writer yet is waited for when `waitForWriter`.
struct LoadRules {
  std::size_t limit;
  std::string_view tooLarge;
  bool waitForWriter = false;
  // The line breaks kept as the file has them (the text is only cut at its NUL): a reader
  // that takes every kind of break need not have the text grow by a byte for each lone one.
  bool asTheFileBreaksLines = false;
};

// Raises the open error when the file cannot be opened, the read error when it cannot be
// read whole, and `rules.tooLarge` when the text would exceed `rules.limit`; never holds
// more than the limit.
LoadedText LoadText(OsFiles& os, const std::string& name, const LoadRules& rules);
// The same from a descriptor that is already open (standard input), read to its end.
LoadedText LoadTextFrom(OsFiles& os, int fd, const std::string& name, const LoadRules& rules);
// The rule itself, on bytes already read.
LoadedText TextFromBytes(std::string raw, const LoadRules& rules);

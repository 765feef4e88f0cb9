// What one run of a program may write: never a file it reads, never one file for two of its
// outputs, and, for an output whose name anyone may use ("index.html"), only a file of its
// own making. The window and the tool open every file they save through these rules, so
// neither decides on its own what may be written.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "os_files.h"

struct SaveOutput {
  std::string kind;  // what messages call it: "KML", "GPX"
  std::string name;
  // Nothing: it may replace any file. Otherwise it replaces only a regular file this accepts,
  // read through `fd`, and raises `refusal` for any other, a link or a pipe among them.
  std::function<bool(OsFiles& os, int fd)> isOwn{};
  std::string refusal{};
  bool followLink = true;  // a link at its name leads it to the link's file
};

class SaveRules {
 public:
  explicit SaveRules(OsFiles& os) : os_(os) {}

  // A file the run reads: no output may be it, whatever names or links lead there. `opened`:
  // the file it was read from, when that is known, protected whatever name it has now.
  void Protect(const std::string& input, std::optional<FileId> opened = std::nullopt);
  // Claims the outputs made from `input`: each is found where its save would land, and
  // checked against the files read, against the others and against every output claimed
  // before. Raises the error of the first one refused, naming both files; then none is
  // claimed. Writes nothing. Returns what Open takes.
  int Claim(const std::string& input, const std::vector<SaveOutput>& outputs);
  // The claimed outputs opened for writing, all before any byte is written, and checked again
  // as opened: where a check and an open race, the open decides. Each replaces, at its commit,
  // only a file these rules let it replace.
  std::vector<std::unique_ptr<AtomicFile>> Open(int claim);

 private:
  struct Input {
    FileId id;
    std::string name;
  };
  struct Claimed {
    int claim;
    std::string input;
    SaveOutput output;
    SavePlace place;
  };
  // The judge of every file an output would replace: never an input, and where the output
  // replaces only its own files, a regular file it accepts.
  SaveTerms TermsFor(const SaveOutput& output) const;
  // Raises when one of the places of `claim`'s outputs may not be written.
  void Check(int claim, const std::vector<Claimed>& outputs) const;

  OsFiles& os_;
  std::vector<Input> inputs_;
  std::vector<Claimed> claimed_;
  int claims_ = 0;
};

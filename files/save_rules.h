// What one run of a program may write: never a file it reads, and never one file for two of
// its outputs. The window and the tool open every file they save through these rules, so
// neither decides on its own what may be written.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "atomic_file.h"
#include "os_files.h"

struct SaveOutput {
  std::string kind;  // what messages call it: "KML", "GPX"
  std::string name;
};

// Whether a program may replace `name`, an output under a name anyone may use ("index.html"):
// there is no such file, or it is one of at most a MiB that holds `mark`, one the program
// itself wrote.
bool IsMissingOrMarked(OsFiles& os, const std::string& name, std::string_view mark);

class SaveRules {
 public:
  explicit SaveRules(OsFiles& os) : os_(os) {}

  // A file the run reads: no output may be it, whatever names or links lead there.
  void Protect(const std::string& input);
  // Claims the outputs made from `input`: each is found where its save would land, and
  // checked against the files read, against the others and against every output claimed
  // before. Raises the error of the first one refused, naming both files; then none is
  // claimed. Writes nothing. Returns what Open takes.
  int Claim(const std::string& input, const std::vector<SaveOutput>& outputs);
  // The claimed outputs opened for writing, all before any byte is written, and checked again
  // as opened: where a check and an open race, the open decides.
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
  // Raises when one of the places of `claim`'s outputs may not be written.
  void Check(int claim, const std::vector<Claimed>& outputs) const;

  OsFiles& os_;
  std::vector<Input> inputs_;
  std::vector<Claimed> claimed_;
  int claims_ = 0;
};

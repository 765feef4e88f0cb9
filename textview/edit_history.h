// A pane's edits as steps that can be taken back and done again: each replaces some bytes by
// others; typing goes on in the step before it while it follows on from it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct Edit {
  std::size_t at;
  std::string removed, inserted;
  std::size_t caretBefore, anchorBefore;
};

class EditHistory {
 public:
  // A change made: one step, or part of the typing step before it.
  void Record(Edit edit, bool typing);
  // The step to take back: [at, at + inserted) becomes `removed` again.
  std::optional<Edit> Undo();
  // The step to do again: [at, at + removed) becomes `inserted` again.
  std::optional<Edit> Redo();
  // The next change starts a step of its own.
  void EndTyping() { typing_ = false; }
  void Clear();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }

 private:
  std::vector<Edit> undo_, redo_;
  bool typing_ = false;
};

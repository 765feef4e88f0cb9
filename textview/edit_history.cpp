#include "edit_history.h"

void EditHistory::Record(Edit edit, bool typing) {
  redo_.clear();
  Edit* last = undo_.empty() ? nullptr : &undo_.back();
  if (typing && typing_ && edit.removed.empty() && last != nullptr &&
      last->at + last->inserted.size() == edit.at) {
    last->inserted.append(edit.inserted);
  } else {
    undo_.push_back(std::move(edit));
  }
  typing_ = typing;
}

std::optional<Edit> EditHistory::Undo() {
  typing_ = false;
  if (undo_.empty()) return std::nullopt;
  Edit edit = std::move(undo_.back());
  undo_.pop_back();
  redo_.push_back(edit);
  return edit;
}

std::optional<Edit> EditHistory::Redo() {
  typing_ = false;
  if (redo_.empty()) return std::nullopt;
  Edit edit = std::move(redo_.back());
  redo_.pop_back();
  undo_.push_back(edit);
  return edit;
}

void EditHistory::Clear() {
  undo_.clear();
  redo_.clear();
  typing_ = false;
}

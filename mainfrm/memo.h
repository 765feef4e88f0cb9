// A text pane control: a Qt plain-text control whose text is a TextPane's.
#pragma once

#include <QPlainTextEdit>

#include "memo_storage.h"
#include "text_pane.h"

class Memo : public QPlainTextEdit {
  Q_OBJECT
 public:
  Memo(QWidget* parent, const char* name, PaneEncoding encoding, bool wordWrap);
  TextPane& Pane() { return pane_; }

 private:
  MemoStorage storage_;
  TextPane pane_;
};

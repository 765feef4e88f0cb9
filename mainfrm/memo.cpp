#include "memo.h"

Memo::Memo(QWidget* parent, const char* name, PaneEncoding encoding, bool wordWrap)
    : QPlainTextEdit(parent), storage_(*this, encoding), pane_(storage_) {
  setObjectName(name);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  setTabChangesFocus(true);
  // The initial line: the pane's own name.
  TextPane::UpdateBracket bracket(pane_);
  pane_.ClearText();
  pane_.AppendLine(name);
}

// A text pane control: an editable view of a TextPane's bytes that lays out and paints only
// what is visible, so that a pane of millions of lines, or one line of millions of
// characters, answers at once. It offers the calls of Qt's plain-text control that the window
// and its users rely on, with that control's wrap modes.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPlainTextEdit>
#include <memory>
#include <string>
#include <vector>

#include "pane_document.h"
#include "text_metrics.h"
#include "text_pane.h"

class Memo : public QAbstractScrollArea, private TextStorage {
  Q_OBJECT
 public:
  Memo(QWidget* parent, const char* name, PaneEncoding encoding, bool wordWrap);
  TextPane& Pane() { return pane_; }

  QPlainTextEdit::LineWrapMode lineWrapMode() const { return wrapMode_; }
  // Replaces the text as typed text would read; the caret goes to the start, undo forgets.
  void setPlainText(const QString& text);
  struct CaretPlace {
    bool start, end;
    bool atStart() const { return start; }
    bool atEnd() const { return end; }
  };
  CaretPlace textCursor() const;
  // The caret's rectangle in the viewport.
  QRect cursorRect();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  // The pane's storage: the document itself.
  std::string_view Text() override { return document_.Text(); }
  void Replace(std::string text, TextStorage::Caret caret) override;
  void Append(std::string_view text) override;
  void SetRedraw(bool on) override;

  // A row of the view: a whole line, or a part of a wrapped one.
  struct Row {
    std::size_t line, from, to;
  };
  std::vector<std::size_t> RowStarts(std::size_t line);
  Row RowOf(std::size_t offset);
  std::vector<Row> VisibleRows();
  double ViewWidth() const;
  double XInRow(const Row& row, std::size_t offset);
  std::size_t OffsetAt(QPoint point);
  void PaintRow(QPainter& painter, const Row& row, double y, const QRect& area);

  // Edits, each one undoable step (typing merges into the step before it).
  struct Edit {
    std::size_t at;
    std::string removed, inserted;
    std::size_t caretBefore, anchorBefore;
  };
  void ReplaceSelection(std::string_view bytes, bool typing = false);
  void ApplyChange(std::size_t from, std::size_t to, std::string_view bytes);
  void Undo();
  void Redo();
  void Copy();
  void Paste();

  void MoveCaret(std::size_t offset, bool select);
  std::size_t RowUpOrDown(int rows);
  std::size_t WordStep(std::size_t offset, bool forward) const;
  bool HasSelection() const { return caret_ != anchor_; }
  std::size_t SelectionStart() const { return std::min(caret_, anchor_); }
  std::size_t SelectionEnd() const { return std::max(caret_, anchor_); }
  void EnsureCaretVisible();
  void UpdateScrollBars();
  void RestartBlink();
  void Changed();

  PaneDocument document_;
  TextPane pane_;
  QPlainTextEdit::LineWrapMode wrapMode_;
  std::unique_ptr<TextMetrics> metrics_;
  // The rows of the line last wrapped, while the text and the width stay as they were: a
  // long wrapped line is measured once, not at every paint.
  struct Wrapped {
    std::size_t line = static_cast<std::size_t>(-1);
    double width = 0;
    std::vector<std::size_t> rows;
  } wrapped_;
  std::size_t caret_ = 0, anchor_ = 0;
  // Rows of the first visible line above the view: a wrapped line may be taller than it.
  std::size_t topRow_ = 0;
  double wantedX_ = -1;  // where Up and Down aim, while they repeat
  std::vector<Edit> undo_, redo_;
  bool typing_ = false;   // the last step was typing, which the next keystroke may continue
  bool changed_ = false;  // by the program since the view last followed the caret
  bool selecting_ = false;
  bool caretShown_ = true;
  QBasicTimer blink_;
};

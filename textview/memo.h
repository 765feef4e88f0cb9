// A text pane control: an editable view of a TextPane's bytes that lays out and paints only
// what is visible, so that a pane of millions of lines, or one line of millions of
// characters, answers at once. It offers the calls of Qt's plain-text control that the window
// and its users rely on, with that control's wrap modes, keys, mouse, input methods and
// accessibility. The parts below the widget (document, rows, boundaries, history, vertical
// scrolling, the mouse gesture) each stand alone; this class takes events and paints, its
// scrolling, keys, mouse and text in characters each in a file of its own (memo_*.cpp), its
// accessible interface in memo_accessible.cpp.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QTextLayout>
#include <memory>
#include <string>

#include "char_offsets.h"
#include "edit_history.h"
#include "mouse_gesture.h"
#include "pane_document.h"
#include "row_layout.h"
#include "text_boundaries.h"
#include "text_storage.h"
#include "vertical_scroll.h"

class SelectionData;

// What screen readers read of a pane control (its text, caret and selections, text by
// character, word and line around any place, where characters stand, and edits), through
// Qt's accessibility interfaces (AT-SPI on Linux, UI Automation on Windows), in
// memo_accessible.cpp: makes Qt ask for the controls' own interface; once is enough.
void InstallMemoAccessibility();

class Memo : public QAbstractScrollArea, private TextStorage {
  Q_OBJECT
 public:
  Memo(QWidget* parent, const char* name, PaneEncoding encoding, bool wordWrap);
  // The control's text as a pane's storage: what a pane's line view, loads and saves bind to.
  TextStorage& Storage() { return *this; }

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

  // The text as screen readers and input methods see it: characters counted as Qt counts
  // them (UTF-16 units, a line break as one "\n").
  int CharacterCount();
  QString CharactersBetween(int from, int to);
  int CaretCharacter();
  // The selection in characters; empty when from == to.
  std::pair<int, int> SelectionCharacters();
  void SelectCharacters(int anchor, int caret);
  // The character range of the character, word or line (Qt's boundary types) at `at`.
  std::pair<int, int> CharacterRangeAt(int at, int boundary);
  // The word after or before the one at `at`, as a screen reader steps through words.
  std::optional<std::pair<int, int>> WordBeside(int at, bool after);
  QRect CharacterRect(int at);
  int CharacterAt(QPoint point);
  // Edits in characters, each an undoable step.
  void ReplaceCharacters(int from, int to, const QString& text);
  void ScrollToCharacter(int at);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool event(QEvent* event) override;
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
  void wheelEvent(QWheelEvent* event) override;

 private:
  using Row = RowLayout::Row;
  static constexpr double kMargin = 4;  // around the text, as Qt's plain-text control leaves

  // The pane's storage: the document itself.
  std::string_view Text() override { return document_.Text(); }
  void Replace(std::string text, TextStorage::Caret caret) override;
  void Append(std::string_view text) override;
  void SetRedraw(bool on) override;

  double ViewWidth() const;
  int VisibleRowCount() const;
  double ScrollX() const;
  std::vector<Row> VisibleRows();
  std::size_t OffsetAt(QPoint point);
  void PaintRow(QPainter& painter, const Row& row, double y, const QRect& area);

  // Typed, pasted or dropped text as the pane's bytes; nothing, with a beep, when the pane's
  // code page cannot hold it.
  std::optional<std::string> Typed(const QString& text) const;
  // Edits, each one undoable step (typing merges into the step before it).
  void ReplaceRange(std::size_t from, std::size_t to, std::string_view bytes, bool typing);
  void ReplaceSelection(std::string_view bytes, bool typing = false);
  void ApplyChange(std::size_t from, std::size_t to, std::string_view bytes);
  void Undo();
  void Redo();
  void Copy(QClipboard::Mode mode = QClipboard::Clipboard);
  // The selection as data made only when read.
  SelectionData* Selected() const;
  void Paste(QClipboard::Mode mode = QClipboard::Clipboard);
  bool HandleShortcut(QKeyEvent* event);

  void MoveCaret(std::size_t offset, bool select);
  std::size_t RowUpOrDown(int rows);
  bool HasSelection() const { return caret_ != anchor_; }
  std::size_t SelectionStart() const { return std::min(caret_, anchor_); }
  std::size_t SelectionEnd() const { return std::max(caret_, anchor_); }
  // Extends the selection from the anchored unit (a word, a line) to the one at `offset`.
  void SelectByUnit(std::size_t offset);
  TextRange UnitAt(std::size_t offset) const;
  void EnsureCaretVisible();
  // Where the view starts, and showing the view from there.
  ViewTop Top() const;
  std::size_t FirstLine() const { return Top().line; }
  void ShowFrom(ViewTop top);
  // The view moved by rows (down when positive).
  void ScrollRows(std::ptrdiff_t by);
  void UpdateScrollBars();
  void Measure(const std::vector<Row>& rows);
  void RestartBlink();
  void Changed();
  void SelectionChanged();
  void SetPrimarySelection();
  // A screen reader told of a change at character `from` (only that the text changed when a
  // side is too long to tell), and of where the caret is.
  std::optional<QString> ToldText(std::size_t from, std::size_t to) const;
  void TellAccessibility(std::size_t from, const std::optional<QString>& removed,
                         const std::optional<QString>& inserted);
  void TellCaret();

  PaneDocument document_;
  QPlainTextEdit::LineWrapMode wrapMode_;
  std::unique_ptr<RowLayout> rows_;
  CharOffsets chars_;
  EditHistory history_;
  std::size_t caret_ = 0, anchor_ = 0;
  VerticalScroll scroll_;
  double wantedX_ = -1;     // where Up and Down aim, while they repeat
  double widest_ = 0;       // the widest line laid out since the text was replaced
  double scrollScale_ = 1;  // pixels a horizontal scroll step stands for, past int's range
  bool changed_ = false;    // by the program since the view last followed the caret
  bool caretShown_ = true;
  QBasicTimer blink_;
  // The input method's text not committed yet, shown at the caret.
  QString preedit_;
  QList<QTextLayout::FormatRange> preeditFormats_;
  int preeditCursor_ = 0;
  MouseGesture gesture_;
  QBasicTimer autoScroll_;  // a drag past the view's edge scrolls on
};

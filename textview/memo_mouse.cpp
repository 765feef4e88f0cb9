// The pane control's mouse: clicks, drags that select by characters, words or lines, drags
// of the selection out and in, the context menu.
#include <QDateTime>
#include <QDrag>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>

#include "memo.h"
#include "memo_texts.h"
#include "pane_encoding.h"
#include "selection_data.h"

namespace {

constexpr int kAutoScrollMs = 50;

}  // namespace

void Memo::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::MiddleButton) {
    // The primary selection, where the platform has one, is pasted where clicked.
    if (!QGuiApplication::clipboard()->supportsSelection()) return;
    MoveCaret(OffsetAt(point), false);
    Paste(QClipboard::Selection);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  wantedX_ = -1;
  const std::size_t at = OffsetAt(point);
  const bool third =
      gesture_.IsThirdClick(point, QDateTime::currentMSecsSinceEpoch(),
                            QGuiApplication::styleHints()->mouseDoubleClickInterval(),
                            QGuiApplication::styleHints()->startDragDistance());
  gesture_.lastDoubleClick = -1;
  if (third) {
    gesture_.unit = MouseGesture::Unit::Line;
    gesture_.started = UnitAt(at);
    anchor_ = gesture_.started.from;
    gesture_.selecting = true;
    MoveCaret(gesture_.started.to, true);
    return;
  }
  gesture_.unit = MouseGesture::Unit::Character;
  if (HasSelection() && at > SelectionStart() && at < SelectionEnd() &&
      !(event->modifiers() & Qt::ShiftModifier)) {
    gesture_.mayDragOut = true;  // a press in the selection may start dragging it out
    gesture_.pressPoint = point;
    return;
  }
  gesture_.selecting = true;
  MoveCaret(at, (event->modifiers() & Qt::ShiftModifier) != 0);
}

void Memo::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (gesture_.mayDragOut && (event->buttons() & Qt::LeftButton)) {
    if ((point - gesture_.pressPoint).manhattanLength() <
        QGuiApplication::styleHints()->startDragDistance())
      return;
    gesture_.mayDragOut = false;
    const std::size_t from = SelectionStart(), to = SelectionEnd();
    auto* drag = new QDrag(this);
    drag->setMimeData(Selected());
    const Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
    // Moved elsewhere: taken out here (a move within the pane was done by the drop).
    if (action == Qt::MoveAction && drag->target() != viewport() && SelectionStart() == from &&
        SelectionEnd() == to) {
      ReplaceSelection({});
    }
    return;
  }
  if (!gesture_.selecting || !(event->buttons() & Qt::LeftButton)) return;
  gesture_.lastMouse = point;
  if (viewport()->rect().contains(point)) {
    autoScroll_.stop();
  } else if (!autoScroll_.isActive()) {
    autoScroll_.start(kAutoScrollMs, this);
  }
  SelectByUnit(OffsetAt(point));
}

void Memo::mouseReleaseEvent(QMouseEvent* event) {
  if (gesture_.mayDragOut && event->button() == Qt::LeftButton) {
    // A click in the selection without a drag puts the caret there.
    gesture_.mayDragOut = false;
    MoveCaret(OffsetAt(event->position().toPoint()), false);
  }
  if (gesture_.selecting) SetPrimarySelection();
  gesture_.selecting = false;
  autoScroll_.stop();
}

void Memo::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint point = event->position().toPoint();
  gesture_.lastDoubleClick = QDateTime::currentMSecsSinceEpoch();
  gesture_.doubleClickPoint = point;
  gesture_.mayDragOut = false;
  gesture_.unit = MouseGesture::Unit::Word;
  gesture_.started = UnitAt(OffsetAt(point));
  anchor_ = gesture_.started.from;
  gesture_.selecting = true;
  MoveCaret(gesture_.started.to, true);
}

void Memo::contextMenuEvent(QContextMenuEvent* event) {
  using namespace memo_texts;
  QMenu menu(this);
  const auto add = [&](const QString& text, QKeySequence::StandardKey key, bool enabled,
                       auto action) {
    QAction* item = menu.addAction(text, this, action);
    item->setShortcut(key);
    item->setEnabled(enabled);
  };
  add(tr(kUndo.data()), QKeySequence::Undo, history_.CanUndo(), [this] { Undo(); });
  add(tr(kRedo.data()), QKeySequence::Redo, history_.CanRedo(), [this] { Redo(); });
  menu.addSeparator();
  add(tr(kCut.data()), QKeySequence::Cut, HasSelection(), [this] {
    Copy();
    ReplaceSelection({});
  });
  add(tr(kCopy.data()), QKeySequence::Copy, HasSelection(), [this] { Copy(); });
  add(tr(kPaste.data()), QKeySequence::Paste, !QGuiApplication::clipboard()->text().isEmpty(),
      [this] { Paste(); });
  add(tr(kDelete.data()), QKeySequence::Delete, HasSelection(), [this] { ReplaceSelection({}); });
  menu.addSeparator();
  add(tr(kSelectAll.data()), QKeySequence::SelectAll, document_.Size() > 0, [this] {
    anchor_ = 0;
    MoveCaret(document_.Size(), true);
  });
  menu.exec(event->globalPos());
}

void Memo::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void Memo::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasText()) event->acceptProposedAction();
}

void Memo::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasText()) return;
  std::size_t at = OffsetAt(event->position().toPoint());
  const auto typed = Typed(event->mimeData()->text());
  if (!typed) return event->ignore();
  const std::string& bytes = *typed;
  if (event->source() == this && event->dropAction() == Qt::MoveAction && HasSelection()) {
    // A move within the pane is one step: the stretch from the selection to the drop place
    // is written again with the selection at its new place.
    const std::size_t from = SelectionStart(), to = SelectionEnd();
    if (at >= from && at <= to) return event->ignore();
    const std::string moved = document_.Bytes(from, to);
    std::size_t caret;
    if (at < from) {
      ReplaceRange(at, to, moved + document_.Bytes(at, from), false);
      caret = at + moved.size();
    } else {
      ReplaceRange(from, at, document_.Bytes(to, at) + moved, false);
      caret = at;
    }
    anchor_ = caret - moved.size();
    MoveCaret(caret, true);
    event->acceptProposedAction();
    setFocus();
    return;
  }
  caret_ = anchor_ = at;
  ReplaceSelection(bytes);
  event->acceptProposedAction();
  setFocus();
}

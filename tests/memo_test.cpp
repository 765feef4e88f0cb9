// The pane control as its user edits it: real keys, the pane's bytes after each.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

#include <QWheelEvent>
#include <functional>

#include "char_offsets.h"
#include "memo.h"
#include "pane_document.h"
#include "row_layout.h"

namespace {

// Characters typed on a keyboard that has them (QTest's own typing knows only ASCII).
void Type(QWidget* widget, const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype n = text[i].isHighSurrogate() ? 2 : 1;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, n));
    QApplication::sendEvent(widget, &press);
    i += n - 1;
  }
}

struct Panes {
  Memo memo1{nullptr, "Memo1", PaneEncoding::Cp1253, true};
  Memo memo3{nullptr, "Memo3", PaneEncoding::Utf8, false};
  std::string Text(Memo& memo) { return std::string(memo.Storage().Text()); }
  // A pane on screen with the focus, as the user types into it.
  static Memo& Focused(Memo& memo) {
    memo.resize(300, 200);
    memo.show();
    memo.setFocus();
    return memo;
  }
};

TEST(Memo, TypingBreaksSelectionClipboardAndUndoWorkOnTheBytes) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo1);
  memo.setPlainText("abcdef\nxy\nabcdef");
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\r\nabcdef");

  // Down and Up keep the column they started from; a line break is one step of the caret.
  for (int i = 0; i < 5; ++i)
    QTest::keyClick(&memo, Qt::Key_Right);
  QTest::keyClick(&memo, Qt::Key_Down);
  QTest::keyClick(&memo, Qt::Key_Down);
  QTest::keyClicks(&memo, "!");
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\r\nabcde!f");
  QTest::keyClick(&memo, Qt::Key_Home);
  QTest::keyClick(&memo, Qt::Key_Left);
  // é has no form in the code page: refused, nothing written; the acute accent is its tonos.
  Type(&memo, QString::fromUtf8("Ωé´"));
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\xD9\xB4\r\nabcde!f");
  QTest::keyClick(&memo, Qt::Key_Right);
  QTest::keyClick(&memo, Qt::Key_Backspace);  // the whole CR LF
  EXPECT_EQ(p.Text(memo),
            "abcdef\r\nxy\xD9\xB4"
            "abcde!f");
  QTest::keyClick(&memo, Qt::Key_Return);
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\xD9\xB4\r\nabcde!f");

  // A selection by Shift+arrows, copied, pasted elsewhere; undo steps back, redo forward.
  QTest::keyClick(&memo, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(&memo, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(&memo, Qt::Key_Left, Qt::ShiftModifier);
  QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "!f");
  QTest::keyClick(&memo, Qt::Key_Home, Qt::ControlModifier);
  QTest::keyClick(&memo, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(p.Text(memo), "!fabcdef\r\nxy\xD9\xB4\r\nabcde!f");
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\xD9\xB4\r\nabcde!f");
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\r\nabcde!f") << "typing undoes as one step";
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(p.Text(memo), "abcdef\r\nxy\xD9\xB4\r\nabcde!f");

  // A selection typed over; select all and cut empties the pane.
  QTest::keyClick(&memo, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&memo, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(p.Text(memo), "");
  EXPECT_EQ(QGuiApplication::clipboard()->text(),
            QString::fromUtf8("abcdef\nxy\u03a9\u0384\nabcde!f"));
}

TEST(Memo, TheUtf8PaneStepsOverWholeCharacters) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo3);
  memo.setPlainText(QString::fromUtf8("a\u03a9\U0001F600b"));
  EXPECT_EQ(p.Text(memo),
            "a\xCE\xA9\xF0\x9F\x98\x80"
            "b");
  QTest::keyClick(&memo, Qt::Key_End);
  QTest::keyClick(&memo, Qt::Key_Left);
  QTest::keyClick(&memo, Qt::Key_Backspace);
  QTest::keyClick(&memo, Qt::Key_Left);
  Type(&memo, QString::fromUtf8("\u00e9"));
  EXPECT_EQ(p.Text(memo),
            "a\xC3\xA9\xCE\xA9"
            "b");
}

// Keys as users of every layout press them: AltGr (Ctrl+Alt on Windows) types what it
// carries, Delete takes a whole character (a letter with its accent), the platform's own
// delete-to-line-end works; an input method that replaces the character before the caret
// replaces it, and undo takes that back as one step.
TEST(Memo, KeysAndInputMethodsEditWholeCharacters) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo3);
  memo.setPlainText(QString::fromUtf8("e\u0301x"));
  QKeyEvent altGr(QEvent::KeyPress, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier,
                  QString::fromUtf8("\u20ac"));
  QApplication::sendEvent(&memo, &altGr);
  EXPECT_EQ(p.Text(memo),
            "\xE2\x82\xAC"
            "e\xCC\x81x");
  QTest::keyClick(&memo, Qt::Key_Delete);
  EXPECT_EQ(p.Text(memo),
            "\xE2\x82\xAC"
            "x");
  // A zero width joiner, typed as Windows types it (Ctrl+Shift), is typed.
  QKeyEvent joiner(QEvent::KeyPress, Qt::Key_unknown, Qt::ControlModifier | Qt::ShiftModifier,
                   QString::fromUtf8("\u200d"));
  QApplication::sendEvent(&memo, &joiner);
  EXPECT_EQ(p.Text(memo),
            "\xE2\x82\xAC\xE2\x80\x8D"
            "x");
  QTest::keyClick(&memo, Qt::Key_Backspace);
  const QList<QKeySequence> toLineEnd = QKeySequence::keyBindings(QKeySequence::DeleteEndOfLine);
  if (!toLineEnd.isEmpty()) {
    QTest::keySequence(&memo, toLineEnd.front());
    EXPECT_EQ(p.Text(memo), "\xE2\x82\xAC");
  }

  memo.setPlainText(QString::fromUtf8("\u03b5"));  // ε, then the accent key makes it έ
  QTest::keyClick(&memo, Qt::Key_End);
  QInputMethodEvent accent;
  accent.setCommitString(QString::fromUtf8("\u03ad"), -1, 1);
  QApplication::sendEvent(&memo, &accent);
  EXPECT_EQ(p.Text(memo), "\xCE\xAD");
  EXPECT_EQ(static_cast<QWidget&>(memo).inputMethodQuery(Qt::ImSurroundingText).toString(),
            QString::fromUtf8("\u03ad"));
  EXPECT_EQ(static_cast<QWidget&>(memo).inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);
  QTest::keyClick(&memo, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(p.Text(memo), "\xCE\xB5");
}

// The end of a long unwrapped line is within the scroll range, however long the line.
TEST(Memo, TheEndOfALongLineIsReachable) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo3);
  QString route;
  while (route.size() < 30000)
    route += "22.62597,37.59725,0 ";
  memo.setPlainText(route + "\nshort");
  QTest::keyClick(&memo, Qt::Key_End);
  QApplication::processEvents();
  QScrollBar* horizontal = memo.horizontalScrollBar();
  EXPECT_EQ(horizontal->value(), horizontal->maximum());
  EXPECT_TRUE(memo.viewport()->rect().contains(memo.cursorRect().topLeft()));
  // Down to the short line: the view goes back to show it from its start.
  QTest::keyClick(&memo, Qt::Key_Down);
  EXPECT_EQ(horizontal->value(), 0);
  QTest::keyClick(&memo, Qt::Key_Up);
  // Scrolled to the far right by the bar, as the wheel would, the caret at the end shows.
  horizontal->setValue(0);
  horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
  QApplication::processEvents();
  EXPECT_TRUE(memo.viewport()->rect().contains(memo.cursorRect().topLeft()));
  // Edited, the line stays one row: the second row is the next line.
  QTest::keyClicks(&memo, "x");
  QTest::keyClick(&memo, Qt::Key_Home);
  const int rowHeight = QFontMetrics(memo.font()).lineSpacing();
  EXPECT_GT(memo.CharacterAt(QPoint(8, 4 + rowHeight * 3 / 2)), static_cast<int>(route.size()));
}

// A wrapped line taller than the view, before the final empty line: scrolled to the end, the
// view shows that line's last rows, not a blank.
TEST(Memo, AWrappedLineTallerThanTheViewShowsItsEndWhenScrolledThere) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo1);
  QString words;
  for (int i = 0; i < 400; ++i)
    words += QString("word%1 ").arg(i);
  memo.Storage().Replace(words.toStdString() + "last\r\n", TextStorage::Caret::AtStart);
  QApplication::processEvents();
  memo.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
  // The last row that shows whole holds the line's last word.
  const int rowHeight = QFontMetrics(memo.font()).lineSpacing();
  const int bottom = 4 + (memo.viewport()->height() - 4) / rowHeight * rowHeight - rowHeight / 2;
  const int at = memo.CharacterAt(QPoint(8, bottom - rowHeight));
  EXPECT_GT(at, static_cast<int>(words.size()) - 100) << "the view at the end shows " << at;
}

// The clipboard holds the selection as it was copied, made text (as the pane shows it) only
// when read: whatever is typed, undone or copied over it afterwards.
TEST(Memo, TheClipboardHoldsTheSelectionAsCopied) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo3);
  const std::string text = "one \xCE\xA9\x80\r\ntwo";
  memo.Storage().Replace(text, TextStorage::Caret::AtStart);
  const auto keys = [&](std::initializer_list<std::pair<Qt::Key, Qt::KeyboardModifiers>> ks) {
    for (const auto& [key, modifiers] : ks)
      QTest::keyClick(&memo, key, modifiers);
  };
  const auto ctrl = [](Qt::Key key) {
    return std::pair{key, Qt::KeyboardModifiers(Qt::ControlModifier)};
  };
  keys({ctrl(Qt::Key_A), {Qt::Key_Left, Qt::ShiftModifier}, ctrl(Qt::Key_C), {Qt::Key_Z, {}}});
  EXPECT_EQ(p.Text(memo), "zo");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("one \u03a9\ufffd\ntw"));
  keys({ctrl(Qt::Key_A), ctrl(Qt::Key_C), ctrl(Qt::Key_Z)});
  EXPECT_EQ(p.Text(memo), text);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "zo");
  keys({ctrl(Qt::Key_End), ctrl(Qt::Key_V)});
  EXPECT_EQ(p.Text(memo), text + "zo");
}

// A screen reader's queries by character and by word: a line break is a character of its
// own; words are words, never the blanks or punctuation between them, nor empty at a line's
// end.
TEST(Memo, AScreenReaderReadsByCharactersAndWords) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo3);
  memo.setPlainText(QString::fromUtf8("Όχημα; ΧΜΡ-6193\n  next."));
  QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(&memo)->textInterface();
  ASSERT_NE(text, nullptr);
  enum Query { At, After, Before };
  const struct {
    Query query;
    QAccessible::TextBoundaryType boundary;
    int offset;
    const char* text;
    int from, to;
  } cases[] = {
      {After, QAccessible::CharBoundary, 14, "\n", 15, 16},
      {At, QAccessible::CharBoundary, 15, "\n", 15, 16},
      {After, QAccessible::CharBoundary, 15, " ", 16, 17},
      {At, QAccessible::WordBoundary, 2, "Όχημα", 0, 5},
      {At, QAccessible::WordBoundary, 5, "Όχημα", 0, 5},    // on the ";"
      {At, QAccessible::WordBoundary, 6, "Όχημα", 0, 5},    // on the blank
      {At, QAccessible::WordBoundary, 15, "6193", 11, 15},  // at the line's end
      {At, QAccessible::WordBoundary, 16, "next", 18, 22},  // blanks before the line's word
      {After, QAccessible::WordBoundary, 2, "ΧΜΡ", 7, 10},
      {After, QAccessible::WordBoundary, 8, "6193", 11, 15},
      {After, QAccessible::WordBoundary, 12, "next", 18, 22},
      {After, QAccessible::WordBoundary, 20, "", -1, -1},
      {Before, QAccessible::WordBoundary, 19, "6193", 11, 15},
      {Before, QAccessible::WordBoundary, 8, "Όχημα", 0, 5},
      {Before, QAccessible::WordBoundary, 2, "", -1, -1},
  };
  for (const auto& c : cases) {
    int from = -2, to = -2;
    const QString got = c.query == At ? text->textAtOffset(c.offset, c.boundary, &from, &to)
                        : c.query == After
                            ? text->textAfterOffset(c.offset, c.boundary, &from, &to)
                            : text->textBeforeOffset(c.offset, c.boundary, &from, &to);
    EXPECT_EQ(got, QString::fromUtf8(c.text)) << c.query << " " << c.boundary << " " << c.offset;
    EXPECT_EQ(std::pair(from, to), std::pair(c.from, c.to)) << c.query << " " << c.offset;
  }
}

// Paging and the wheel move a wrapped pane by rows, over long lines and short alike: PageDown
// brings the first row not wholly shown to the top, the caret keeping its place on screen; a
// notch scrolls three rows; PageUp and the wheel back return row for row.
TEST(Memo, PagingAndTheWheelMoveAWrappedPaneByRows) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo1);
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "line " + std::to_string(i);
    for (int k = 0; i % 5 == 2 && k < 150; ++k)
      text += " word" + std::to_string(k);
    text += "\r\n";
  }
  memo.Storage().Replace(text, TextStorage::Caret::AtStart);
  QApplication::processEvents();

  // Every row of the text, where it starts, as the pane wraps it.
  PaneDocument document(PaneEncoding::Cp1253);
  document.Replace(text);
  RowLayout layout(document, memo.font());
  layout.SetWrapWidth(memo.viewport()->width() - 8);
  std::vector<std::size_t> starts;
  for (std::size_t line = 0; line < document.LineCount(); ++line) {
    for (std::size_t start : layout.RowStarts(line))
      starts.push_back(start);
  }
  CharOffsets chars(document);
  // The row height as the pane lays rows out: a font's rounded line spacing can differ.
  const double rowHeight = layout.LineHeight();
  const auto topRow = [&] {
    const std::size_t at =
        chars.OffsetOfChar(memo.CharacterAt(QPoint(5, 4 + static_cast<int>(rowHeight / 2))));
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), at) - starts.begin()) -
           1;
  };
  const int page = static_cast<int>((memo.viewport()->height() - 4) / rowHeight);
  const auto key = [&](Qt::Key k) { return [&memo, k] { QTest::keyClick(&memo, k); }; };
  const auto wheel = [&](int notches) {
    return [&memo, notches] {
      QWheelEvent turned(QPointF(50, 50), memo.mapToGlobal(QPointF(50, 50)), QPoint(),
                         QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                         false);
      QApplication::sendEvent(memo.viewport(), &turned);
    };
  };
  const struct {
    const char* what;
    std::function<void()> act;
    int rows;
  } steps[] = {
      {"PageDown", key(Qt::Key_PageDown), page},
      {"PageDown", key(Qt::Key_PageDown), page},
      {"PageDown", key(Qt::Key_PageDown), page},
      {"PageUp", key(Qt::Key_PageUp), -page},
      {"wheel down", wheel(-1), 3},
      {"wheel down", wheel(-2), 6},
      {"wheel up", wheel(1), -3},
      {"wheel up", wheel(3), -9},
  };
  ASSERT_GT(starts.size(), static_cast<std::size_t>(4 * page + 9));
  for (const auto& step : steps) {
    const int before = topRow();
    const int caretY = memo.cursorRect().top();
    step.act();
    QApplication::processEvents();
    EXPECT_EQ(topRow(), before + step.rows) << step.what << " from row " << before;
    if (step.what[0] == 'P') {
      EXPECT_EQ(memo.cursorRect().top(), caretY) << step.what;
    }
  }
}

// The mouse as in Qt's own text controls: a double-click selects a word and a drag from it
// extends by words; a third click selects the line.
TEST(Memo, DoubleClickDragsByWordsAndATripleClickTakesTheLine) {
  Panes p;
  Memo& memo = Panes::Focused(p.memo1);
  memo.setPlainText("alpha beta gamma delta\nnext");
  QFontMetrics metrics(memo.font());
  const auto xOf = [&](const char* prefix) {
    return QPoint(4 + metrics.horizontalAdvance(prefix) + 2, 4 + metrics.height() / 2);
  };
  QTest::mouseDClick(memo.viewport(), Qt::LeftButton, Qt::NoModifier, xOf("alpha be"));
  QTest::mouseMove(memo.viewport(), xOf("alpha beta gam"));
  QMouseEvent drag(QEvent::MouseMove, QPointF(xOf("alpha beta gam")), QPointF(), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(memo.viewport(), &drag);
  QTest::mouseRelease(memo.viewport(), Qt::LeftButton, Qt::NoModifier, xOf("alpha beta gam"));
  QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "beta gamma");

  QTest::mouseDClick(memo.viewport(), Qt::LeftButton, Qt::NoModifier, xOf("alpha be"));
  QTest::mouseClick(memo.viewport(), Qt::LeftButton, Qt::NoModifier, xOf("alpha be"));
  QTest::keyClick(&memo, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "alpha beta gamma delta\n") << "with its break";
}

}  // namespace

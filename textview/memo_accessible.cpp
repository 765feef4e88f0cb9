// The accessible interface of the pane controls (see InstallMemoAccessibility in memo.h).
#include <QAccessibleWidget>

#include "memo.h"

namespace {

class MemoAccessible final : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
 public:
  explicit MemoAccessible(Memo* memo) : QAccessibleWidget(memo, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
      return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) {
      // The whole text of a pane small enough; of a larger one, what a reader reads first.
      const int count = memo()->CharacterCount();
      return memo()->CharactersBetween(0, std::min(count, 1 << 20));
    }
    if (t == QAccessible::Name && QAccessibleWidget::text(t).isEmpty())
      return widget()->objectName();
    return QAccessibleWidget::text(t);
  }

  // QAccessibleTextInterface
  void selection(int index, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
    const auto [from, to] = memo()->SelectionCharacters();
    if (index == 0 && from != to) {
      *startOffset = from;
      *endOffset = to;
    }
  }
  int selectionCount() const override {
    const auto [from, to] = memo()->SelectionCharacters();
    return from != to ? 1 : 0;
  }
  void addSelection(int startOffset, int endOffset) override {
    memo()->SelectCharacters(startOffset, endOffset);
  }
  void removeSelection(int index) override {
    if (index == 0) memo()->SelectCharacters(cursorPosition(), cursorPosition());
  }
  void setSelection(int index, int startOffset, int endOffset) override {
    if (index == 0) memo()->SelectCharacters(startOffset, endOffset);
  }
  int cursorPosition() const override { return memo()->CaretCharacter(); }
  void setCursorPosition(int position) override { memo()->SelectCharacters(position, position); }
  QString text(int startOffset, int endOffset) const override {
    return memo()->CharactersBetween(startOffset, endOffset);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                           int* endOffset) const override {
    if (boundary == QAccessible::WordBoundary) {
      const auto word = memo()->WordBeside(offset, false);
      return word ? TextIn(*word, startOffset, endOffset) : Empty(startOffset, endOffset);
    }
    const auto [from, to] = memo()->CharacterRangeAt(offset, boundary);
    if (from <= 0) return Empty(startOffset, endOffset);
    return TextIn(memo()->CharacterRangeAt(from - 1, boundary), startOffset, endOffset);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                          int* endOffset) const override {
    if (boundary == QAccessible::WordBoundary) {
      const auto word = memo()->WordBeside(offset, true);
      return word ? TextIn(*word, startOffset, endOffset) : Empty(startOffset, endOffset);
    }
    const auto [from, to] = memo()->CharacterRangeAt(offset, boundary);
    if (to >= characterCount()) return Empty(startOffset, endOffset);
    // Past a line's end the next line begins after its break (a line break is a character of
    // its own); an empty range moves on one.
    const bool lines = boundary != QAccessible::CharBoundary;
    const int next =
        to == from || (lines && memo()->CharactersBetween(to, to + 1) == QLatin1String("\n"))
            ? to + 1
            : to;
    return TextIn(memo()->CharacterRangeAt(next, boundary), startOffset, endOffset);
  }
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                       int* endOffset) const override {
    return TextIn(memo()->CharacterRangeAt(offset, boundary), startOffset, endOffset);
  }
  int characterCount() const override { return memo()->CharacterCount(); }
  QRect characterRect(int offset) const override {
    const QRect inView = memo()->CharacterRect(offset);
    return QRect(memo()->viewport()->mapToGlobal(inView.topLeft()), inView.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return memo()->CharacterAt(memo()->viewport()->mapFromGlobal(point));
  }
  void scrollToSubstring(int startIndex, int) override { memo()->ScrollToCharacter(startIndex); }
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = offset;
    return QString();
  }

  // QAccessibleEditableTextInterface
  void deleteText(int startOffset, int endOffset) override {
    memo()->ReplaceCharacters(startOffset, endOffset, QString());
  }
  void insertText(int offset, const QString& text) override {
    memo()->ReplaceCharacters(offset, offset, text);
  }
  void replaceText(int startOffset, int endOffset, const QString& text) override {
    memo()->ReplaceCharacters(startOffset, endOffset, text);
  }

 private:
  Memo* memo() const { return static_cast<Memo*>(widget()); }
  QString TextIn(std::pair<int, int> range, int* startOffset, int* endOffset) const {
    *startOffset = range.first;
    *endOffset = range.second;
    return memo()->CharactersBetween(range.first, range.second);
  }
  static QString Empty(int* startOffset, int* endOffset) {
    *startOffset = *endOffset = -1;
    return QString();
  }
};

QAccessibleInterface* MemoAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("Memo") && object != nullptr && object->isWidgetType())
    return new MemoAccessible(static_cast<Memo*>(object));
  return nullptr;
}

}  // namespace

void InstallMemoAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(MemoAccessibleFactory);
    return true;
  }();
  (void)installed;
}

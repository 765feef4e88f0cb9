#include "memo_storage.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include "cp1253.h"

namespace {

// The control keeps line breaks as block separators; the user's Shift+Enter gives a line
// separator. Both read as a CR LF line break.
bool IsBreak(char16_t c) {
  return c == 0x2029 || c == 0x2028 || c == u'\n';
}

constexpr int kLinesPerBlock = 32;

}  // namespace

MemoStorage::MemoStorage(QPlainTextEdit& control, PaneEncoding encoding)
    : control_(control), encoding_(encoding) {
  connect(control_.document(), &QTextDocument::contentsChanged, this, [this] { fresh_ = false; });
}

QString MemoStorage::ToControlText(std::string_view bytes, PaneEncoding encoding) {
  QString text = encoding == PaneEncoding::Utf8
                     ? QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))
                     : QString(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  if (encoding == PaneEncoding::Cp1253) {
    QChar* out = text.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      out[i] = QChar(static_cast<char16_t>(Cp1253ToUnicode(static_cast<unsigned char>(bytes[i]))));
    }
  }
  // The control spends far more on a block than on a line inside one, so most CR LF breaks
  // become line separators; both read back as CR LF.
  QChar* out = text.data();
  qsizetype n = 0;
  int linesInBlock = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (out[i] == u'\r' && i + 1 < text.size() && out[i + 1] == u'\n') {
      ++i;
      out[n++] = ++linesInBlock == kLinesPerBlock ? QChar(u'\n') : QChar(QChar::LineSeparator);
      if (linesInBlock == kLinesPerBlock) linesInBlock = 0;
    } else {
      out[n++] = out[i];
    }
  }
  text.truncate(n);
  return text;
}

std::string MemoStorage::FromControlText(const QString& raw, PaneEncoding encoding) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(raw.size()) + 64);
  if (encoding == PaneEncoding::Utf8) {
    QString text = raw;
    for (QChar& c : text) {
      if (IsBreak(c.unicode())) c = u'\n';
    }
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
      if (c == '\n') bytes.push_back('\r');
      bytes.push_back(c);
    }
    return bytes;
  }
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const char16_t c = raw[i].unicode();
    if (IsBreak(c)) {
      bytes.append("\r\n");
    } else if (const auto byte = UnicodeToCp1253(c)) {
      bytes.push_back(static_cast<char>(*byte));
    } else {
      // Typed, and not in the code page; a character outside the BMP is one "?" too.
      if (QChar::isHighSurrogate(c) && i + 1 < raw.size() && raw[i + 1].isLowSurrogate()) ++i;
      bytes.push_back('?');
    }
  }
  return bytes;
}

std::string_view MemoStorage::Text() {
  if (!fresh_) {
    // The raw text: the plain-text form would turn no-break spaces into blanks.
    QString raw = control_.document()->toRawText();
    bytes_ = FromControlText(raw, encoding_);
    fresh_ = true;
  }
  return bytes_;
}

void MemoStorage::Replace(std::string text, Caret caret) {
  control_.setPlainText(ToControlText(text, encoding_));
  changed_ = true;
  if (caret == Caret::AtEnd) control_.moveCursor(QTextCursor::End);
}

void MemoStorage::Append(std::string_view text) {
  QTextDocument* document = control_.document();
  const bool undo = document->isUndoRedoEnabled();
  document->setUndoRedoEnabled(false);  // an append cannot be undone
  QTextCursor cursor(document);
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(ToControlText(text, encoding_));
  control_.setTextCursor(cursor);
  document->setUndoRedoEnabled(undo);
  changed_ = true;
}

void MemoStorage::SetRedraw(bool on) {
  control_.setUpdatesEnabled(on);
  if (!on || !changed_) return;
  changed_ = false;
  // The view follows the caret once the whole change is laid out; a caret at the end shows
  // the end whole, where scrolling by lines would leave the last one cut.
  control_.ensureCursorVisible();
  if (control_.textCursor().atEnd()) {
    QScrollBar* bar = control_.verticalScrollBar();
    bar->setValue(bar->maximum());
  }
}

#include "memo_storage.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "cp1253.h"

namespace {

// The control keeps line breaks as block separators; the user's Shift+Enter gives a line
// separator. Both read as a CR LF line break.
bool IsBreak(char16_t c) { return c == 0x2029 || c == 0x2028 || c == u'\n'; }

}  // namespace

MemoStorage::MemoStorage(QPlainTextEdit& control, PaneEncoding encoding)
    : control_(control), encoding_(encoding) {
  connect(control_.document(), &QTextDocument::contentsChanged, this, [this] { fresh_ = false; });
}

QString MemoStorage::ToControlText(std::string_view bytes, PaneEncoding encoding) {
  if (encoding == PaneEncoding::Utf8) {
    QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
  }
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  qsizetype n = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out[n++] = QChar(static_cast<char16_t>(Cp1253ToUnicode(static_cast<unsigned char>(bytes[i]))));
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
  for (const QChar c : raw) {
    if (IsBreak(c.unicode())) {
      bytes.append("\r\n");
    } else if (const auto byte = UnicodeToCp1253(c.unicode())) {
      bytes.push_back(static_cast<char>(*byte));
    } else {
      bytes.push_back('?');  // typed, and not in the code page (surrogates included)
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

void MemoStorage::Replace(std::string text) {
  control_.setPlainText(ToControlText(text, encoding_));
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
}

void MemoStorage::SetRedraw(bool on) { control_.setUpdatesEnabled(on); }

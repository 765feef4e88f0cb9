#include "pane_encoding.h"

#include "cp1253.h"

QString ShownText(const PaneDocument& document, std::size_t from, std::size_t to) {
  QString shown;
  shown.reserve(static_cast<qsizetype>(to - from));
  for (std::size_t at = from; at < to; at = document.NextChar(at)) {
    const std::size_t next = document.NextChar(at);
    const char32_t c = next == at + 2 && document.Byte(at) == '\r' ? U'\n' : document.CharAt(at);
    if (c > 0xFFFF) {
      shown.append(QChar(QChar::highSurrogate(c)));
      shown.append(QChar(QChar::lowSurrogate(c)));
    } else {
      shown.append(QChar(static_cast<char16_t>(c)));
    }
  }
  return shown;
}

std::string TypedBytes(const QString& text, PaneEncoding encoding) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029) {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      bytes.append("\r\n");
      continue;
    }
    const bool pair =
        QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (encoding == PaneEncoding::Utf8) {
      const char32_t ch = pair                    ? QChar::surrogateToUcs4(c, text[i + 1].unicode())
                          : QChar::isSurrogate(c) ? U'\uFFFD'
                                                  : c;
      AppendUtf8(bytes, ch);
    } else if (const auto byte = UnicodeToCp1253(c)) {
      bytes.push_back(static_cast<char>(*byte));
    } else {
      bytes.push_back('?');  // one for a character outside the BMP too
    }
    if (pair) ++i;
  }
  return bytes;
}

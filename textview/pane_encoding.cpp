#include "pane_encoding.h"

#include <algorithm>

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

namespace {

// The code page's bytes for every character of `text`, or nothing when it lacks one.
std::optional<std::string> Cp1253Bytes(const QString& text) {
  std::string bytes;
  for (const QChar c : text) {
    const auto byte = UnicodeToCp1253(c.unicode());
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<char>(*byte));
  }
  return bytes;
}

// A character the code page lacks, by its compatibility form: spelled out in the code page's
// characters (U+037E as ";", a ligature as its letters), or one of its characters that has the
// same form (U+00B4, the acute accent, as the code page's tonos).
std::optional<std::string> Cp1253Form(const QString& character) {
  const QString form = character.normalized(QString::NormalizationForm_KC);
  if (auto bytes = Cp1253Bytes(form)) return bytes;
  for (int byte = 0x80; byte < 0x100; ++byte) {
    const char32_t mine = Cp1253ToUnicode(static_cast<unsigned char>(byte));
    if (mine < 0xFFFF &&
        QString(QChar(static_cast<char16_t>(mine))).normalized(QString::NormalizationForm_KC) ==
            form)
      return std::string(1, static_cast<char>(byte));
  }
  return std::nullopt;
}

bool IsLineBreak(char16_t c) {
  return c == u'\r' || c == u'\n' || c == 0x2028 || c == 0x2029;
}

}  // namespace

std::optional<std::string> TypedBytes(const QString& typed, PaneEncoding encoding) {
  QString text = typed;
  if (encoding == PaneEncoding::Cp1253 && std::any_of(text.begin(), text.end(), [](QChar c) {
        return !IsLineBreak(c.unicode()) && !UnicodeToCp1253(c.unicode());
      })) {
    // A letter typed with a combining accent is the code page's accented letter.
    text = text.normalized(QString::NormalizationForm_C);
  }
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (IsLineBreak(c)) {
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
    } else if (const auto form = Cp1253Form(text.mid(i, pair ? 2 : 1))) {
      bytes.append(*form);
    } else {
      return std::nullopt;
    }
    if (pair) ++i;
  }
  return bytes;
}

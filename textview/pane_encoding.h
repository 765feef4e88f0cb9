// Between a pane's bytes and the Unicode text a control shows and is typed into.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "pane_document.h"

// The characters of bytes [from, to), which start and end on characters; a CR LF reads as
// one line feed, as the clipboard and Qt take line breaks.
QString ShownText(const PaneDocument& document, std::size_t from, std::size_t to);
// Typed or pasted text as the pane's bytes: every line break (CR LF, CR, LF, the line and
// paragraph separators) becomes CR LF; a character the code page lacks is written in its
// Windows-1253 form when it has one (a letter and its combining accent as the accented
// letter, the acute accent as the tonos). Nothing when a character has none: the text is
// refused whole rather than written with a "?".
std::optional<std::string> TypedBytes(const QString& text, PaneEncoding encoding);

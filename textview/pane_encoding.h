// Between a pane's bytes and the Unicode text a control shows and is typed into.
#pragma once

#include <QString>
#include <string>

#include "pane_document.h"

// The characters of bytes [from, to), which start and end on characters; a CR LF reads as
// one line feed, as the clipboard and Qt take line breaks.
QString ShownText(const PaneDocument& document, std::size_t from, std::size_t to);
// Typed or pasted text as the pane's bytes: every line break (CR LF, CR, LF, the line and
// paragraph separators) becomes CR LF; a character the code page lacks becomes one "?".
std::string TypedBytes(const QString& text, PaneEncoding encoding);

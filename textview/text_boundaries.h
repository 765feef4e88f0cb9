// Where the caret may stand and what a word is, as Qt's boundary finder has them: a
// character is what the user sees as one (a letter with its accents, an emoji, a flag), a
// word is the words and the runs between them. Found over the neighbourhood of an offset,
// never over a whole long line; a line break (CR LF) is one character.
#pragma once

#include <cstddef>
#include <optional>

#include "pane_document.h"

struct TextRange {
  std::size_t from, to;
  bool operator==(const TextRange&) const = default;
};

std::size_t NextCharacter(const PaneDocument& document, std::size_t offset);
// The first place at or after `offset` where a character the user sees begins: never between
// a letter and its accent.
std::size_t CharacterStartFrom(const PaneDocument& document, std::size_t offset);
std::size_t PreviousCharacter(const PaneDocument& document, std::size_t offset);

// Ctrl+Right and Ctrl+Left: to the start of the next word, or of this or the previous one,
// over the blanks between; a line's end and start are stops of their own, as in Qt's text
// controls.
std::size_t NextWordStart(const PaneDocument& document, std::size_t offset);
std::size_t PreviousWordStart(const PaneDocument& document, std::size_t offset);

// What a double-click at `offset` selects: the word there, or the punctuation or the blanks
// there; nothing at a line's end after its last character.
TextRange WordAt(const PaneDocument& document, std::size_t offset);
// The same for a click that found the caret place `offset`: at a word's end (the click was on
// the right half of its last character) the word, as Qt's text controls select it.
TextRange WordClickedAt(const PaneDocument& document, std::size_t offset);

// A screen reader's words: words only, never the blanks or the punctuation between them. The
// word at `offset`, else the nearest before it on its line, else the first after it there
// (empty on a line without words); the first word that starts at or after `offset`, and the
// last that ends at or before it, across lines (nothing past the text's ends).
TextRange ReadWordAt(const PaneDocument& document, std::size_t offset);
std::optional<TextRange> ReadWordFrom(const PaneDocument& document, std::size_t offset);
std::optional<TextRange> ReadWordBefore(const PaneDocument& document, std::size_t offset);

// The text control's context menu.
#pragma once

#include "message_text.h"

namespace memo_texts {

inline constexpr std::string_view kUndo = "&Undo";
inline constexpr std::string_view kRedo = "&Redo";
inline constexpr std::string_view kCut = "Cu&t";
inline constexpr std::string_view kCopy = "&Copy";
inline constexpr std::string_view kPaste = "&Paste";
inline constexpr std::string_view kDelete = "Delete";
inline constexpr std::string_view kSelectAll = "Select All";

inline constexpr CatalogueEntry kEntries[] = {
    {"kUndo", kUndo},           {"kRedo", kRedo},   {"kCut", kCut},
    {"kCopy", kCopy},           {"kPaste", kPaste}, {"kDelete", kDelete},
    {"kSelectAll", kSelectAll},
};

}  // namespace memo_texts

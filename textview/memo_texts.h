// The text control's context menu.
#pragma once

#include <string_view>
#include <utility>

namespace memo_texts {

inline constexpr std::string_view kUndo = "&Undo";
inline constexpr std::string_view kRedo = "&Redo";
inline constexpr std::string_view kCut = "Cu&t";
inline constexpr std::string_view kCopy = "&Copy";
inline constexpr std::string_view kPaste = "&Paste";
inline constexpr std::string_view kDelete = "Delete";
inline constexpr std::string_view kSelectAll = "Select All";

// Each text by its name, for the test that pins every text a user reads.
inline constexpr std::pair<std::string_view, std::string_view> kEntries[] = {
    {"kUndo", kUndo},           {"kRedo", kRedo},   {"kCut", kCut},
    {"kCopy", kCopy},           {"kPaste", kPaste}, {"kDelete", kDelete},
    {"kSelectAll", kSelectAll},
};

}  // namespace memo_texts

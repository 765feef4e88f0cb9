// Every text the window shows of its own; its messages come from the file layer.
#pragma once

#include "message_text.h"

namespace window_texts {

inline constexpr std::string_view kFormCaption = "Convert";
inline constexpr std::string_view kOpenCaption = "Open";
inline constexpr std::string_view kTranslateCaption = "Translate";
inline constexpr std::string_view kSaveCaption = "Save";
inline constexpr std::string_view kOpenFilter = "CSV orvan files (*.csv)";

inline constexpr CatalogueEntry kEntries[] = {
    {"kFormCaption", kFormCaption},
    {"kOpenCaption", kOpenCaption},
    {"kTranslateCaption", kTranslateCaption},
    {"kSaveCaption", kSaveCaption},
    {"kOpenFilter", kOpenFilter},
};

}  // namespace window_texts

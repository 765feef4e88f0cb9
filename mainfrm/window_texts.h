// Every text the window shows of its own; its other messages come from the file layer.
#pragma once

#include "message_text.h"

namespace window_texts {

inline constexpr std::string_view kFormCaption = "Convert";
inline constexpr std::string_view kOpenCaption = "Open";
inline constexpr std::string_view kTranslateCaption = "Translate";
inline constexpr std::string_view kSaveCaption = "Save";
inline constexpr std::string_view kOpenFilter = "CSV orvan files (*.csv)";
inline constexpr std::string_view kTranslateFirst =
    "The KML pane holds no document made from the open export: press Translate first";
// What a screen reader names and says of each pane; the panes show none of it.
inline constexpr std::string_view kInputPaneName = "Export";
inline constexpr std::string_view kInputPaneDescription = "The export as loaded";
inline constexpr std::string_view kSummaryPaneName = "Summary";
inline constexpr std::string_view kSummaryPaneDescription = "The summary of the export";
inline constexpr std::string_view kKmlPaneName = "KML";
inline constexpr std::string_view kKmlPaneDescription = "The KML document made from the export";
inline constexpr std::string_view kOthersNotOpened =
    "Not opened:%1\nThe window holds one export at a time: the first one given is open";
inline constexpr std::string_view kAboutEntry = "&About %1";
inline constexpr std::string_view kAboutText =
    "%1 %2\nConverts vehicle-tracking exports to KML documents.";

inline constexpr CatalogueEntry kEntries[] = {
    {"kFormCaption", kFormCaption},
    {"kOpenCaption", kOpenCaption},
    {"kTranslateCaption", kTranslateCaption},
    {"kSaveCaption", kSaveCaption},
    {"kOpenFilter", kOpenFilter},
    {"kTranslateFirst", kTranslateFirst},
    {"kInputPaneName", kInputPaneName},
    {"kInputPaneDescription", kInputPaneDescription},
    {"kSummaryPaneName", kSummaryPaneName},
    {"kSummaryPaneDescription", kSummaryPaneDescription},
    {"kKmlPaneName", kKmlPaneName},
    {"kKmlPaneDescription", kKmlPaneDescription},
    {"kOthersNotOpened", kOthersNotOpened},
    {"kAboutEntry", kAboutEntry},
    {"kAboutText", kAboutText},
};

}  // namespace window_texts

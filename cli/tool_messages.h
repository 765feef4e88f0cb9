// Every text trackkml-cli writes to its user, but for the facts of the reports.
#pragma once

#include "message_text.h"

namespace tool_messages {

inline constexpr std::string_view kProgram = "trackkml-cli: ";
inline constexpr std::string_view kUsageLine = "usage: trackkml-cli [options] FILE...";
inline constexpr std::string_view kTryHelp = "Try 'trackkml-cli --help'.";
inline constexpr std::string_view kVersionLine = "trackkml-cli %1";
// The help around its list of options (see HelpText).
inline constexpr std::string_view kHelpHead =
    "usage: trackkml-cli [options] FILE...\n"
    "Converts exports of the vehicle-tracking service (.csv) to KML documents.\n"
    "Each FILE's KML is saved under its path with every \".csv\" replaced by \".kml\".\n"
    "\n";
inline constexpr std::string_view kHelpFoot =
    "\n"
    "FILE \"-\" reads standard input. Exit status: 0 all converted, 1 some failed,\n"
    "2 bad usage.\n";

// Usage errors.
inline constexpr std::string_view kNeedsWholeNumber = "option %1 needs %2 (0 to 9999)";
inline constexpr std::string_view kMinutes = "a number of minutes";
inline constexpr std::string_view kSeconds = "a number of seconds";
inline constexpr std::string_view kNeedsSpeed =
    "option --speed-limit needs a speed in km/h (above 0, to 9999)";
inline constexpr std::string_view kNeedsWorkbookFile =
    "option --report=xlsx needs a FILE for the workbook (write one whose name begins with "
    "\"-\" as ./-NAME)";
inline constexpr std::string_view kWorkbookName =
    "option --report=xlsx needs a FILE whose name ends in .xlsx, not \"%1\"";
inline constexpr std::string_view kUnknownReport =
    "option --report takes text, csv, legs-csv, stops-csv, speeding-csv or xlsx FILE, not "
    "\"%1\"";
inline constexpr std::string_view kNeedsFolder = "option %1 needs a folder";
inline constexpr std::string_view kWorkbookTwice = "option --report=xlsx given twice";
inline constexpr std::string_view kNeedsZone = "option --time-zone needs a zone name";
inline constexpr std::string_view kNeedsValue = "option %1 needs a value";
inline constexpr std::string_view kUnknownOption = "unknown or ambiguous option %1";
inline constexpr std::string_view kNoFile = "no FILE given";
inline constexpr std::string_view kStdoutAndSummary =
    "--stdout and --summary cannot be given together";
inline constexpr std::string_view kOneFileOnly = "%1 takes exactly one FILE";
inline constexpr std::string_view kNoFilesBeside =
    "--gpx, --html and --report cannot be given with --stdout or --summary";
inline constexpr std::string_view kSecondsNeedLimit = "--speeding-seconds needs --speed-limit";
inline constexpr std::string_view kNoFolderBeside =
    "--output-dir cannot be given with --stdout or --summary";
inline constexpr std::string_view kStandardInputOnly =
    "standard input (-) can only be read with --stdout or --summary";
inline constexpr std::string_view kUnknownZone = "unknown time zone \"%1\"";

// Failures and what was done.
inline constexpr std::string_view kNoZoneDatabase =
    "the time-zone database is missing: it was looked for in \"%1\"";
inline constexpr std::string_view kNoMemory = "Not enough memory to convert it";
inline constexpr std::string_view kNotAnExport = "Not a track export: no column-title row found";
inline constexpr std::string_view kNothingConverted = "Not written: no export was converted";
inline constexpr std::string_view kWorkbookNotMade = "The workbook could not be made";
inline constexpr std::string_view kWorkbookNotBegun = "The workbook could not be begun";
inline constexpr std::string_view kStandardOutput = "standard output: %1";
inline constexpr std::string_view kProgress = "\r%1 of %2 files, %3 points/s ";
inline constexpr std::string_view kConverted = "%1 -> %2: %3 points, %4 rows without a fix";
inline constexpr std::string_view kAndOutput = "%1 and %2";
inline constexpr std::string_view kWithoutTime = ", %1 without a time";
inline constexpr std::string_view kWorkbookWritten = "%1: facts of the exports as a workbook";
inline constexpr std::string_view kClosing = "%1 converted, %2 failed";
inline constexpr std::string_view kWithoutFix = ", %1 without a fix";
inline constexpr std::string_view kIndexWritten = "%1: the index of the pages (%2 linked)";
inline constexpr std::string_view kNotOurIndex =
    "The index \"%1\" is a file trackkml-cli did not write: it is kept";
inline constexpr std::string_view kNotAWorkbook =
    "The workbook \"%1\" is a file that is not a workbook: it is kept";
inline constexpr std::string_view kPressAKey = "Press a key to close this window.";

inline constexpr CatalogueEntry kEntries[] = {
    {"kProgram", kProgram},
    {"kUsageLine", kUsageLine},
    {"kTryHelp", kTryHelp},
    {"kVersionLine", kVersionLine},
    {"kHelpHead", kHelpHead},
    {"kHelpFoot", kHelpFoot},
    {"kNeedsWholeNumber", kNeedsWholeNumber},
    {"kMinutes", kMinutes},
    {"kSeconds", kSeconds},
    {"kNeedsSpeed", kNeedsSpeed},
    {"kNeedsWorkbookFile", kNeedsWorkbookFile},
    {"kWorkbookName", kWorkbookName},
    {"kUnknownReport", kUnknownReport},
    {"kNeedsFolder", kNeedsFolder},
    {"kWorkbookTwice", kWorkbookTwice},
    {"kNeedsZone", kNeedsZone},
    {"kNeedsValue", kNeedsValue},
    {"kUnknownOption", kUnknownOption},
    {"kNoFile", kNoFile},
    {"kStdoutAndSummary", kStdoutAndSummary},
    {"kOneFileOnly", kOneFileOnly},
    {"kNoFilesBeside", kNoFilesBeside},
    {"kSecondsNeedLimit", kSecondsNeedLimit},
    {"kNoFolderBeside", kNoFolderBeside},
    {"kStandardInputOnly", kStandardInputOnly},
    {"kUnknownZone", kUnknownZone},
    {"kNoZoneDatabase", kNoZoneDatabase},
    {"kNoMemory", kNoMemory},
    {"kNotAnExport", kNotAnExport},
    {"kNothingConverted", kNothingConverted},
    {"kWorkbookNotMade", kWorkbookNotMade},
    {"kWorkbookNotBegun", kWorkbookNotBegun},
    {"kStandardOutput", kStandardOutput},
    {"kProgress", kProgress},
    {"kConverted", kConverted},
    {"kAndOutput", kAndOutput},
    {"kWithoutTime", kWithoutTime},
    {"kWorkbookWritten", kWorkbookWritten},
    {"kClosing", kClosing},
    {"kWithoutFix", kWithoutFix},
    {"kIndexWritten", kIndexWritten},
    {"kNotOurIndex", kNotOurIndex},
    {"kNotAWorkbook", kNotAWorkbook},
    {"kPressAKey", kPressAKey},
};

}  // namespace tool_messages

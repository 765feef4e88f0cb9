// Every text a user can see, pinned here whole: changing one is changing what users read,
// and what they search for.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "../mainfrm/window_texts.h"
#include "../textview/memo_texts.h"
#include "file_messages.h"
#include "tool_messages.h"

namespace {

struct Pinned {
  std::span<const CatalogueEntry> entries;
  std::vector<CatalogueEntry> expected;
};

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Messages, EveryCatalogueEntryReadsAsPinned) {
  const std::string help = FileText(std::string(TRACKKML_TEST_DATA) + "/trackkml-cli-help.txt");
  const Pinned catalogues[] = {
      {file_messages::kEntries,
       {
           {"kCannotOpen", "Cannot open file \"%1\". %2"},
           {"kCannotCreate", "Cannot create file \"%1\". %2"},
           {"kCannotRead", "Cannot read file \"%1\". %2"},
           {"kEndedEarly", "The file ended before its size was read"},
           {"kReplacedWhileSaving", "Another file took its place while it was being saved"},
           {"kStreamWriteError", "Stream write error"},
           {"kInUse", "The file is in use by another program"},
           {"kLocked", "Another program holds a lock on it"},
           {"kPlantedLink",
            "A link on its way belongs to another user who may write the link's folder, and is "
            "not followed"},
           {"kSharedFile",
            "In a folder others may write, a file with other links or another owner is not "
            "written into"},
           {"kCutAtNul",
            "It holds a NUL byte at offset %1: the text ends there, and what follows is left "
            "out"},
           {"kSystemError", "Error %1"},
           {"kPaneTooLarge", "Text exceeds memo capacity"},
           {"kExportTooLarge", "The export is larger than the 2 GiB a window opens"},
           {"kCannotMakeFolder", "Cannot make the folder \"%1\". %2"},
           {"kNoTemporaryFolder", "No temporary folder to write in"},
           {"kTemporaryFolderUnusable", "The temporary folder \"%1\" cannot be used"},
           {"kNoPrivateFolder", "No folder could be made in \"%1\""},
           {"kTemporaryUnreadable", "The temporary workbook could not be read"},
           {"kWouldReplaceInput", "Its %1 \"%2\" would replace the input \"%3\""},
           {"kOutputsAreOneFile", "Its %1 \"%2\" and its %3 \"%4\" are one file"},
           {"kWouldReplaceOther", "Its %1 \"%2\" would replace the %3 of \"%4\""},
       }},
      {tool_messages::kEntries,
       {
           {"kProgram", "trackkml-cli: "},
           {"kUsageLine", "usage: trackkml-cli [options] FILE..."},
           {"kTryHelp", "Try 'trackkml-cli --help'."},
           {"kVersionLine", "trackkml-cli %1"},
           {"kNeedsWholeNumber", "option %1 needs %2 (0 to 9999)"},
           {"kMinutes", "a number of minutes"},
           {"kSeconds", "a number of seconds"},
           {"kNeedsSpeed", "option --speed-limit needs a speed in km/h (above 0, to 9999)"},
           {"kNeedsWorkbookFile",
            "option --report=xlsx needs a FILE for the workbook (write one whose name begins with "
            "\"-\" as ./-NAME)"},
           {"kWorkbookName",
            "option --report=xlsx needs a FILE whose name ends in .xlsx, not \"%1\""},
           {"kUnknownReport",
            "option --report takes text, csv, legs-csv, stops-csv, speeding-csv or xlsx FILE, not "
            "\"%1\""},
           {"kNeedsFolder", "option %1 needs a folder"},
           {"kWorkbookTwice", "option --report=xlsx given twice"},
           {"kNeedsZone", "option --time-zone needs a zone name"},
           {"kNeedsValue", "option %1 needs a value"},
           {"kUnknownOption", "unknown or ambiguous option %1"},
           {"kNoFile", "no FILE given"},
           {"kStdoutAndSummary", "--stdout and --summary cannot be given together"},
           {"kOneFileOnly", "%1 takes exactly one FILE"},
           {"kNoFilesBeside",
            "--gpx, --html and --report cannot be given with --stdout or --summary"},
           {"kSecondsNeedLimit", "--speeding-seconds needs --speed-limit"},
           {"kNoFolderBeside", "--output-dir cannot be given with --stdout or --summary"},
           {"kStandardInputOnly", "standard input (-) can only be read with --stdout or --summary"},
           {"kUnknownZone", "unknown time zone \"%1\""},
           {"kNoZoneDatabase", "the time-zone database is missing: it was looked for in \"%1\""},
           {"kNoMemory", "Not enough memory to convert it"},
           {"kNotAnExport", "Not a track export: no column-title row found"},
           {"kNothingConverted", "Not written: no export was converted"},
           {"kWorkbookNotMade", "The workbook could not be made"},
           {"kWorkbookNotBegun", "The workbook could not be begun"},
           {"kStandardOutput", "standard output: %1"},
           {"kProgress", "\r%1 of %2 files, %3 points/s "},
           {"kConverted", "%1 -> %2: %3 points, %4 rows without a fix"},
           {"kAndOutput", "%1 and %2"},
           {"kWithoutTime", ", %1 without a time"},
           {"kWorkbookWritten", "%1: facts of the exports as a workbook"},
           {"kClosing", "%1 converted, %2 failed"},
           {"kWithoutFix", ", %1 without a fix"},
           {"kIndexWritten", "%1: the index of the pages (%2 linked)"},
           {"kNotOurIndex", "The index \"%1\" is a file trackkml-cli did not write: it is kept"},
           {"kNotAWorkbook", "The workbook \"%1\" is a file that is not a workbook: it is kept"},
           {"kPressAKey", "Press a key to close this window."},
       }},
      {window_texts::kEntries,
       {
           {"kFormCaption", "Convert"},
           {"kOpenCaption", "Open"},
           {"kTranslateCaption", "Translate"},
           {"kSaveCaption", "Save"},
           {"kOpenFilter", "CSV orvan files (*.csv)"},
           {"kTranslateFirst",
            "The KML pane holds no document made from the open export: press Translate first"},
           {"kOthersNotOpened",
            "Not opened:%1\nThe window holds one export at a time: the first one given is open"},
           {"kAboutEntry", "&About %1"},
           {"kAboutText", "%1 %2\nConverts vehicle-tracking exports to KML documents."},
       }},
      {memo_texts::kEntries,
       {
           {"kUndo", "&Undo"},
           {"kRedo", "&Redo"},
           {"kCut", "Cu&t"},
           {"kCopy", "&Copy"},
           {"kPaste", "&Paste"},
           {"kDelete", "Delete"},
           {"kSelectAll", "Select All"},
       }},
  };
  for (const auto& catalogue : catalogues) {
    std::vector<CatalogueEntry> expected = catalogue.expected;
    for (const auto& entry : catalogue.entries) {
      // The help is pinned by its golden file, which the man page is written beside.
      if (entry.name == "kHelp") expected.insert(expected.begin() + 4, {"kHelp", help});
    }
    ASSERT_EQ(catalogue.entries.size(), expected.size()) << catalogue.entries.front().name;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      const CatalogueEntry& entry = catalogue.entries[i];
      EXPECT_EQ(entry.name, expected[i].name);
      EXPECT_EQ(entry.text, expected[i].text) << entry.name;
      // Its places are numbered from %1 on, none skipped, so Filled fills every one.
      int highest = 0;
      for (std::size_t at = entry.text.find('%'); at != std::string_view::npos;
           at = entry.text.find('%', at + 1)) {
        const int n = at + 1 < entry.text.size() ? entry.text[at + 1] - '0' : 0;
        EXPECT_TRUE(n >= 1 && n <= highest + 1) << entry.name;
        highest = std::max(highest, n);
      }
    }
  }
}

TEST(Messages, FilledPutsEachValueInItsPlaceOnce) {
  const struct {
    std::string_view text;
    std::vector<std::string_view> values;
    std::string filled;
  } cases[] = {
      {"Its %1 \"%2\"", {"KML", "a.kml"}, "Its KML \"a.kml\""},
      {"%2 before %1", {"one", "two"}, "two before one"},
      {"%1", {"100%1"}, "100%1"},          // a value is not filled again
      {"50% of %1", {"it"}, "50% of it"},  // a "%" that is no place stays
      {"%1 and %2", {"only"}, "only and %2"},
      {"ends in %", {}, "ends in %"},
  };
  for (const auto& c : cases) {
    std::string filled;
    switch (c.values.size()) {
      case 0:
        filled = Filled(c.text, {});
        break;
      case 1:
        filled = Filled(c.text, {c.values[0]});
        break;
      default:
        filled = Filled(c.text, {c.values[0], c.values[1]});
        break;
    }
    EXPECT_EQ(filled, c.filled) << c.text;
  }
}

}  // namespace

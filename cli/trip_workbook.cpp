#include "trip_workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <utility>
#include <vector>

#include "app_error.h"
#include "private_folder.h"
#include "tool_messages.h"

namespace {

constexpr double kMaxColumnWidth = 60;
constexpr std::size_t kMostDecimals = 12;
constexpr lxw_row_t kSheetRows = 1048576;  // what a sheet holds, its title row included
constexpr double kLargestNumber = 9.99999999999999e307;  // what a spreadsheet holds
// Columns of the default font's characters an A4 page in landscape holds printed at 8 pt:
// a sheet wider than this is printed on as many pages wide as it needs, never smaller.
constexpr double kCharsAcrossAPage = 170;
constexpr double kOffsetWidth = 10;  // "UTC offset" and "+03:00"

// The civil time of local seconds, as the library takes date-times.
lxw_datetime CivilTime(std::int64_t local) {
  std::string iso;
  AppendIsoTime(iso, local);  // "2013-10-22T04:00:00"
  const auto number = [&](std::size_t at, std::size_t size) {
    return std::stoi(iso.substr(at, size));
  };
  return lxw_datetime{number(0, 4),  number(5, 2),  number(8, 2),
                      number(11, 2), number(14, 2), static_cast<double>(number(17, 2))};
}

// Characters of a UTF-8 text, as a column's width counts them.
double Width(const std::string& text) {
  return static_cast<double>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Where a title breaks into two lines, so that its column need not be as wide as all of it:
// before its unit (or zone), else at the space nearest its middle when it is long.
std::size_t TitleBreak(const std::string& title) {
  if (const std::size_t unit = title.find(" ("); unit != std::string::npos) return unit;
  if (title.size() <= 12) return std::string::npos;
  const std::size_t before = title.rfind(' ', title.size() / 2);
  const std::size_t after = title.find(' ', title.size() / 2);
  if (before == std::string::npos) return after;
  if (after == std::string::npos) return before;
  return title.size() / 2 - before <= after - title.size() / 2 ? before : after;
}

// A spreadsheet reads "_x0041_" in a text as the character it names ("A"): a text keeps such
// letters of its own by writing their "_" as "_x005F_".
std::string SheetText(const std::string& text) {
  const auto namesCharacter = [&text](std::size_t at) {
    return text.compare(at, 2, "_x") == 0 && at + 7 <= text.size() && text[at + 6] == '_' &&
           std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at + 2),
                       text.begin() + static_cast<std::ptrdiff_t>(at + 6),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
  };
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (namesCharacter(at)) {
      out.append("_x005F_");
    } else {
      out.push_back(text[at]);
    }
  }
  return out;
}

void Check(lxw_error error) {
  if (error != LXW_NO_ERROR)
    throw AppError(std::string(tool_messages::kWorkbookNotMade), lxw_strerror(error));
}

}  // namespace

struct TripWorkbook::Book {
  // A table's sheets: the first, then one more each time a sheet is full.
  struct Sheets {
    std::string name;
    int parts = 0;
    lxw_worksheet* sheet = nullptr;
    lxw_row_t row = 0;           // the next row to write in it
    std::vector<double> widths;  // of the sheet's columns
  };
  // The sheet's column of a table's column: a time takes two, its UTC offset beside it, so
  // that an hour that repeats reads as one or the other.
  static lxw_col_t SheetColumn(const ReportTable& table, std::size_t column) {
    lxw_col_t at = 0;
    for (std::size_t c = 0; c < column; ++c)
      at += table.columns[c].time ? 2 : 1;
    return at;
  }

  explicit Book(OsFiles& os) : folder(os, "report.xlsx") {}
  ~Book() {
    if (book != nullptr) workbook_close(book);  // only to free it: the file goes with the folder
  }

  void StartSheet(Sheets& s, const ReportTable& table);
  void AddRow(Sheets& s, const ReportTable& table, const std::vector<ReportCell>& row);
  void SetWidths(Sheets& s);

  PrivateFolder folder;
  std::string tmpdir;
  lxw_workbook* book = nullptr;
  std::string zone;
  lxw_format* title = nullptr;
  lxw_format* time = nullptr;
  std::array<lxw_format*, kMostDecimals + 1> decimals{};  // "0", "0.0", "0.00", ...
  std::array<Sheets, 4> sheets;                           // days, stops, legs, speeding
};

void TripWorkbook::Book::StartSheet(Sheets& s, const ReportTable& table) {
  if (s.sheet != nullptr) SetWidths(s);
  ++s.parts;
  const std::string name = s.parts == 1 ? s.name : s.name + " " + std::to_string(s.parts);
  s.sheet = workbook_add_worksheet(book, name.c_str());
  if (s.sheet == nullptr) throw AppError(std::string(tool_messages::kWorkbookNotMade));
  s.widths.clear();
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    const ReportColumn& column = table.columns[c];
    std::string text(column.title);
    if (column.time) text += " (" + zone + ")";
    const std::size_t cut = TitleBreak(text);
    if (cut != std::string::npos) text[cut] = '\n';
    const lxw_col_t at = SheetColumn(table, c);
    Check(worksheet_write_string(s.sheet, 0, at, text.c_str(), title));
    s.widths.push_back(std::max({Width(text.substr(0, cut)),
                                 cut == std::string::npos ? 0.0 : Width(text.substr(cut + 1)),
                                 column.time ? 19.0 : 6.0}));
    if (column.time) {
      Check(worksheet_write_string(s.sheet, 0, at + 1, "UTC\noffset", title));
      s.widths.push_back(kOffsetWidth - 2);
    }
  }
  worksheet_set_row(s.sheet, 0, 30, nullptr);  // two lines
  worksheet_freeze_panes(s.sheet, 1, 0);
  // Printed, a sheet is as few pages wide as 8 pt allows (see SetWidths), its titles on
  // every page.
  worksheet_set_landscape(s.sheet);
  worksheet_set_paper(s.sheet, 9);  // A4
  worksheet_repeat_rows(s.sheet, 0, 0);
  worksheet_gridlines(s.sheet, LXW_SHOW_PRINT_GRIDLINES);
  s.row = 1;
}

void TripWorkbook::Book::AddRow(Sheets& s, const ReportTable& table,
                                const std::vector<ReportCell>& cells) {
  if (s.sheet == nullptr || s.row == kSheetRows) StartSheet(s, table);
  const lxw_row_t row = s.row++;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    const ReportCell& cell = cells[c];
    const lxw_col_t column = SheetColumn(table, c);
    switch (cell.kind) {
      case ReportCell::Kind::Empty:
        break;
      case ReportCell::Kind::Text:
        Check(worksheet_write_string(s.sheet, row, column, SheetText(cell.text).c_str(), nullptr));
        s.widths[column] = std::max(s.widths[column], Width(cell.text));
        break;
      case ReportCell::Kind::Number: {
        s.widths[column] = std::max(s.widths[column], Width(cell.text));
        // A number past what a spreadsheet holds keeps its digits, as text.
        if (!(std::abs(cell.number) <= kLargestNumber)) {
          Check(worksheet_write_string(s.sheet, row, column, cell.text.c_str(), nullptr));
          break;
        }
        // As many decimal places as the CSV writes: a coordinate shows all its digits.
        const std::size_t point = cell.text.find('.');
        const std::size_t places = point == std::string::npos ? 0 : cell.text.size() - point - 1;
        Check(worksheet_write_number(s.sheet, row, column, cell.number,
                                     places <= kMostDecimals ? decimals[places] : nullptr));
        break;
      }
      case ReportCell::Kind::Time: {
        if (cell.local == kNoTime || cell.utc == kNoTime) break;
        lxw_datetime when = CivilTime(cell.local);
        Check(worksheet_write_datetime(s.sheet, row, column, &when, time));
        const std::string offset = UtcOffsetText(cell.local - cell.utc);
        Check(worksheet_write_string(s.sheet, row, column + 1, offset.c_str(), nullptr));
        break;
      }
    }
  }
}

void TripWorkbook::Book::SetWidths(Sheets& s) {
  double across = 0;
  for (std::size_t c = 0; c < s.widths.size(); ++c) {
    const double width = std::min(s.widths[c] + 2, kMaxColumnWidth);
    worksheet_set_column(s.sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width,
                         nullptr);
    across += width;
  }
  worksheet_fit_to_pages(s.sheet, static_cast<std::uint16_t>(std::ceil(across / kCharsAcrossAPage)),
                         0);
}

TripWorkbook::TripWorkbook(const std::string& zone, OsFiles& os)
    : book_(std::make_unique<Book>(os)) {
  Book& b = *book_;
  b.zone = zone;
  b.tmpdir = b.folder.Utf8Name();
  // Rows go to the library's files as they come, not held in memory.
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = b.tmpdir.data();
  b.book = workbook_new_opt(b.folder.Utf8FileName().c_str(), &options);
  if (b.book == nullptr) throw AppError(std::string(tool_messages::kWorkbookNotBegun));
  b.title = workbook_add_format(b.book);
  format_set_bold(b.title);
  format_set_text_wrap(b.title);
  b.time = workbook_add_format(b.book);
  format_set_num_format(b.time, "yyyy-mm-dd hh:mm:ss");
  for (std::size_t places = 0; places <= kMostDecimals; ++places) {
    const std::string format = places == 0 ? "0" : "0." + std::string(places, '0');
    b.decimals[places] = workbook_add_format(b.book);
    format_set_num_format(b.decimals[places], format.c_str());
  }
  // Every sheet from the start, its titles too, though no export reaches it.
  const TripTables empty(zone);
  const ReportTable* tables[] = {&empty.days, &empty.stops, &empty.legs, &empty.speeding};
  for (std::size_t i = 0; i < b.sheets.size(); ++i) {
    b.sheets[i].name = std::string(tables[i]->sheet);
    b.StartSheet(b.sheets[i], *tables[i]);
  }
}

TripWorkbook::~TripWorkbook() = default;

void TripWorkbook::Add(const TripTables& tables) {
  Book& b = *book_;
  const ReportTable* each[] = {&tables.days, &tables.stops, &tables.legs, &tables.speeding};
  for (std::size_t i = 0; i < b.sheets.size(); ++i)
    for (const auto& row : each[i]->rows)
      b.AddRow(b.sheets[i], *each[i], row);
}

std::string TripWorkbook::Finish() {
  Book& b = *book_;
  for (auto& s : b.sheets)
    b.SetWidths(s);
  lxw_workbook* book = std::exchange(b.book, nullptr);
  Check(workbook_close(book));
  return b.folder.ReadFile();
}

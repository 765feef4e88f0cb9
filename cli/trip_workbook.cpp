#include "trip_workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>

#include "app_error.h"
#include "private_folder.h"

namespace {

constexpr double kMaxColumnWidth = 60;

constexpr std::size_t kMostDecimals = 12;

struct Formats {
  lxw_format* title;
  lxw_format* time;
  lxw_format* decimals[kMostDecimals + 1];  // "0", "0.0", "0.00", ...
};

lxw_datetime CivilTime(std::int64_t local) {
  using namespace std::chrono;
  const auto day = floor<days>(sys_seconds(seconds(local)));
  const year_month_day date(day);
  const std::int64_t time = local - day.time_since_epoch().count() * 86400;
  return lxw_datetime{
      static_cast<int>(date.year()),          static_cast<int>(unsigned(date.month())),
      static_cast<int>(unsigned(date.day())), static_cast<int>(time / 3600),
      static_cast<int>(time / 60 % 60),       static_cast<double>(time % 60)};
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

void WriteSheet(lxw_workbook* book, const ReportTable& table, const std::string& zone,
                const Formats& formats) {
  lxw_worksheet* sheet = workbook_add_worksheet(book, std::string(table.sheet).c_str());
  std::vector<double> widths;
  for (std::size_t c = 0; c < table.columns.size(); ++c) {
    const ReportColumn& column = table.columns[c];
    std::string title(column.title);
    if (column.time) title += " (" + zone + ")";
    const std::size_t cut = TitleBreak(title);
    if (cut != std::string::npos) title[cut] = '\n';
    worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), title.c_str(), formats.title);
    widths.push_back(std::max({Width(title.substr(0, cut)),
                               cut == std::string::npos ? 0.0 : Width(title.substr(cut + 1)),
                               column.time ? 19.0 : 6.0}));
  }
  worksheet_set_row(sheet, 0, 30, nullptr);  // two lines
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    const auto row = static_cast<lxw_row_t>(r + 1);
    for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
      const ReportCell& cell = table.rows[r][c];
      const auto column = static_cast<lxw_col_t>(c);
      switch (cell.kind) {
        case ReportCell::Kind::Empty:
          break;
        case ReportCell::Kind::Text:
          worksheet_write_string(sheet, row, column, cell.text.c_str(), nullptr);
          widths[c] = std::max(widths[c], Width(cell.text));
          break;
        case ReportCell::Kind::Number: {
          // As many decimal places as the CSV writes: a coordinate shows all its digits.
          const std::size_t point = cell.text.find('.');
          const std::size_t places = point == std::string::npos ? 0 : cell.text.size() - point - 1;
          worksheet_write_number(sheet, row, column, cell.number,
                                 places <= kMostDecimals ? formats.decimals[places] : nullptr);
          widths[c] = std::max(widths[c], Width(cell.text));
          break;
        }
        case ReportCell::Kind::Time: {
          lxw_datetime when = CivilTime(cell.local);
          worksheet_write_datetime(sheet, row, column, &when, formats.time);
          break;
        }
      }
    }
  }
  for (std::size_t c = 0; c < widths.size(); ++c)
    worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                         std::min(widths[c] + 2, kMaxColumnWidth), nullptr);
  worksheet_freeze_panes(sheet, 1, 0);
  // Printed, a sheet is one page wide, its titles on every page.
  worksheet_set_landscape(sheet);
  worksheet_set_paper(sheet, 9);  // A4
  worksheet_fit_to_pages(sheet, 1, 0);
  worksheet_repeat_rows(sheet, 0, 0);
  worksheet_gridlines(sheet, LXW_SHOW_PRINT_GRIDLINES);
}

}  // namespace

std::string TripWorkbook(const TripTables& tables) {
  const PrivateFolder folder;
  const std::string leaf = "report.xlsx";
  const std::string name = folder.Utf8Name(leaf);
  std::string tmpdir = folder.Utf8Name();
  lxw_workbook_options options{};
  options.tmpdir = tmpdir.data();
  lxw_workbook* book = workbook_new_opt(name.c_str(), &options);
  if (book == nullptr) throw AppError("The workbook could not be made");
  Formats formats{};
  formats.title = workbook_add_format(book);
  format_set_bold(formats.title);
  format_set_text_wrap(formats.title);
  formats.time = workbook_add_format(book);
  format_set_num_format(formats.time, "yyyy-mm-dd hh:mm:ss");
  for (std::size_t places = 0; places <= kMostDecimals; ++places) {
    const std::string format = places == 0 ? "0" : "0." + std::string(places, '0');
    formats.decimals[places] = workbook_add_format(book);
    format_set_num_format(formats.decimals[places], format.c_str());
  }
  for (const ReportTable* table : {&tables.days, &tables.stops, &tables.legs, &tables.speeding})
    WriteSheet(book, *table, tables.zone, formats);
  const lxw_error error = workbook_close(book);
  if (error != LXW_NO_ERROR) throw AppError("The workbook could not be made", lxw_strerror(error));
  return folder.Read(leaf);
}

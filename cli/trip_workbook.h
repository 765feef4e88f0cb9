// The trip tables as a workbook a spreadsheet opens right in any locale: a sheet a table, times
// as date-times with their zone named in the column's title, numbers as numbers with their unit
// in the title, column widths set, the title row frozen, printed one page wide. Rows are
// written as each export is read, so a month of exports is not held; a table longer than a
// sheet holds goes on in a sheet of the same name numbered 2, 3, ...
#pragma once

#include <memory>
#include <string>

#include "os_files.h"
#include "trip_report.h"

class TripWorkbook {
 public:
  // Raises AppError when the workbook cannot be begun.
  TripWorkbook(const std::string& zone, OsFiles& os);
  ~TripWorkbook();
  TripWorkbook(const TripWorkbook&) = delete;
  TripWorkbook& operator=(const TripWorkbook&) = delete;

  // The rows of one export's tables, each to its sheet.
  void Add(const TripTables& tables);
  // The bytes of the .xlsx file; nothing may be added after. Raises AppError when the library
  // cannot make it.
  std::string Finish();

 private:
  struct Book;
  std::unique_ptr<Book> book_;
};

// The trip tables as a workbook a spreadsheet opens right in any locale: a sheet a table, times
// as date-times with their zone named in the column's title, numbers as numbers with their unit
// in the title, column widths set and the title row frozen.
#pragma once

#include <string>

#include "trip_report.h"

// The bytes of the .xlsx file. Raises AppError when the library cannot make it.
std::string TripWorkbook(const TripTables& tables);

#include "report_table.h"

#include <cstdio>

namespace {

bool LooksLikeFormula(std::string_view text) {
  return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

std::string CsvText(std::string_view text) {
  std::string field = LooksLikeFormula(text) ? "'" : "";
  field.append(text);
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (const char c : field) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

std::string CsvField(const ReportCell& cell) {
  switch (cell.kind) {
    case ReportCell::Kind::Empty:
      return {};
    case ReportCell::Kind::Text:
      return CsvText(cell.text);
    case ReportCell::Kind::Number:
      return cell.text;
    case ReportCell::Kind::Time: {
      if (cell.local == kNoTime || cell.utc == kNoTime) return {};
      std::string text;
      AppendIsoTime(text, cell.local);
      return text + UtcOffsetText(cell.local - cell.utc);
    }
  }
  return {};
}

}  // namespace

ReportCell ReportCell::Of(std::string utf8) {
  return ReportCell{.kind = Kind::Text, .text = std::move(utf8)};
}

ReportCell ReportCell::Of(double value, std::string digits) {
  return ReportCell{.kind = Kind::Number, .text = std::move(digits), .number = value};
}

ReportCell ReportCell::Of(std::int64_t count) {
  return Of(static_cast<double>(count), std::to_string(count));
}

ReportCell ReportCell::At(std::int64_t local, std::int64_t utc) {
  if (local == kNoTime || utc == kNoTime) return {};
  ReportCell cell;
  cell.kind = Kind::Time;
  cell.local = local;
  cell.utc = utc;
  return cell;
}

std::string UtcOffsetText(std::int64_t seconds) {
  const char sign = seconds < 0 ? '-' : '+';
  const std::int64_t size = seconds < 0 ? -seconds : seconds;
  char text[16];
  int length =
      std::snprintf(text, sizeof text, "%c%02lld:%02lld", sign, static_cast<long long>(size / 3600),
                    static_cast<long long>(size / 60 % 60));
  if (size % 60 != 0)
    length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                            ":%02lld", static_cast<long long>(size % 60));
  return std::string(text, static_cast<std::size_t>(length));
}

std::string CsvHeader(const ReportTable& table) {
  std::string row;
  for (const ReportColumn& column : table.columns)
    row.append(row.empty() ? "" : ",").append(column.name);
  return row + "\n";
}

std::string CsvRows(const ReportTable& table, std::size_t first) {
  std::string out;
  for (std::size_t r = first; r < table.rows.size(); ++r) {
    const auto& cells = table.rows[r];
    for (std::size_t i = 0; i < cells.size(); ++i)
      out.append(i == 0 ? "" : ",").append(CsvField(cells[i]));
    out.append("\n");
  }
  return out;
}

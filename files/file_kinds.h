// What an open file is, judged on its bytes: one of the program's own pages, or a workbook.
#pragma once

#include <string_view>

#include "os_files.h"

// Whether the file holds `mark` in its first KiB, where the program writes it.
bool HoldsMark(OsFiles& os, int fd, std::string_view mark);
// Whether the file is a workbook (.xlsx): a zip archive whose list of parts, at its end,
// names the workbook part.
bool IsWorkbook(OsFiles& os, int fd);

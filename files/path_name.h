// A path cut into its folder and its last part, the way the system the program runs on
// spells paths: "/" here; on Windows also "\" and a drive's "C:".
#pragma once

#include <string>
#include <string_view>

// The folder part, with its final separator: "/data/" of "/data/day.csv"; empty for "day.csv".
std::string_view FolderOf(std::string_view path);
// The last part: "day.csv" of "/data/day.csv".
std::string_view BaseNameOf(std::string_view path);
// Whether Windows takes a name for a device wherever it stands: NUL, CON, PRN, AUX, COM1-9,
// LPT1-9, CONIN$, CONOUT$, in any letter case and with any extension ("nul.txt").
bool IsDeviceName(std::string_view name);
// Whether two names in one folder name one file: on Windows whatever their letter case.
bool SameName(std::string_view a, std::string_view b);
// `name` in `folder`, with the system's separator between them where the folder has none at
// its end: "out/day.kml"; on Windows "\\?\C:\out\day.kml".
std::string PathIn(std::string_view folder, std::string_view name);

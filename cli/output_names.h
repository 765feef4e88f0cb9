// Where each of the tool's files goes: every output of an export, and the index of pages.
#pragma once

#include <string>
#include <string_view>

// Where the KML of `input` goes: its save name (".kml", or `extension`, for ".csv"), in
// `outputDir` when one is given.
std::string OutputNameFor(const std::string& input, const std::string& outputDir,
                          std::string_view extension = ".kml");
// The index of several pages: beside the first export's page.
std::string IndexNameFor(const std::string& firstInput, const std::string& outputDir);
// The page's address from the index's folder, where links lead: both found as the system
// finds them, through links and "..".
std::string PageLink(const std::string& indexName, const std::string& page);

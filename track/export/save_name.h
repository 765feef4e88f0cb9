// The name the KML is saved under, derived from the name of the export that was opened.
#pragma once

#include <string>
#include <string_view>

// Every ".csv" becomes ".kml". A name without ".csv" never gives back itself, so a save can
// never write over the export: a final ".csv" in any letter case becomes ".kml", any other
// name gets ".kml" appended. An empty name stays empty.
// `extension` takes ".kml"'s place for the tool's other files (".gpx").
std::string SaveNameFor(std::string_view accepted, std::string_view extension = ".kml");

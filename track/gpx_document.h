// A GPX 1.1 document of a trip, for the apps that take GPX: one track named after the vehicle
// and described by its driver, one segment, a point per fix oldest first with its time and,
// in an extension of the project's own namespace, its speed in km/h. UTF-8, escaped as the
// KML is; a fix whose position does not read as a position is left out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "track_types.h"
#include "trip_points.h"

inline constexpr std::string_view kGpxExtensionsUri = "urn:trackkml:gpx-extensions:1";

std::string GpxDocument(const TrackHeader& header, const std::vector<TripPoint>& points);

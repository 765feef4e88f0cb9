// A GPX 1.1 document of a trip, for the apps that take GPX: one track named after the vehicle
// and described by its driver, a point per fix oldest first with its time and, in an extension
// of the project's own namespace, its speed in km/h. A new segment starts where reception was
// lost: after rows without a fix, when 60 s or more passed between the fixes around them.
// Positions and speeds are plain decimals, the export's own digits where it has them so; a
// fix whose position is not a position on Earth is left out, a speed that is not a speed has
// no element. UTF-8, escaped as the KML is.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "track_types.h"
#include "trip_points.h"

inline constexpr std::string_view kGpxExtensionsUri = "urn:trackkml:gpx-extensions:1";
inline constexpr std::int64_t kGpxSegmentGapSeconds = 60;

// Hands the document on in blocks of about a megabyte as the trip is read.
class GpxWriter final : public TripWriter {
 public:
  GpxWriter(const TrackHeader& header, std::function<void(std::string_view)> write);
  void Fix(const TripPoint& point) override;
  void NoFix() override { sinceFixWithout_ = true; }
  void End() override;

  std::size_t PointsLeftOut() const { return leftOut_; }

 private:
  void Flush();

  std::function<void(std::string_view)> write_;
  std::string out_;
  std::int64_t lastUtc_ = kNoTime;  // the time of the last point written
  bool sinceFixWithout_ = false;    // rows without a fix since that point
  std::size_t leftOut_ = 0;
};

// The whole document at once.
std::string GpxDocument(const TrackHeader& header, std::string_view exportText,
                        const RowTimes& times);

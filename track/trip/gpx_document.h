// A GPX 1.1 document of a trip, for the apps that take GPX: one track named after the vehicle
// and described by its driver, a point per fix in time order with its time and its speed, in
// m/s where viewers look for it (the TrackPointExtension's speed). Fixes out of time order
// are left out, as the trip's facts leave them out; an export in no order has its timed fixes
// put in time order. A new segment starts where reception was lost (after rows without a fix,
// when 60 s or more passed between the fixes around them) and after time without data.
// Positions and speeds are plain decimals, the export's own digits where it has them so; a
// fix whose position is not a position on Earth is left out, a speed that is not a speed has
// no element. UTF-8, escaped as the KML is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document_pieces.h"
#include "fix_times.h"
#include "track_types.h"

struct TripPoint;

inline constexpr std::string_view kGpxExtensionsUri =
    "http://www.garmin.com/xmlschemas/TrackPointExtension/v2";
inline constexpr std::int64_t kGpxSegmentGapSeconds = 60;

// The document in pieces: its head, the points a run of rows at a time in trip order, its end.
class GpxPieces final : public DocumentPieces {
 public:
  // Views `text`, `header` and `times` (as ReadRowTimes and PutUtcTimes made them from the
  // text), which must outlive the pieces.
  GpxPieces(const TrackHeader& header, std::string_view text, const RowTimes& times);

  std::size_t Count() const override { return runs_ + 2; }
  ConversionCounts Append(std::size_t i, std::string& out) const override;

 private:
  void AppendHead(std::string& out) const;
  void AppendRun(std::size_t run, std::string& out) const;
  void AppendTimeOrderedRun(std::size_t run, std::string& out) const;
  // The trip's position of run `run`'s first row.
  std::size_t FirstOfRun(std::size_t run) const;

  const TrackHeader& header_;
  const RowTimes& times_;
  std::string_view rows_;             // the data rows
  std::size_t runs_ = 0;              // of kRowsPerRun rows, from the top
  std::vector<std::size_t> borders_;  // where each run starts in rows_; its end
  // In an export in no order, where each timed entry's row starts in rows_; the runs are then
  // of kRowsPerRun entries in time order.
  std::vector<std::size_t> offsets_;
  // Where the segment stands at a point: the time of the last point written and whether it
  // stood, and whether rows without a fix came since. A fix without a position is not
  // written and changes nothing.
  struct Segment {
    std::int64_t lastPointUtc = kNoTime;
    bool lastStanding = false;
    bool sinceFixWithout = false;
  };
  static void AppendPoint(std::string& out, const TripPoint& p, Segment& state);
  std::vector<Segment> before_;  // as each run begins, in trip order
};

// A GPX 1.1 document of a trip, for the apps that take GPX: one track named after the vehicle
// and described by its driver, a point per fix oldest first with its time and, in an extension
// of the project's own namespace, its speed in km/h. A new segment starts where reception was
// lost: after rows without a fix, when 60 s or more passed between the fixes around them.
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

inline constexpr std::string_view kGpxExtensionsUri = "urn:trackkml:gpx-extensions:1";
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
  // The trip's position of run `run`'s first row.
  std::size_t FirstOfRun(std::size_t run) const;

  const TrackHeader& header_;
  const RowTimes& times_;
  std::string_view rows_;             // the data rows
  std::size_t runs_ = 0;              // of kRowsPerRun rows, from the top
  std::vector<std::size_t> borders_;  // where each run starts in rows_; its end
  // Where the segment stands as each run begins, in trip order.
  struct SegmentState {
    std::int64_t lastPointUtc;  // the time of the last point written
    bool sinceFixWithout;       // rows without a fix came since
  };
  std::vector<SegmentState> before_;
};

// The whole document at once.
std::string GpxDocument(const TrackHeader& header, std::string_view text, const RowTimes& times);

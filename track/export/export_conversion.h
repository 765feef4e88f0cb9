// The one conversion of an export, for the window and the tool alike: its summary lines and
// its KML document, handed on in large blocks, in the order the document needs them. No text
// is held per field or per point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document_pieces.h"
#include "fix_times.h"
#include "kml_document.h"
#include "track_types.h"

// The document after its preamble, cut into pieces that can be made apart from each other,
// on any thread, and joined in order: the body's start, the route line a run of rows at a
// time, the rest of the body, the markers a run of rows at a time, the closing. Rows are read
// from the last line up, as the document lists them.
class KmlPieces final : public DocumentPieces {
 public:
  // Views `text` (lines broken by CR LF, as a pane holds them), which must outlive the pieces.
  // With `rowTimes` (read from the same text, with their UTC instants), every marker whose
  // row has an instant gets its TimeStamp.
  // `breaks`: how the text's lines are broken (see line_view.h).
  explicit KmlPieces(std::string_view text, const RowTimes* rowTimes = nullptr,
                     LineBreaks breaks = LineBreaks::CrLf);

  const TrackHeader& Header() const { return header_; }
  std::size_t Count() const override { return 2 * runs_ + 3; }
  // Appends piece i to kml, every line followed by CR LF; the route line's pieces also append
  // their summary lines to summary when it is given, and count the rows they read.
  ConversionCounts Append(std::size_t i, std::string& kml, std::string* summary) const;
  ConversionCounts Append(std::size_t i, std::string& kml) const override {
    return Append(i, kml, nullptr);
  }

 private:
  void AppendRoute(std::size_t run, std::string& kml, std::string* summary,
                   ConversionCounts& counts) const;
  void AppendMarkers(std::size_t run, std::string& kml) const;
  // The lines of a run, in the order of the text.
  std::string_view RunText(std::size_t run) const;

  std::string_view text_;
  const RowTimes* rowTimes_;
  TrackHeader header_;
  KmlHeaderTexts texts_;
  std::size_t runs_ = 0;
  std::vector<std::size_t> borders_;  // where each run starts in the text, from the top; the end
};

class ConversionOutput {
 public:
  virtual ~ConversionOutput() = default;
  // Summary lines (Windows-1253), each followed by CR LF: the four header lines, then one
  // per fix from the last row up.
  virtual void Summary(std::string_view lines) = 0;
  // The document after its preamble (KmlPreamble), every line followed by CR LF.
  virtual void Kml(std::string_view bytes) = 0;
};

// The pieces made one after the other on the calling thread.
ConversionCounts ConvertExport(std::string_view text, ConversionOutput& out,
                               LineBreaks breaks = LineBreaks::CrLf);

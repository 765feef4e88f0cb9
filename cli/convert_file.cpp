#include "convert_file.h"

#include <unistd.h>

#include <functional>

#include "file_handle.h"
#include "file_messages.h"
#include "kml_document.h"
#include "line_view.h"
#include "path_name.h"
#include "piece_writer.h"
#include "save_name.h"
#include "text_loader.h"

namespace {

// The window cannot open more than this, so the tool converts no more either. A pipe is
// waited for, as any tool reading one does.
constexpr LoadRules kExportRules{.limit = 0x7FFFFFFF,
                                 .tooLarge = file_messages::kExportTooLarge,
                                 .waitForWriter = true,
                                 .asTheFileBreaksLines = true};

// The document after its preamble, its pieces made on several threads and written in order.
ConversionCounts ConvertDocument(std::string_view exportText, LineBreaks breaks,
                                 const WriteBytes& write, const RowTimes* rowTimes,
                                 unsigned threads = 0) {
  write(KmlPreamble());
  return WritePiecesInOrder(KmlPieces(exportText, rowTimes, breaks), write,
                            threads != 0 ? threads : PieceThreads());
}

}  // namespace

LoadedText LoadExport(const std::string& name, OsFiles& os) {
  if (name == "-") return LoadTextFrom(os, STDIN_FILENO, name, kExportRules);
  return LoadText(os, name, kExportRules);
}

ConversionCounts ConvertInto(std::string_view exportText, LineBreaks breaks, AtomicFile& file,
                             const RowTimes* rowTimes, unsigned threads) {
  return ConvertDocument(
      exportText, breaks, [&file](std::string_view bytes) { file.Write(bytes); }, rowTimes,
      threads);
}

ConversionCounts ConvertToDescriptor(std::string_view exportText, LineBreaks breaks, int fd,
                                     OsFiles& os, const RowTimes* rowTimes) {
  return ConvertDocument(
      exportText, breaks, [&](std::string_view bytes) { WriteAll(os, fd, bytes); }, rowTimes);
}

void WriteSummary(std::string_view exportText, LineBreaks breaks, int fd, OsFiles& os) {
  // The summary alone: the document's pieces are not made.
  struct SummaryOnly final : ConversionOutput {
    std::function<void(std::string_view)> write;
    void Summary(std::string_view lines) override { write(lines); }
    void Kml(std::string_view) override {}
  } out;
  out.write = [&](std::string_view lines) { WriteAll(os, fd, lines); };
  ConvertExport(exportText, out, breaks);
}

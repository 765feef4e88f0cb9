#include "convert_file.h"

#include <unistd.h>

#include "atomic_file.h"
#include "export_reader.h"
#include "file_handle.h"
#include "line_block_writer.h"
#include "line_view.h"
#include "path_name.h"
#include "save_name.h"
#include "text_loader.h"

namespace {

// The window cannot open more than this, so the tool converts no more either.
// A pipe is waited for, as any tool reading one does.
constexpr LoadRules kExportRules{.limit = 0x7FFFFFFF,
                                 .tooLarge = "The export is larger than the 2 GiB a window opens",
                                 .waitForWriter = true};

ConversionCounts StreamKml(std::string_view exportText, LineBlockWriter& out) {
  const ExportLines lines = SplitLines(exportText);
  const auto counts = WriteExportAsKml(lines, [&out](std::string_view line) { out.Line(line); });
  out.Finish();
  return counts;
}

}  // namespace

std::string LoadExport(const std::string& name, OsFiles& os) {
  if (name == "-") return LoadTextFrom(os, STDIN_FILENO, name, kExportRules).text;
  return LoadText(os, name, kExportRules).text;
}

ConversionCounts ConvertToFile(std::string_view exportText, const std::string& output,
                               OsFiles& os) {
  AtomicFile file(output, os);
  LineBlockWriter out([&file](std::string_view block) { file.Write(block); });
  const auto counts = StreamKml(exportText, out);
  file.Commit();
  return counts;
}

ConversionCounts ConvertToDescriptor(std::string_view exportText, int fd, OsFiles& os) {
  LineBlockWriter out([&](std::string_view block) { WriteAll(os, fd, block); });
  return StreamKml(exportText, out);
}

void WriteSummary(std::string_view exportText, int fd, OsFiles& os) {
  LineBlockWriter out([&](std::string_view block) { WriteAll(os, fd, block); });
  for (const auto& line : ReadExport(SplitLines(exportText)).summary)
    out.Line(line);
  out.Finish();
}

std::string OutputNameFor(const std::string& input, const std::string& outputDir) {
  if (outputDir.empty()) return SaveNameFor(input);
  std::string folder = outputDir;
  if (!BaseNameOf(folder).empty()) folder.push_back('/');
  return folder + SaveNameFor(BaseNameOf(input));
}

#include "convert_file.h"

#include <unistd.h>

#include "atomic_file.h"
#include "export_reader.h"
#include "file_errors.h"
#include "save_name.h"

namespace {

void WriteAll(OsFiles& os, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const long n = os.WriteSome(fd, bytes.data(), bytes.size());
    if (n <= 0) throw WriteError();
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

ConversionCounts StreamKml(TextPane& pane, LineBlockWriter& out) {
  const ExportLines lines = pane.Lines();
  const auto counts = WriteExportAsKml(lines, [&out](std::string_view line) { out.Line(line); });
  out.Finish();
  return counts;
}

}  // namespace

void LoadExport(TextPane& pane, const std::string& name, OsFiles& os) {
  if (name == "-") {
    pane.LoadBytes(ReadUntilEnd(os, STDIN_FILENO, "-"));
  } else {
    pane.LoadTextFile(name);
  }
}

ConversionCounts ConvertToFile(TextPane& pane, const std::string& output, OsFiles& os) {
  AtomicFile file(output, os);
  LineBlockWriter out([&file](std::string_view block) { file.Write(block); });
  const auto counts = StreamKml(pane, out);
  file.Commit();
  return counts;
}

ConversionCounts ConvertToDescriptor(TextPane& pane, int fd, OsFiles& os) {
  LineBlockWriter out([&](std::string_view block) { WriteAll(os, fd, block); });
  return StreamKml(pane, out);
}

void WriteSummary(TextPane& pane, int fd, OsFiles& os) {
  LineBlockWriter out([&](std::string_view block) { WriteAll(os, fd, block); });
  for (const auto& line : ReadExport(pane.Lines()).summary)
    out.Line(line);
  out.Finish();
}

std::string OutputNameFor(const std::string& input, const std::string& outputDir) {
  if (outputDir.empty()) return SaveNameFor(input);
  const auto slash = input.rfind('/');
  const std::string base = slash == std::string::npos ? input : input.substr(slash + 1);
  std::string folder = outputDir;
  if (!folder.ends_with('/')) folder.push_back('/');
  return folder + SaveNameFor(base);
}

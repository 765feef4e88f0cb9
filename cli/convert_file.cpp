#include "convert_file.h"

#include <unistd.h>

#include <functional>

#include "atomic_file.h"
#include "background_writer.h"
#include "file_handle.h"
#include "kml_document.h"
#include "line_view.h"
#include "path_name.h"
#include "save_name.h"
#include "text_loader.h"

namespace {

// The window cannot open more than this, so the tool converts no more either. A pipe is
// waited for, as any tool reading one does.
constexpr LoadRules kExportRules{.limit = 0x7FFFFFFF,
                                 .tooLarge = "The export is larger than the 2 GiB a window opens",
                                 .waitForWriter = true};

// The conversion's output, each stream to where it goes or nowhere.
class Streams final : public ConversionOutput {
 public:
  using Sink = std::function<void(std::string_view)>;
  Streams(Sink summary, Sink kml) : summary_(std::move(summary)), kml_(std::move(kml)) {}
  void Summary(std::string_view lines) override {
    if (summary_) summary_(lines);
  }
  void Kml(std::string_view bytes) override {
    if (kml_) kml_(bytes);
  }
  bool TakesSummary() const override { return static_cast<bool>(summary_); }

 private:
  Sink summary_, kml_;
};

ConversionCounts ConvertDocument(std::string_view exportText, const Streams::Sink& write) {
  write(KmlPreamble());
  Streams out(nullptr, write);
  return ConvertExport(SplitLines(exportText), out);
}

}  // namespace

std::string LoadExport(const std::string& name, OsFiles& os) {
  if (name == "-") return LoadTextFrom(os, STDIN_FILENO, name, kExportRules).text;
  return LoadText(os, name, kExportRules).text;
}

ConversionCounts ConvertToFile(std::string_view exportText, const std::string& output,
                               OsFiles& os) {
  AtomicFile file(output, os);
  ConversionCounts counts;
  {
    // The document is made while its first blocks are already on their way to the disk.
    BackgroundWriter writer([&file](std::string_view bytes) { file.Write(bytes); });
    counts =
        ConvertDocument(exportText, [&writer](std::string_view bytes) { writer.Write(bytes); });
    writer.Finish();
  }
  file.Commit();
  return counts;
}

ConversionCounts ConvertToDescriptor(std::string_view exportText, int fd, OsFiles& os) {
  return ConvertDocument(exportText, [&](std::string_view bytes) { WriteAll(os, fd, bytes); });
}

void WriteSummary(std::string_view exportText, int fd, OsFiles& os) {
  Streams out([&](std::string_view lines) { WriteAll(os, fd, lines); }, nullptr);
  ConvertExport(SplitLines(exportText), out);
}

std::string OutputNameFor(const std::string& input, const std::string& outputDir) {
  if (outputDir.empty()) return SaveNameFor(input);
  std::string folder = outputDir;
  if (!BaseNameOf(folder).empty()) folder.push_back('/');
  return folder + SaveNameFor(BaseNameOf(input));
}

// trackkml-cli: converts many exports at once, with the window's own conversion and files.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "cli_options.h"
#include "console.h"
#include "convert_file.h"
#include "day_page.h"
#include "export_outputs.h"
#include "export_reader.h"
#include "file_kinds.h"
#include "file_messages.h"
#include "fix_times.h"
#include "gpx_document.h"
#include "line_view.h"
#include "output_folder.h"
#include "output_names.h"
#include "path_name.h"
#include "path_text.h"
#include "program_args.h"
#include "save_rules.h"
#include "shown_text.h"
#include "standard_output.h"
#include "time_zone.h"
#include "tool_messages.h"
#include "trip_workbook.h"
#include "utc_times.h"

using namespace tool_messages;

namespace {

struct Progress {
  bool show = false;
  std::size_t total = 0;
  std::size_t done = 0;
  std::size_t points = 0;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  void Update() const {
    if (!show) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = seconds > 0 ? static_cast<double>(points) / seconds : 0.0;
    const std::string line = Filled(kProgress, {std::to_string(done), std::to_string(total),
                                                std::to_string(std::llround(rate))});
    std::fputs(line.c_str(), stderr);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
  }
};

void ReportError(const std::string& file, const std::exception& error) {
  // The library's word for it would say nothing to the user.
  const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
  const auto* appError = dynamic_cast<const AppError*>(&error);
  const std::string message = memory                ? DisplayMessage(kNoMemory)
                              : appError != nullptr ? DisplayMessageWithReason(*appError)
                                                    : DisplayMessage(error.what());
  // A message that names the file itself (it cannot be opened) names it once.
  const bool named = appError != nullptr && !appError->Subject().empty() &&
                     appError->Subject() == SystemFiles().FullPath(file);
  std::cerr << kProgram << (named ? "" : Shown(file) + ": ") << Shown(message) << '\n';
}

void ReportUsageError(const std::string& reason) {
  std::cerr << kProgram << reason << '\n' << kUsageLine << '\n' << kTryHelp << '\n';
}

// The zone is read once, before any file, when the options need times or name one: a name
// it does not know is a usage error, a missing database a failure.
std::unique_ptr<ZoneClock> ReadZone(const CliOptions& options) {
  if (!options.NeedsTimes() && !options.timeZone) return nullptr;
  const std::string name = options.timeZone.value_or(std::string(kServiceZone));
  // A name that is no zone name is a usage error, database or not.
  if (!IsZoneName(name)) throw UnknownZone(name);
  if (const auto database = ZoneClock::MissingDatabase()) throw AppError(*database);
  return std::make_unique<ZoneClock>(name);
}

// A text cut at a NUL byte is converted as the window shows it, and said: the run fails.
bool ReportCut(const std::string& file, const LoadReport& loaded) {
  if (!loaded.nulAt) return false;
  ReportError(file, AppError(Filled(file_messages::kCutAtNul, {std::to_string(*loaded.nulAt)})));
  return true;
}

// The one file of --stdout and --summary, to standard output.
int WriteToStandardOutput(const CliOptions& options, const ZoneClock* zone, OsFiles& os) {
  const std::string& file = options.files.front();
  LoadedText loaded;
  try {
    loaded = LoadExport(file, os);
  } catch (const std::exception& error) {
    ReportError(file, error);
    return 1;
  }
  const std::string_view text = loaded.text;
  try {
    if (options.summary) {
      WriteSummary(text, loaded.breaks, STDOUT_FILENO, os);
    } else if (options.timestamps) {
      RowTimes times = ReadRowTimes(ReadTrackHeader(text, loaded.breaks), text);
      PutUtcTimes(times, *zone);
      ConvertToDescriptor(text, loaded.breaks, STDOUT_FILENO, os, &times);
    } else {
      ConvertToDescriptor(text, loaded.breaks, STDOUT_FILENO, os);
    }
  } catch (const AppError& error) {  // what fails here is the writing
    std::cerr << kProgram << Filled(kStandardOutput, {Shown(DisplayMessageWithReason(error))})
              << '\n';
    return 1;
  } catch (const std::exception& error) {
    ReportError(file, error);
    return 1;
  }
  return ReportCut(file, loaded) ? 1 : 0;
}

// The line that says what one export became.
std::string ConvertedLine(const std::string& file,
                          const std::vector<std::unique_ptr<AtomicFile>>& outputs,
                          const ExportResult& result, bool timed) {
  std::string names = Shown(outputs[0]->Name());
  for (std::size_t i = 1; i < outputs.size(); ++i)
    names = Filled(kAndOutput, {names, Shown(outputs[i]->Name())});
  std::string line = Filled(kConverted, {Shown(file), names, std::to_string(result.counts.points),
                                         std::to_string(result.counts.skipped)});
  if (timed && result.withoutTime != 0)
    line += Filled(kWithoutTime, {std::to_string(result.withoutTime)});
  return line + '\n';
}

// Every output of the run is found and checked before any is written: none may be a file
// given to be converted, nor one file for two outputs. A refusal waits until its export is
// read, so that a missing export says so first.
struct Claims {
  // Each export's outputs: their claim, or why they may not be written.
  struct Export {
    int claim = 0;
    std::exception_ptr refusal;
  };
  std::vector<Export> exports;
  std::optional<int> workbook;
  std::optional<int> index;
  std::string indexName;
  std::exception_ptr indexRefusal;  // the exports are converted all the same
};

// Saves the index of the pages written. A file of that name that this tool did not write is
// someone's own, and kept (see IndexOutput).
bool SaveIndex(const Claims& claims, const std::vector<DayIndexEntry>& days, SaveRules& rules,
               OsFiles& os, bool report) {
  try {
    if (claims.indexRefusal) std::rethrow_exception(claims.indexRefusal);
    const auto files = rules.Open(*claims.index);
    files[0]->Write(DayIndexPage(days));
    CommitTogether(files, os);
    if (report)
      std::cerr << Filled(kIndexWritten, {Shown(claims.indexName), std::to_string(days.size())})
                << '\n';
    return true;
  } catch (const std::exception& error) {
    ReportError(claims.indexName, error);
    return false;
  }
}

// The index replaces only an index of the tool's own, judged on the file itself: not through
// a link (it would break the links of an index elsewhere), and never a pipe or device.
SaveOutput IndexOutput(const std::string& name, OsFiles& os) {
  SaveOutput output{"index", name};
  output.isOwn = [](OsFiles& files, int fd) { return HoldsMark(files, fd, kPageGenerator); };
  output.refusal = Filled(kNotOurIndex, {os.FullPath(name)});
  output.followLink = false;
  return output;
}

// The workbook replaces only a workbook.
SaveOutput WorkbookOutput(const std::string& name, OsFiles& os) {
  SaveOutput output{"workbook", name};
  output.isOwn = [](OsFiles& files, int fd) { return IsWorkbook(files, fd); };
  output.refusal = Filled(kNotAWorkbook, {os.FullPath(name)});
  return output;
}

Claims ClaimOutputs(SaveRules& rules, const CliOptions& options, OsFiles& os) {
  Claims claims;
  for (const auto& file : options.files)
    rules.Protect(file);
  for (const auto& file : options.files) {
    Claims::Export& claimed = claims.exports.emplace_back();
    try {
      claimed.claim = rules.Claim(file, OutputsFor(file, options));
    } catch (const AppError&) {
      claimed.refusal = std::current_exception();
    }
  }
  if (!options.workbook.empty())
    claims.workbook = rules.Claim(options.workbook, {WorkbookOutput(options.workbook, os)});
  if (options.html && options.files.size() > 1) {
    claims.indexName = IndexNameFor(options.files.front(), options.outputDir);
    try {
      claims.index = rules.Claim(claims.indexName, {IndexOutput(claims.indexName, os)});
    } catch (const AppError&) {
      claims.index = -1;
      claims.indexRefusal = std::current_exception();
    }
  }
  return claims;
}

// The workbook of the run's facts, begun before any export is read, and its file opened then
// too: a workbook that cannot be written stops the run before anything is.
struct Workbook {
  std::vector<std::unique_ptr<AtomicFile>> file;
  std::unique_ptr<TripWorkbook> book;
};

// Saves the workbook, once at least one export gave it its rows; an old one is kept otherwise.
bool SaveWorkbook(const std::string& name, Workbook& workbook, std::size_t converted, OsFiles& os) {
  try {
    if (converted == 0) throw AppError(std::string(kNothingConverted));
    workbook.file[0]->Write(workbook.book->Finish());
    CommitTogether(workbook.file, os);
    return true;
  } catch (const std::exception& error) {
    ReportError(name, error);
    return false;
  }
}

int Run(const CliOptions& options) {
  OsFiles& os = SystemFiles();
  StandardOutput out(os);
  std::unique_ptr<ZoneClock> zone;
  try {
    zone = ReadZone(options);
  } catch (const AppError& error) {
    if (error.Kind() == ErrorKind::Usage) throw;
    std::cerr << kProgram << Shown(error.what()) << '\n';
    return 1;
  }
  const ZoneClock* clock = options.NeedsTimes() ? zone.get() : nullptr;
  if (options.toStdout || options.summary) return WriteToStandardOutput(options, clock, os);

  Progress progress;
  progress.total = options.files.size();
  progress.show = !options.quiet && progress.total > 1 && IsTerminal(STDERR_FILENO);
  // With a report, standard output holds the report alone.
  const bool perFileToStdout = options.report == CliOptions::Report::None;
  // The per-file lines go wherever they do not fight the progress line for the terminal.
  const bool report =
      !options.quiet && (!progress.show || (perFileToStdout && !IsTerminal(STDOUT_FILENO)));
  if (!options.outputDir.empty()) {
    try {
      MakeFolders(options.outputDir, os);
    } catch (const AppError& error) {  // it names the folder itself
      std::cerr << kProgram << Shown(DisplayMessageWithReason(error)) << '\n';
      return 1;
    }
  }

  SaveRules rules(os);
  Claims claims;
  Workbook workbook;
  try {
    claims = ClaimOutputs(rules, options, os);
    if (claims.workbook) {
      workbook.file = rules.Open(*claims.workbook);
      workbook.book = std::make_unique<TripWorkbook>(zone->Name(), os);
    }
  } catch (const AppError& error) {  // the workbook may not be written: nothing is
    ReportError(options.workbook, error);
    return 1;
  }

  ExportConverter converter(options, clock, workbook.book.get());
  std::size_t converted = 0, withoutFix = 0;
  std::vector<DayIndexEntry> days;
  out.Write(converter.ReportHeader());

  int status = 0;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    const std::string& file = options.files[i];
    try {
      const LoadedText loaded = LoadExport(file, os);
      const std::string_view text = loaded.text;
      // A text with no column-title row is no export: nothing is made of it.
      if (!ReadTrackHeader(text, loaded.breaks).titlesFound)
        throw AppError(ErrorKind::NotAnExport, std::string(kNotAnExport));
      if (claims.exports[i].refusal) std::rethrow_exception(claims.exports[i].refusal);
      const auto outputs = rules.Open(claims.exports[i].claim);
      const ExportResult result = converter.Convert(Shown(file), text, loaded.breaks, outputs);
      progress.points += result.counts.points;
      // Every output whole before any replaces its file.
      CommitTogether(outputs, os);
      ++converted;
      if (result.counts.points == 0) ++withoutFix;
      out.Write(result.report);
      if (result.day && claims.index) {
        days.push_back(*result.day);
        days.back().link = PageLink(claims.indexName, outputs.back()->Name());
      }
      if (report) {
        const std::string line = ConvertedLine(file, outputs, result, clock != nullptr);
        if (perFileToStdout) {
          out.Write(line);
        } else {
          std::cerr << line;
        }
      }
      if (ReportCut(file, loaded)) status = 1;
    } catch (const std::exception& error) {
      if (progress.show) std::fputc('\n', stderr);
      ReportError(file, error);
      status = 1;
    }
    ++progress.done;
    progress.Update();
  }
  if (claims.index && !days.empty() && !SaveIndex(claims, days, rules, os, report)) status = 1;
  if (workbook.book) {
    if (SaveWorkbook(options.workbook, workbook, converted, os)) {
      if (report) std::cerr << Filled(kWorkbookWritten, {Shown(options.workbook)}) << '\n';
    } else {
      status = 1;
    }
  }
  if (!options.quiet && options.files.size() > 1) {
    std::string closing = Filled(
        kClosing, {std::to_string(converted), std::to_string(options.files.size() - converted)});
    if (withoutFix != 0) closing += Filled(kWithoutFix, {std::to_string(withoutFix)});
    closing += '\n';
    if (perFileToStdout && report) {
      out.Write(closing);
    } else {
      std::cerr << closing;
    }
  }
  return out.Failed() ? 1 : status;
}

// The whole run of the command line; its exit status.
int RunCommandLine(int argc, char** argv) {
  CliOptions options;
  try {
    options = ParseCliOptions(ReadProgramArguments(argc, argv));
  } catch (const AppError& error) {
    ReportUsageError(error.what());
    return 2;
  }
  if (options.help || options.version) {
    // Written as the reports are, so that a help that cannot be written fails the run.
    StandardOutput out(SystemFiles());
    out.Write(options.help ? HelpText() : Filled(kVersionLine, {TRACKKML_VERSION}) + '\n');
    return out.Failed() ? 1 : 0;
  }
  try {
    return Run(options);
  } catch (const AppError& error) {
    if (error.Kind() != ErrorKind::Usage) {
      std::cerr << kProgram << Shown(DisplayMessageWithReason(error)) << '\n';
      return 1;
    }
    ReportUsageError(error.what());  // the options could not be used: an unknown time zone
    return 2;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  UseUtf8Console();
#ifndef _WIN32
  // A pipe whose reader has gone fails that write with its reason, not the whole run.
  std::signal(SIGPIPE, SIG_IGN);
#endif
  const int status = RunCommandLine(argc, argv);
  std::cout.flush();
  KeepOwnConsoleOpen(kPressAKey);
  return status;
}

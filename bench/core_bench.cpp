// Throughput of the conversion core: ReadExport + WritePreamble + WriteTrack on a generated
// realistic export, reported as MB of KML per second.
#include <benchmark/benchmark.h>

#include "export_generator.h"
#include "export_reader.h"
#include "kml_writer.h"
#include "line_view.h"

namespace {

void BM_ReadExportAndWriteTrack(benchmark::State& state) {
  ExportShape shape;
  shape.rows = static_cast<std::size_t>(state.range(0));
  const auto generated = GenerateExport(shape);
  const ExportLines lines = SplitLines(generated.bytes);

  std::size_t kmlBytes = 0;
  for (auto _ : state) {
    kmlBytes = 0;
    const TrackExport track = ReadExport(lines);
    KmlWriter writer([&kmlBytes](std::string_view line) { kmlBytes += line.size() + 2; });
    writer.WritePreamble();
    writer.WriteTrack(track.header, track.points);
    benchmark::DoNotOptimize(kmlBytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(kmlBytes) * state.iterations());
  state.counters["kml_MB"] = static_cast<double>(kmlBytes) / 1e6;
}
BENCHMARK(BM_ReadExportAndWriteTrack)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

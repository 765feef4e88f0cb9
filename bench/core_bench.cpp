// Throughput of the one conversion on a generated realistic export, reported as MB of KML per
// second.
#include <benchmark/benchmark.h>

#include "export_conversion.h"
#include "export_generator.h"
#include "kml_document.h"
#include "line_view.h"

namespace {

void BM_ConvertExport(benchmark::State& state) {
  ExportShape shape;
  shape.rows = static_cast<std::size_t>(state.range(0));
  const auto generated = GenerateExport(shape);
  const ExportLines lines = SplitLines(generated.bytes);

  std::size_t kmlBytes = 0;
  for (auto _ : state) {
    struct Count final : ConversionOutput {
      std::size_t bytes = 0;
      void Summary(std::string_view) override {}
      void Kml(std::string_view b) override { bytes += b.size(); }
    } out;
    ConvertExport(lines, out);
    kmlBytes = KmlPreamble().size() + out.bytes;
    benchmark::DoNotOptimize(kmlBytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(kmlBytes) * state.iterations());
  state.counters["kml_MB"] = static_cast<double>(kmlBytes) / 1e6;
}
BENCHMARK(BM_ConvertExport)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

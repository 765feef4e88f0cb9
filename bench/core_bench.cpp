// Throughput of the one conversion on a generated realistic export, reported as MB of KML per
// second.
#include <benchmark/benchmark.h>

#include "export_conversion.h"
#include "export_generator.h"
#include "kml_document.h"
#include "line_view.h"
#include "text_loader.h"

namespace {

void BM_ConvertExport(benchmark::State& state) {
  ExportShape shape;
  shape.rows = static_cast<std::size_t>(state.range(0));
  const auto generated = GenerateExport(shape);

  std::size_t kmlBytes = 0;
  for (auto _ : state) {
    struct Count final : ConversionOutput {
      std::size_t bytes = 0;
      void Summary(std::string_view) override {}
      void Kml(std::string_view b) override { bytes += b.size(); }
    } out;
    ConvertExport(generated.bytes, out);
    kmlBytes = KmlPreamble().size() + out.bytes;
    benchmark::DoNotOptimize(kmlBytes);
  }
  state.SetBytesProcessed(static_cast<int64_t>(kmlBytes) * state.iterations());
  state.counters["kml_MB"] = static_cast<double>(kmlBytes) / 1e6;
}
BENCHMARK(BM_ConvertExport)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The two steps before the conversion: the bytes made into pane text, and the text into lines.
void BM_TextFromBytes(benchmark::State& state) {
  const auto generated =
      GenerateExport(ExportShape{.rows = static_cast<std::size_t>(state.range(0))});
  for (auto _ : state) {
    state.PauseTiming();
    std::string bytes = generated.bytes;
    state.ResumeTiming();
    benchmark::DoNotOptimize(
        TextFromBytes(std::move(bytes), LoadRules{.limit = 0x7FFFFFFF, .tooLarge = ""}));
  }
  state.SetBytesProcessed(static_cast<int64_t>(generated.bytes.size()) * state.iterations());
}
BENCHMARK(BM_TextFromBytes)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_SplitLines(benchmark::State& state) {
  const auto generated =
      GenerateExport(ExportShape{.rows = static_cast<std::size_t>(state.range(0))});
  for (auto _ : state)
    benchmark::DoNotOptimize(SplitLines(generated.bytes));
  state.SetBytesProcessed(static_cast<int64_t>(generated.bytes.size()) * state.iterations());
}
BENCHMARK(BM_SplitLines)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

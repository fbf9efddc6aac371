// The submission flow's use of a document (construct, Parse a typical reply, read "msg" twice,
// destroy) beside the least any engine-based reading costs: a bare Duktape heap evaluating the
// same reply, then destroyed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "bench/json/heap_counter.h"
#include "duktape.h"
#include "json/json_document.h"
#include "platform/codepage/codepage.h"

namespace {

// {"code":0,"msg":"数据提交成功","data":{"step":12345}} in GBK, as the flow hands it over.
const Text kReply =
    "{\"code\":0,\"msg\":\"\xCA\xFD\xBE\xDD\xCC\xE1\xBD\xBB\xB3\xC9\xB9\xA6\",\"data\":{\"step\":"
    "12345}}";

void ReportPeak(benchmark::State& state, std::ptrdiff_t peak) {
  state.counters["peak_bytes"] = static_cast<double>(peak);
}

void DocumentCycle(benchmark::State& state) {
  std::ptrdiff_t peak = 0;
  for (auto _ : state) {
    ResetHeapPeak();
    {
      JsonDocument document;
      document.Parse(kReply);
      Text first = document.GetText("msg");
      Text second = document.GetText("msg");
      benchmark::DoNotOptimize(first);
      benchmark::DoNotOptimize(second);
    }
    peak = std::max(peak, HeapPeakSinceReset());
  }
  ReportPeak(state, peak);
}
BENCHMARK(DocumentCycle)->Unit(benchmark::kMicrosecond);

void BareEngineBaseline(benchmark::State& state) {
  const std::string script = "var da = eval(" + Utf8FromGbk(kReply) + ")";
  std::ptrdiff_t peak = 0;
  for (auto _ : state) {
    ResetHeapPeak();
    duk_context* heap = duk_create_heap_default();
    duk_peval_lstring_noresult(heap, script.data(), script.size());
    duk_destroy_heap(heap);
    peak = std::max(peak, HeapPeakSinceReset());
  }
  ReportPeak(state, peak);
}
BENCHMARK(BareEngineBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

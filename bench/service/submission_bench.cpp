// How much of a step submission is the password hash: the hash alone against the whole
// submission (query checks, hash, SQLite upsert with a synchronous commit) without HTTP.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "service/account_store.h"
#include "service/password_hash.h"
#include "service/rate_limiter.h"
#include "service/submission.h"

namespace step_service {
namespace {

void BM_VerifyPassword(benchmark::State& state) {
  const auto stored = HashPassword("correct horse");
  ScryptArea area;
  for (auto _ : state) benchmark::DoNotOptimize(VerifyPassword("correct horse", *stored, area));
}
BENCHMARK(BM_VerifyPassword)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Submit(benchmark::State& state) {
  std::string folder = (std::filesystem::temp_directory_path() / "service-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  {
    auto store = AccountStore::Open(folder + "/steps.db", true);
    store->AddAccount("li", *HashPassword("correct horse"));
    RateLimiter limiter(5, std::chrono::minutes(10));
    SubmissionDesk desk(*store, limiter);
    std::string account;
    ScryptArea area;
    int step = 0;
    for (auto _ : state) {
      const std::string query =
          "user=li&password=correct%20horse&step=" + std::to_string(++step % 98800);
      const Reply reply = desk.Submit(query, "127.0.0.1", area, account);
      if (reply.status != 200) state.SkipWithError("submission refused");
    }
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_Submit)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace step_service

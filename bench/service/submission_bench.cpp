// How much of a step submission is the password hash and how much the store: the hash alone
// against the whole submission (query checks, back-off look-ups, hash, upsert with a durable
// commit) without HTTP, on a SQLite file and, when BENCH_POSTGRES_URI names a database, on
// PostgreSQL (bench/service/store_compare.sh sets it).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>

#include "service/account_store.h"
#include "service/password_hash.h"
#include "service/rate_limiter.h"
#include "service/submission.h"

namespace step_service {
namespace {

void BM_VerifyPassword(benchmark::State& state) {
  const auto stored = HashPassword("correct horse");
  for (auto _ : state) benchmark::DoNotOptimize(VerifyPassword("correct horse", *stored));
}
BENCHMARK(BM_VerifyPassword)->Unit(benchmark::kMillisecond)->UseRealTime();

void SubmitRepeatedly(benchmark::State& state, const std::string& location) {
  auto store = AccountStore::Open(location, true);
  if (!store) {
    state.SkipWithError("cannot open the store");
    return;
  }
  const auto hash = HashPassword("correct horse");
  if (!hash || store->AddAccount("li", *hash) == StoreResult::kFailed) {
    state.SkipWithError("cannot add the account");
    return;
  }
  RateLimiter limiter(*store, BackOffLimits{});
  SubmissionDesk desk(*store, limiter);
  std::string account;
  int step = 0;
  for (auto _ : state) {
    const std::string query =
        "user=li&password=correct%20horse&step=" + std::to_string(++step % 98800);
    const Reply reply = desk.Submit(query, "127.0.0.1", account);
    if (reply.status != 200) state.SkipWithError("submission refused");
  }
}

void BM_SubmitSqlite(benchmark::State& state) {
  std::string folder = (std::filesystem::temp_directory_path() / "service-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  SubmitRepeatedly(state, folder + "/steps.db");
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SubmitSqlite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SubmitPostgres(benchmark::State& state) {
  const char* uri = std::getenv("BENCH_POSTGRES_URI");
  if (uri == nullptr) {
    state.SkipWithError("BENCH_POSTGRES_URI not set");
    return;
  }
  SubmitRepeatedly(state, uri);
}
BENCHMARK(BM_SubmitPostgres)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace step_service

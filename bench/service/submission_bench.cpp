// How much of a step submission is the password hash and how much the store: the service's
// scrypt beside OpenSSL's (its anchor), and the whole submission (query checks, back-off
// look-ups, hash, upsert with a durable commit) without HTTP, on a SQLite file and, when
// BENCH_POSTGRES_URI names a database, on PostgreSQL (bench/service/store_compare.sh sets it).
#include <benchmark/benchmark.h>
#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
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
  ScryptArea area;
  for (auto _ : state) benchmark::DoNotOptimize(VerifyPassword("correct horse", *stored, area));
}
BENCHMARK(BM_VerifyPassword)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same derivation through OpenSSL, which allocates its working memory on every call.
void BM_OpenSslScrypt(benchmark::State& state) {
  EVP_KDF* kdf = EVP_KDF_fetch(nullptr, OSSL_KDF_NAME_SCRYPT, nullptr);
  std::string password = "correct horse";
  std::string salt(16, 's');
  uint64_t n = kDefaultScryptCost.n;
  uint32_t r = kDefaultScryptCost.r;
  uint32_t p = kDefaultScryptCost.p;
  uint64_t maxMemory = 64ull << 20;
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, password.data(), password.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
      OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &n),
      OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
      OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
      OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_MAXMEM, &maxMemory),
      OSSL_PARAM_construct_end(),
  };
  unsigned char out[32];
  for (auto _ : state) {
    EVP_KDF_CTX* context = EVP_KDF_CTX_new(kdf);
    benchmark::DoNotOptimize(EVP_KDF_derive(context, out, sizeof out, params));
    EVP_KDF_CTX_free(context);
  }
  EVP_KDF_free(kdf);
}
BENCHMARK(BM_OpenSslScrypt)->Unit(benchmark::kMillisecond)->UseRealTime();

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
  ScryptArea area;
  int step = 0;
  for (auto _ : state) {
    const std::string query =
        "user=li&password=correct%20horse&step=" + std::to_string(++step % 98800);
    const Reply reply = desk.Submit(query, "127.0.0.1", area, account);
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

// One WebRequest GET to a loopback HTTPS server, a new connection each time as the utility makes
// it, beside a bare libcurl easy request to the same URL that verifies against the same
// authorities (the system's plus the test authority, as one bundle file).
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <filesystem>
#include <fstream>

#include "platform/wininet/trust_for_tests.h"
#include "tests/support/capture_server.h"
#include "web/web_request.h"

namespace {

using test_support::CaptureServer;
using test_support::TestAuthority;

const char* const kSystemBundle = "/etc/ssl/certs/ca-certificates.crt";

CaptureServer& Server() {
  static CaptureServer server = [] {
    TrustAuthorityFileForTesting(TestAuthority::Shared().caFile());
    return CaptureServer();
  }();
  return server;
}

std::string Url() { return Server().Url("/api/mi?user=u&password=p&step=1"); }

// The system bundle followed by the test authority.
const std::string& BundleFile() {
  static const std::string path = [] {
    std::string file = (std::filesystem::temp_directory_path() / "web-bench-bundle.pem").string();
    std::ofstream out(file);
    out << std::ifstream(kSystemBundle).rdbuf()
        << std::ifstream(TestAuthority::Shared().caFile()).rdbuf();
    return file;
  }();
  return path;
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

void BM_WebRequestGet(benchmark::State& state) {
  const Text url = Url();
  for (auto _ : state) {
    ByteSet body = WebRequest(url);
    if (body.empty()) state.SkipWithError("empty reply");
    benchmark::DoNotOptimize(body);
  }
}

void BM_CurlEasyGet(benchmark::State& state) {
  const std::string url = Url();
  const std::string& bundle = BundleFile();
  for (auto _ : state) {
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_CAINFO, bundle.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
    if (curl_easy_perform(easy) != CURLE_OK) state.SkipWithError("curl failed");
    curl_easy_cleanup(easy);
  }
}

// Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
// --benchmark_report_aggregates_only=true so that both see the same machine load.
BENCHMARK(BM_WebRequestGet)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CurlEasyGet)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

// libcurl behind the request handle. Redirects are followed by hand, one exchange at a time, so
// that a redirect we refuse hands back the 3xx reply itself.
#include "platform/wininet/transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/wininet/cookie_store.h"
#include "platform/wininet/tls_trust.h"

namespace {

constexpr int kMaxRedirects = 10;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::vector<std::string> HeaderLines(const std::string& block) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= block.size()) {
    std::size_t end = block.find('\n', start);
    if (end == std::string::npos) end = block.size();
    std::string line = block.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool HasHeader(const std::vector<std::string>& lines, const std::string& name) {
  std::string prefix = Lower(name) + ":";
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
    return Lower(line.substr(0, prefix.size())) == prefix;
  });
}

// The caller's lines in order, plus entries that stop curl adding headers of its own that the
// caller did not ask for.
HeaderList BuildHeaderList(const std::string& block) {
  std::vector<std::string> lines = HeaderLines(block);
  curl_slist* list = nullptr;
  for (std::string line : lines) {
    std::size_t colon = line.find(':');
    // curl reads "Name:" as "drop this header"; "Name;" is how it sends one with no value.
    if (colon != std::string::npos && line.find_first_not_of(' ', colon + 1) == std::string::npos)
      line = line.substr(0, colon) + ";";
    list = curl_slist_append(list, line.c_str());
  }
  for (const char* own : {"Accept", "Content-Type", "Expect"}) {
    if (!HasHeader(lines, own)) list = curl_slist_append(list, (std::string(own) + ":").c_str());
  }
  return HeaderList(list);
}

size_t CollectBody(char* data, size_t size, size_t count, void* target) {
  auto* reply = static_cast<TransferReply*>(target);
  size_t bytes = size * count;
  size_t room = kBodyLimit - reply->body.size();
  size_t taken = std::min(bytes, room);
  reply->body.append(data, taken);
  return taken;  // less than offered ends the transfer at the limit
}

size_t CollectHeaderLine(char* data, size_t size, size_t count, void* target) {
  auto* reply = static_cast<TransferReply*>(target);
  size_t bytes = size * count;
  std::string line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.rfind("HTTP/", 0) == 0) {  // an interim or redirect reply ends here; keep the last
    reply->rawHeaders.clear();
    reply->headersComplete = false;
  }
  reply->rawHeaders += line + "\r\n";
  if (line.empty()) reply->headersComplete = true;
  return bytes;
}

void SetMethodAndBody(CURL* easy, const std::string& verb, const std::string& body, bool hasBody) {
  if (verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else if (hasBody || verb == "POST") {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    if (verb != "POST") curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  } else if (verb == "GET") {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
}

void SwitchToGet(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
}

std::string SchemeOf(const std::string& url) { return Lower(url.substr(0, url.find("://"))); }

bool MayFollow(const std::string& from, const std::string& to, bool followToHttps) {
  std::string fromScheme = SchemeOf(from), toScheme = SchemeOf(to);
  if (toScheme == fromScheme) return toScheme == "http" || toScheme == "https";
  // Never from https down to http: the request may carry secrets in its URL and headers.
  return fromScheme == "http" && toScheme == "https" && followToHttps;
}

void SetConnection(CURL* easy, const TransferRequest& request) {
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, request.agent.c_str());
  // An empty proxy also keeps curl from taking one from the environment.
  curl_easy_setopt(easy, CURLOPT_PROXY, request.proxy.proxyUrl.c_str());
  curl_easy_setopt(easy, CURLOPT_NOPROXY, request.proxy.noProxy.c_str());
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeouts.connectMs));
  if (request.timeouts.receiveMs > 0) {
    // "No data for this long" as curl can express it, in whole seconds. A reply trickling in at
    // under 100 bytes/s all that time counts as no data too, so a server dripping bytes cannot
    // hold the caller forever.
    long seconds = std::max<long>(1, (request.timeouts.receiveMs + 999) / 1000);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 100L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, seconds);
  }
  ApplyTrustedAuthorities(easy);
  if (request.useCookieStore) UseSharedCookieStore(easy);
}

}  // namespace

TransferReply PerformTransfer(const TransferRequest& request) {
  InitCurlOnce();
  TransferReply reply;
  EasyHandle easy(curl_easy_init());
  if (!easy) return reply;
  HeaderList headers = BuildHeaderList(request.headers);
  SetConnection(easy.get(), request);
  curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &reply);
  curl_easy_setopt(easy.get(), CURLOPT_HEADERFUNCTION, CollectHeaderLine);
  curl_easy_setopt(easy.get(), CURLOPT_HEADERDATA, &reply);
  SetMethodAndBody(easy.get(), request.verb, request.body, request.hasBody);

  std::string url = request.url;
  std::string verb = request.verb;
  for (int hop = 0;; ++hop) {
    reply.body.clear();
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    reply.complete = curl_easy_perform(easy.get()) == CURLE_OK;
    if (!reply.complete || !request.followRedirects || hop == kMaxRedirects) break;
    char* location = nullptr;
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &location);
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (!location || !MayFollow(url, location, request.followToHttps)) break;
    url = location;
    // As browsers do: 303 turns every verb but HEAD into GET, 301 and 302 turn POST into GET.
    bool toGet =
        (status == 303 && verb != "HEAD") || ((status == 301 || status == 302) && verb == "POST");
    if (toGet) {
      SwitchToGet(easy.get());
      verb = "GET";
    }
  }
  return reply;
}

ProxyRoute ChooseProxy(const std::string& proxyList, const std::string& bypassList,
                       const std::string& scheme) {
  std::string forScheme, forAll, socks;
  std::size_t start = 0;
  while (start < proxyList.size()) {
    std::size_t end = proxyList.find_first_of(" ;", start);
    if (end == std::string::npos) end = proxyList.size();
    std::string entry = proxyList.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    std::size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (forAll.empty()) forAll = entry;
      continue;
    }
    std::string entryScheme = Lower(entry.substr(0, equals));
    std::string address = entry.substr(equals + 1);
    if (entryScheme == scheme && forScheme.empty()) forScheme = address;
    if (entryScheme == "socks" && socks.empty()) socks = address;
  }
  ProxyRoute route;
  if (!forScheme.empty() || !forAll.empty()) {
    std::string address = !forScheme.empty() ? forScheme : forAll;
    route.proxyUrl = address.find("://") == std::string::npos ? "http://" + address : address;
  } else if (!socks.empty()) {
    route.proxyUrl = "socks4://" + socks;  // the SOCKS version the Windows client speaks
  }
  std::string bypass = bypassList;
  std::replace_if(
      bypass.begin(), bypass.end(), [](char c) { return c == ';' || c == ' '; }, ',');
  route.noProxy = bypass;
  return route;
}

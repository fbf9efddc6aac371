// libcurl behind the request handle. Redirects are followed by hand, one exchange at a time, so
// that a redirect we refuse hands back the 3xx reply itself.
#include "platform/wininet/transfer.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "platform/wininet/cookie_store.h"
#include "platform/wininet/curl_library.h"
#include "platform/wininet/tls_trust.h"
#include "platform/wininet/wininet.h"

namespace {

constexpr int kMaxRedirects = 10;

// Only used once a request has found libcurl loaded.
const CurlCalls& curl() { return *Curl(); }

struct EasyDeleter {
  void operator()(CURL* easy) const { curl().easyCleanup(easy); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl().slistFreeAll(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

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
// caller did not ask for. curl sends only entries with a name, so a line without a colon rides
// on the entry before it (or, first of all, on the User-Agent line curl writes just before the
// caller's lines); the wire then carries every line as given.
HeaderList BuildHeaderList(const std::string& block, std::string& agent) {
  std::vector<std::string> lines = HeaderLines(block);
  bool ownAgentLine = HasHeader(lines, "User-Agent");
  std::vector<std::string> entries;
  std::string leading;  // colon-less lines before any entry, when the agent cannot carry them
  for (std::string line : lines) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
      if (!entries.empty()) {
        entries.back() += "\r\n" + line;
      } else if (!ownAgentLine) {
        agent += "\r\n" + line;
      } else {
        leading += line + "\r\n";
      }
      continue;
    }
    // curl reads "Name:" as "drop this header"; "Name;" is how it sends one with no value.
    if (line.find_first_not_of(' ', colon + 1) == std::string::npos)
      line = line.substr(0, colon) + ";";
    entries.push_back(leading + line);
    leading.clear();
  }
  curl_slist* list = nullptr;
  for (const std::string& entry : entries) list = curl().slistAppend(list, entry.c_str());
  for (const char* own : {"Accept", "Content-Type", "Expect"}) {
    if (!HasHeader(lines, own)) list = curl().slistAppend(list, (std::string(own) + ":").c_str());
  }
  // The block's own agent line may ride behind a colon-less line, where curl no longer sees it.
  if (ownAgentLine) list = curl().slistAppend(list, "User-Agent:");
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
  if (line.empty()) {
    reply->headersComplete = true;
    // A HEAD that carried a body is sent as a custom verb, so curl would wait for a reply body
    // that never comes: the final reply's headers are all there is.
    bool interim = reply->rawHeaders.rfind("HTTP/1.1 1", 0) == 0;
    if (reply->headersOnly && !interim) return 0;
  }
  return bytes;
}

void SetMethodAndBody(CURL* easy, const std::string& verb, const std::string& body, bool hasBody) {
  if (verb == "HEAD" && !hasBody) {
    curl().easySetopt(easy, CURLOPT_NOBODY, 1L);
  } else if (hasBody || verb == "POST") {
    curl().easySetopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl().easySetopt(easy, CURLOPT_POSTFIELDS, body.data());
    if (verb != "POST") curl().easySetopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  } else if (verb == "GET") {
    curl().easySetopt(easy, CURLOPT_HTTPGET, 1L);
  } else {
    curl().easySetopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
}

void SwitchToGet(CURL* easy) {
  curl().easySetopt(easy, CURLOPT_CUSTOMREQUEST, nullptr);
  curl().easySetopt(easy, CURLOPT_HTTPGET, 1L);
}

std::string SchemeOf(const std::string& url) { return Lower(url.substr(0, url.find("://"))); }

bool MayFollow(const std::string& from, const std::string& to, bool followToHttps) {
  std::string fromScheme = SchemeOf(from), toScheme = SchemeOf(to);
  if (toScheme == fromScheme) return toScheme == "http" || toScheme == "https";
  // Never from https down to http: the request may carry secrets in its URL and headers.
  return fromScheme == "http" && toScheme == "https" && followToHttps;
}

void SetConnection(CURL* easy, const TransferRequest& request, const std::string& agent) {
  curl().easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl().easySetopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl().easySetopt(easy, CURLOPT_USERAGENT, agent.c_str());
  // An empty proxy also keeps curl from taking one from the environment.
  curl().easySetopt(easy, CURLOPT_PROXY, request.proxy.proxyUrl.c_str());
  curl().easySetopt(easy, CURLOPT_NOPROXY, request.proxy.noProxy.c_str());
  curl().easySetopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl().easySetopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeouts.connectMs));
  if (request.timeouts.receiveMs > 0) {
    // "No data for this long" as curl can express it, in whole seconds. A reply trickling in at
    // under 100 bytes/s all that time counts as no data too, so a server dripping bytes cannot
    // hold the caller forever.
    long seconds = std::max<long>(1, (request.timeouts.receiveMs + 999) / 1000);
    curl().easySetopt(easy, CURLOPT_LOW_SPEED_LIMIT, 100L);
    curl().easySetopt(easy, CURLOPT_LOW_SPEED_TIME, seconds);
  }
  ApplyTrustedAuthorities(easy);
  if (request.useCookieStore) UseSharedCookieStore(easy);
}

int CheckCancelled(void* request, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto& cancelled = static_cast<const TransferRequest*>(request)->cancelled;
  return cancelled && cancelled() ? 1 : 0;  // non-zero aborts the transfer
}

// The internet client's code for a transfer that ended without a whole reply.
std::uint32_t ErrorCode(CURLcode code, long verifyResult) {
  switch (code) {
    case CURLE_ABORTED_BY_CALLBACK:
      return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
      return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_PEER_FAILED_VERIFICATION:
      // OpenSSL's verify result: 62 is a host name mismatch, 9 and 10 a certificate not yet or
      // no longer valid; the rest is an authority we do not trust.
      if (verifyResult == 62) return ERROR_INTERNET_SEC_CERT_CN_INVALID;
      if (verifyResult == 9 || verifyResult == 10) return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
      return ERROR_INTERNET_INVALID_CA;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
      return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_SEND_ERROR:
      return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_RECV_ERROR:
      return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_TOO_MANY_REDIRECTS:
      return ERROR_HTTP_REDIRECT_FAILED;
    default:  // a reply cut off, malformed, or over the body limit
      return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  }
}

}  // namespace

TransferReply PerformTransfer(const TransferRequest& request) {
  TransferReply reply;
  if (!Curl()) {
    reply.error = ERROR_INTERNET_INTERNAL_ERROR;
    return reply;
  }
  EasyHandle easy(curl().easyInit());
  if (!easy) {
    reply.error = ERROR_INTERNET_INTERNAL_ERROR;
    return reply;
  }
  std::string agent = request.agent;
  HeaderList headers = BuildHeaderList(request.headers, agent);
  SetConnection(easy.get(), request, agent);
  curl().easySetopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
  curl().easySetopt(easy.get(), CURLOPT_XFERINFOFUNCTION, CheckCancelled);
  curl().easySetopt(easy.get(), CURLOPT_XFERINFODATA, &request);
  curl().easySetopt(easy.get(), CURLOPT_HTTPHEADER, headers.get());
  curl().easySetopt(easy.get(), CURLOPT_WRITEFUNCTION, CollectBody);
  curl().easySetopt(easy.get(), CURLOPT_WRITEDATA, &reply);
  curl().easySetopt(easy.get(), CURLOPT_HEADERFUNCTION, CollectHeaderLine);
  curl().easySetopt(easy.get(), CURLOPT_HEADERDATA, &reply);
  SetMethodAndBody(easy.get(), request.verb, request.body, request.hasBody);
  reply.headersOnly = request.verb == "HEAD" && request.hasBody;

  std::string url = request.url;
  std::string verb = request.verb;
  for (int hop = 0;; ++hop) {
    reply.body.clear();
    curl().easySetopt(easy.get(), CURLOPT_URL, url.c_str());
    CURLcode code = curl().easyPerform(easy.get());
    if (code == CURLE_WRITE_ERROR && reply.headersOnly && reply.headersComplete) code = CURLE_OK;
    reply.complete = code == CURLE_OK;
    if (!reply.complete) {
      long verifyResult = 0;
      curl().easyGetinfo(easy.get(), CURLINFO_SSL_VERIFYRESULT, &verifyResult);
      reply.error = ErrorCode(code, verifyResult);
      break;
    }
    if (!request.followRedirects || hop == kMaxRedirects) break;
    char* location = nullptr;
    long status = 0;
    curl().easyGetinfo(easy.get(), CURLINFO_REDIRECT_URL, &location);
    curl().easyGetinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
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

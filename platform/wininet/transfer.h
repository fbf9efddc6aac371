// One HTTP exchange (with the redirects it is allowed to follow) carried out by libcurl.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Where a request goes through: a curl proxy URL ("http://h:p", "socks4://h:p") or "" for
// direct, and the hosts that bypass it in curl's comma-separated form.
struct ProxyRoute {
  std::string proxyUrl;
  std::string noProxy;
};

struct Timeouts {
  std::uint32_t connectMs = 60000;
  std::uint32_t receiveMs = 30000;
  std::uint32_t sendMs = 30000;
};

struct TransferRequest {
  std::string url;      // scheme://host:port/path?query, already escaped
  std::string verb;     // "GET", "POST", ...
  std::string headers;  // header lines joined by CR LF, sent as given and in order
  std::string body;     // sent when hasBody
  bool hasBody = false;
  std::string agent;
  ProxyRoute proxy;
  Timeouts timeouts;
  bool useCookieStore = true;
  bool followRedirects = true;
  bool followToHttps = false;  // an http request may be redirected to https
  std::function<bool()> cancelled;  // polled while the transfer runs; true ends it
};

struct TransferReply {
  bool complete = false;         // a whole reply arrived
  std::uint32_t error = 0;       // the internet client's error code when it did not
  bool headersComplete = false;  // rawHeaders holds the final reply's full header block
  std::string rawHeaders;        // status line and header lines, CR LF each, then CR LF
  std::string body;              // at most kBodyLimit bytes
  bool headersOnly = false;      // the transfer ends with the final reply's headers
};

// A hostile server cannot make us buffer more than this.
constexpr std::size_t kBodyLimit = 64u << 20;

TransferReply PerformTransfer(const TransferRequest& request);

// The route a WinINet proxy list ("h:p", "http=h:p", "https=h:p", "SOCKS=h:p", separated by
// spaces or ";") gives a request of the scheme "http" or "https"; a list without a fitting entry
// means direct access.
ProxyRoute ChooseProxy(const std::string& proxyList, const std::string& bypassList,
                       const std::string& scheme);

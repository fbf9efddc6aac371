// The web request over the internet client calls.
#include "web/web_request.h"

#include <iterator>

#include "platform/wininet/wininet.h"
#include "web/headers_cookies.h"
#include "web/request_deadline.h"
#include "web/url_text.h"

namespace {

const char* const kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                              "OPTIONS", "DELETE", "TRACE", "CONNECT"};
const Text kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Text kCrLf = "\r\n";
constexpr int kReadChunk = 1024;
constexpr int kHeaderBufferSize = 5000;

// Only the redirect switches: certificates stay verified, since the request may carry a
// password in its URL and Referer line.
constexpr DWORD kSecurityFlags =
    SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS | SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP;

bool Contains(const Text& block, const Text& name) {
  return FindText(block, name, std::nullopt, true) != -1;
}

Text ChooseUserAgent(const Text& headerBlock) {
  if (!Contains(headerBlock, "User-Agent:")) return kDefaultUserAgent;
  Text agent = TrimText(TextBetween(headerBlock + kCrLf, "User-Agent:", kCrLf));
  return agent.empty() ? HeaderValue(headerBlock) : agent;
}

void AddDefaultHeaders(Text& headerBlock, const Text& url, Verb method) {
  if (headerBlock.empty()) headerBlock = "Accept: */*";
  if (!Contains(headerBlock, "Accept:")) headerBlock += "\r\nAccept: */*";
  if (!Contains(headerBlock, "Referer:")) headerBlock += "\r\nReferer: " + url;
  if (!Contains(headerBlock, "Accept-Language:")) headerBlock += "\r\nAccept-Language: zh-cn";
  if (method == Verb::Post && !Contains(headerBlock, "Content-Type:"))
    headerBlock += "\r\nContent-Type: application/x-www-form-urlencoded";
}

ByteSet ReadBody(HINTERNET request) {
  ByteSet body;
  ByteSet buffer = BlankBytes(kReadChunk);
  DWORD count = 0;
  do {
    InternetReadFile(request, buffer.data(), kReadChunk, &count);
    ByteSet chunk = BytesLeft(buffer, static_cast<int>(count));
    body.insert(body.end(), chunk.begin(), chunk.end());
  } while (count != 0);
  return body;
}

// The raw headers up to the NUL the query writes; the 5000 spaces stay when it writes nothing.
Text QueryRawHeaders(HINTERNET request) {
  Text headers = BlankText(kHeaderBufferSize);
  DWORD length = kHeaderBufferSize;
  HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &length, nullptr);
  return Text(headers.c_str());
}

}  // namespace

ByteSet WebRequest(const Text& url, const WebRequestOptions& options) {
  // Omitted out and in-out members write to scratch values.
  Text scratchCookies, scratchHeaders;
  ByteSet scratchBytes;
  Text* returnedCookies = options.returnedCookies ? options.returnedCookies : &scratchCookies;
  Text* returnedHeaders = options.returnedHeaders ? options.returnedHeaders : &scratchHeaders;
  ByteSet* postBytes = options.postBytes ? options.postBytes : &scratchBytes;
  Text* cookies = options.cookies;

  Text headerBlock = options.normaliseHeaderNames ? NormaliseHeaders(options.extraHeaders)
                                                  : options.extraHeaders;

  // A verb outside the table is a GET in every respect: verb, body and headers.
  Verb method = options.method;
  int verbIndex = static_cast<int>(method);
  if (verbIndex < 0 || verbIndex >= static_cast<int>(std::size(kVerbs))) {
    method = Verb::Get;
    verbIndex = 0;
  }
  const char* verb = kVerbs[verbIndex];
  bool isHttps = ToLower(TextLeft(url, 8)) == "https://";

  // The agent is also named in the block when it has a line of its own, which stays there.
  Text userAgent = ChooseUserAgent(headerBlock);

  HINTERNET internet;
  if (options.proxy.empty()) {
    internet = InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  } else {
    // An https request tunnels through the plain proxy; plain requests name their scheme.
    Text proxyText = options.proxyIsSocks ? "SOCKS=" + options.proxy
                     : isHttps            ? options.proxy
                                          : "http=" + options.proxy;
    internet = InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyText.c_str(), "", 0);
  }
  if (!internet) return {};

  HINTERNET connection = InternetConnectA(internet, ExtractHost(url).c_str(),
                                          static_cast<INTERNET_PORT>(ExtractPort(url)), nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) {
    InternetCloseHandle(internet);
    return {};
  }

  // Always a fresh reply, never the client's cache.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (cookies) flags |= INTERNET_FLAG_NO_COOKIES;
  if (options.noAutoRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
  flags |= isHttps ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
  HINTERNET request = HttpOpenRequestA(connection, verb, ExtractPath(url).c_str(), "HTTP/1.1",
                                       nullptr, nullptr, flags, 0);
  if (!request) {
    InternetCloseHandle(connection);
    InternetCloseHandle(internet);
    return {};
  }
  DWORD securityFlags = kSecurityFlags;
  InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &securityFlags, sizeof securityFlags);

  if (options.addDefaultHeaders) AddDefaultHeaders(headerBlock, url, method);

  // Given cookies may be bare pairs or a whole "Cookie:" line of their own.
  if (cookies && !cookies->empty()) {
    bool isWholeLine = FindText(*cookies, "Cookie:", std::nullopt, false) != -1;
    headerBlock += (isWholeLine ? kCrLf : "\r\nCookie: ") + *cookies;
  }

  DWORD headerLength = static_cast<DWORD>(TextLength(headerBlock));
  RequestDeadline deadline(request, options.deadlineMs);
  bool sent;
  if (method == Verb::Get) {
    sent = HttpSendRequestA(request, headerBlock.c_str(), headerLength, nullptr, 0);
  } else {
    if (postBytes->empty()) *postBytes = TextToBytes(options.postText);
    sent = HttpSendRequestA(request, headerBlock.c_str(), headerLength,
                            postBytes->empty() ? nullptr : postBytes->data(),
                            static_cast<DWORD>(BytesLength(*postBytes)));
  }
  DWORD failure = sent ? 0 : GetLastError();
  // Past the deadline the request handle is closed already and nothing of the reply counts.
  bool timedOut = deadline.Disarm();
  if (options.failure) *options.failure = timedOut ? ERROR_INTERNET_TIMEOUT : failure;

  // The headers are asked for after the body, so they are the final reply's.
  ByteSet body;
  *returnedHeaders = BlankText(kHeaderBufferSize);
  if (!timedOut) {
    body = ReadBody(request);
    *returnedHeaders = QueryRawHeaders(request);
    InternetCloseHandle(request);
  }
  InternetCloseHandle(connection);
  InternetCloseHandle(internet);

  *returnedCookies = CookiesFromHeaders(*returnedHeaders);
  if (options.autoMergeCookies && cookies) {
    *returnedCookies = MergeCookies(*cookies, *returnedCookies);
  }
  return body;
}

// The web request over the internet client calls.
#include "web/web_request.h"

#include "platform/wininet/wininet.h"
#include "web/headers_cookies.h"
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

void AddDefaultHeaders(Text& headerBlock, const Text& url, int method) {
  if (headerBlock.empty()) headerBlock = "Accept: */*";
  if (!Contains(headerBlock, "Accept:")) headerBlock += "\r\nAccept: */*";
  if (!Contains(headerBlock, "Referer:")) headerBlock += "\r\nReferer: " + url;
  if (!Contains(headerBlock, "Accept-Language:")) headerBlock += "\r\nAccept-Language: zh-cn";
  if (method == 1 && !Contains(headerBlock, "Content-Type:"))
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

ByteSet WebRequest(const Text& url, int method, const Text& postText, Text* cookies,
                   Text* returnedCookies, const Text& extraHeaders, Text* returnedHeaders,
                   bool noAutoRedirect, ByteSet* postBytes, const Text& proxy,
                   bool autoMergeCookies, bool addDefaultHeaders, bool normaliseHeaderNames,
                   bool proxyIsSocks) {
  // Omitted out and in-out parameters write to scratch values.
  Text scratchCookies, scratchHeaders;
  ByteSet scratchBytes;
  if (!returnedCookies) returnedCookies = &scratchCookies;
  if (!returnedHeaders) returnedHeaders = &scratchHeaders;
  if (!postBytes) postBytes = &scratchBytes;

  // 1. Defaults are the parameters' own. 2. Header block.
  Text headerBlock = normaliseHeaderNames ? NormaliseHeaders(extraHeaders) : extraHeaders;

  // 3. Method and scheme.
  if (method < 0 || method > 7) method = 0;
  const char* verb = kVerbs[method];
  bool isHttps = ToLower(TextLeft(url, 8)) == "https://";

  // 4. User agent; its line stays in the block.
  Text userAgent = ChooseUserAgent(headerBlock);

  // 5. Internet handle.
  HINTERNET internet;
  if (proxy.empty()) {
    internet = InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  } else {
    Text proxyText = proxyIsSocks ? "SOCKS=" + proxy : isHttps ? proxy : "http=" + proxy;
    internet = InternetOpenA(userAgent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyText.c_str(), "", 0);
  }
  if (!internet) return {};

  // 6. Connection.
  HINTERNET connection = InternetConnectA(internet, ExtractHost(url).c_str(),
                                          static_cast<INTERNET_PORT>(ExtractPort(url)), nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) {
    InternetCloseHandle(internet);
    return {};
  }

  // 7. Request.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
  if (cookies) flags |= INTERNET_FLAG_NO_COOKIES;
  if (noAutoRedirect) flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
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

  // 8. Default headers.
  if (addDefaultHeaders) AddDefaultHeaders(headerBlock, url, method);

  // 9. Cookie header.
  if (cookies && !cookies->empty()) {
    bool isWholeLine = FindText(*cookies, "Cookie:", std::nullopt, false) != -1;
    headerBlock += (isWholeLine ? kCrLf : "\r\nCookie: ") + *cookies;
  }

  // 10. Send; GET never carries a body.
  DWORD headerLength = static_cast<DWORD>(TextLength(headerBlock));
  if (method == 0) {
    HttpSendRequestA(request, headerBlock.c_str(), headerLength, nullptr, 0);
  } else {
    if (postBytes->empty()) *postBytes = TextToBytes(postText);
    HttpSendRequestA(request, headerBlock.c_str(), headerLength,
                     postBytes->empty() ? nullptr : postBytes->data(),
                     static_cast<DWORD>(BytesLength(*postBytes)));
  }

  // 11. Body. 12. Raw headers. 13. Close.
  ByteSet body = ReadBody(request);
  *returnedHeaders = QueryRawHeaders(request);
  InternetCloseHandle(request);
  InternetCloseHandle(connection);
  InternetCloseHandle(internet);

  // 14. Returned cookies. 15. Merge.
  *returnedCookies = CookiesFromHeaders(*returnedHeaders);
  if (autoMergeCookies && cookies) *returnedCookies = MergeCookies(*cookies, *returnedCookies);

  // 16.
  return body;
}

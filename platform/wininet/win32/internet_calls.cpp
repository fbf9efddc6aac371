#include "platform/wininet/win32/internet_calls.h"

#include <windows.h>

#include <wininet.h>

#include "platform/wininet/win32/own_authorities.h"

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The failures through which a server we might trust ourselves shows: unknown authority, or
// (first, as Wine reports it) revocation that cannot be checked for an authority without lists.
bool IsUntrustedAuthority(DWORD error) {
  return error == ERROR_INTERNET_INVALID_CA || error == ERROR_INTERNET_SEC_CERT_REV_FAILED;
}

// Whether the chain the server presented on this request ends in one of our own authorities and
// names the request's host; false when WinINet has no chain to give.
bool ServerChainIsOurs(HINTERNET request, const std::u16string& host) {
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  DWORD size = sizeof chain;
  if (!InternetQueryOptionW(request, INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT, &chain, &size) ||
      chain == nullptr) {
    return false;
  }
  bool ours = ChainEndsInOwnAuthority(chain, host);
  CertFreeCertificateChain(chain);
  return ours;
}

// Lets WinINet pass the checks that only our own verification can make.
void AcceptOwnAuthority(HINTERNET request) {
  DWORD flags = 0;
  DWORD size = sizeof flags;
  InternetQueryOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
  flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
  InternetSetOptionW(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
}

// Windows hands out the chain of a handshake it refused; Wine only once a connection stands. A
// request that carries nothing of ours (HEAD /, no cookies) then fetches it: its connection is
// the one the real request goes out on next, and that request's chain is checked again.
bool ServerChainIsOursAfterRefusal(HINTERNET connection, HINTERNET request,
                                   const std::u16string& host) {
  if (ServerChainIsOurs(request, host)) return true;
  HINTERNET probe = HttpOpenRequestW(
      connection, L"HEAD", L"/", L"HTTP/1.1", nullptr, nullptr,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI,
      0);
  if (!probe) return false;
  AcceptOwnAuthority(probe);
  bool ours = HttpSendRequestW(probe, nullptr, 0, nullptr, 0) && ServerChainIsOurs(probe, host);
  InternetCloseHandle(probe);
  return ours;
}

bool Send(HINTERNET request, const std::u16string& headers, const std::string& body) {
  return HttpSendRequestW(
      request, headers.empty() ? nullptr : Wide(headers), static_cast<DWORD>(headers.size()),
      body.empty() ? nullptr : const_cast<char*>(body.data()), static_cast<DWORD>(body.size()));
}

// The final reply's raw headers; WinINet hands them out as UTF-16, each unit one byte of the wire.
std::string RawHeaders(HINTERNET request) {
  DWORD size = 0;
  HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
  if (size == 0) return {};
  std::u16string wide(size / sizeof(wchar_t) + 1, u'\0');
  if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, wide.data(), &size, nullptr)) return {};
  wide.resize(size / sizeof(wchar_t));
  std::string bytes;
  for (char16_t unit : wide) bytes += static_cast<char>(unit & 0xFF);
  return bytes;
}

// Reads the body until its end; the error code when a read fails or the body outgrows the
// limit, else 0.
DWORD ReadBody(HINTERNET request, std::size_t bodyLimit, std::string* body) {
  char buffer[16384];
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer, sizeof buffer, &got)) return GetLastError();
    if (got == 0) return 0;
    std::size_t room = bodyLimit - body->size();
    body->append(buffer, got < room ? got : room);
    if (got > room) return ERROR_HTTP_INVALID_SERVER_RESPONSE;
  }
}

}  // namespace

InternetHandle OpenInternet(const std::u16string& agent, std::uint32_t accessType,
                            const std::u16string* proxy, const std::u16string* bypass) {
  return InternetOpenW(Wide(agent), accessType, proxy ? Wide(*proxy) : nullptr,
                       bypass ? Wide(*bypass) : nullptr, 0);
}

InternetHandle ConnectInternet(InternetHandle internet, const std::u16string& host,
                               std::uint16_t port, std::uint32_t service) {
  return InternetConnectW(internet, Wide(host), port, nullptr, nullptr, service, 0, 0);
}

InternetHandle OpenHttpRequest(InternetHandle connection, const std::u16string& verb,
                               const std::u16string& objectName, std::uint32_t flags) {
  return HttpOpenRequestW(connection, Wide(verb), Wide(objectName), L"HTTP/1.1", nullptr, nullptr,
                          flags, 0);
}

bool SetInternetOption(InternetHandle handle, std::uint32_t option, std::uint32_t value) {
  DWORD windowsValue = value;
  return InternetSetOptionW(handle, option, &windowsValue, sizeof windowsValue);
}

bool CloseInternetHandle(InternetHandle handle) { return InternetCloseHandle(handle); }

HttpExchange SendHttpRequest(InternetHandle connection, InternetHandle request,
                             const std::u16string& host, const std::u16string& headers,
                             const std::string& body, std::size_t bodyLimit) {
  HttpExchange exchange;
  bool sent = Send(request, headers, body);
  exchange.error = sent ? 0 : GetLastError();
  if (!sent && IsUntrustedAuthority(exchange.error) && HaveOwnAuthorities() &&
      ServerChainIsOursAfterRefusal(connection, request, host)) {
    // Verified by us against our authority alone; the connection that answers must still show
    // that chain, or its reply is not taken.
    AcceptOwnAuthority(request);
    sent = Send(request, headers, body);
    exchange.error = !sent                              ? GetLastError()
                     : ServerChainIsOurs(request, host) ? 0
                                                        : ERROR_INTERNET_INVALID_CA;
    sent = exchange.error == 0;
  }
  if (!sent) return exchange;
  exchange.rawHeaders = RawHeaders(request);
  exchange.error = ReadBody(request, bodyLimit, &exchange.body);
  exchange.complete = exchange.error == 0;
  return exchange;
}

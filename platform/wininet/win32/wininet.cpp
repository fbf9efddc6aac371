// The internet client calls on WinINet itself. Text crosses to WinINet's W calls through code
// page 936; what a request needs after it is sent (its reply, buffered whole as on every
// platform) is kept beside the WinINet handle, which is the handle handed out.
#include "platform/wininet/wininet.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/blocking/blocking.h"
#include "platform/wininet/buffered_reply.h"
#include "platform/codepage/codepage.h"
#include "platform/wininet/win32/internet_calls.h"

namespace {

// A hostile server cannot make us buffer more than this.
constexpr std::size_t kBodyLimit = 64u << 20;

// The request flags passed on: ours, and WinINet's own never to show a dialog. Flags that would
// switch a certificate check off, or let https fall back to http, never reach WinINet.
constexpr DWORD kNoUi = 0x00000200;
constexpr DWORD kPassedFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE |
                               INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTO_REDIRECT |
                               INTERNET_FLAG_SECURE | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
constexpr DWORD kPassedSecurityFlags = SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS;

struct RequestState {
  std::atomic<bool> closed = false;  // the WinINet handle is closed already (a cancel)
  HINTERNET connection = nullptr;
  std::u16string host;
  HttpExchange reply;
  std::size_t readOffset = 0;
};

thread_local DWORD lastError = 0;

std::mutex tableMutex;
std::map<HINTERNET, std::u16string> connectionHosts;
std::map<HINTERNET, std::shared_ptr<RequestState>> requests;

std::shared_ptr<RequestState> FindRequest(HINTERNET handle) {
  std::lock_guard lock(tableMutex);
  auto found = requests.find(handle);
  return found == requests.end() ? nullptr : found->second;
}

std::u16string Wide(const char* gbk) { return gbk ? Utf16FromGbk(gbk) : std::u16string(); }

// Bytes a URL may not carry as they are (controls, space, everything from 0x7F) are escaped, so
// the object name reaches the server as the same bytes whatever WinINet makes of other text.
std::u16string EscapeObjectName(const std::string& objectName) {
  static const char kHex[] = "0123456789ABCDEF";
  std::u16string escaped = objectName.empty() || objectName[0] != '/' ? u"/" : u"";
  for (unsigned char c : objectName) {
    if (c <= 0x20 || c >= 0x7F) {
      escaped += u'%';
      escaped += static_cast<char16_t>(kHex[c >> 4]);
      escaped += static_cast<char16_t>(kHex[c & 0xF]);
    } else {
      escaped += static_cast<char16_t>(c);
    }
  }
  return escaped;
}

}  // namespace

HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy,
                        const char* proxyBypass, DWORD) {
  if (accessType != INTERNET_OPEN_TYPE_DIRECT && accessType != INTERNET_OPEN_TYPE_PROXY) {
    return nullptr;
  }
  bool viaProxy = accessType == INTERNET_OPEN_TYPE_PROXY;
  std::u16string proxyList = Wide(proxy), bypassList = Wide(proxyBypass);
  return OpenInternet(Wide(agent), accessType, viaProxy ? &proxyList : nullptr,
                      viaProxy && !bypassList.empty() ? &bypassList : nullptr);
}

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char*, const char*, DWORD service, DWORD, std::uintptr_t) {
  if (!internet || service != INTERNET_SERVICE_HTTP || !serverName || !*serverName) return nullptr;
  std::u16string host = Wide(serverName);
  HINTERNET connection = ConnectInternet(internet, host, serverPort, service);
  if (connection) {
    std::lock_guard lock(tableMutex);
    connectionHosts[connection] = host;
  }
  return connection;
}

HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName, const char*,
                           const char*, const char**, DWORD flags, std::uintptr_t) {
  std::u16string host;
  {
    std::lock_guard lock(tableMutex);
    auto found = connectionHosts.find(connect);
    if (found == connectionHosts.end()) return nullptr;
    host = found->second;
  }
  std::u16string wideVerb = verb && *verb ? Wide(verb) : u"GET";
  HINTERNET request =
      OpenHttpRequest(connect, wideVerb, EscapeObjectName(objectName ? objectName : "/"),
                      (flags & kPassedFlags) | kNoUi);
  if (request) {
    auto state = std::make_shared<RequestState>();
    state->connection = connect;
    state->host = host;
    std::lock_guard lock(tableMutex);
    requests[request] = state;
  }
  return request;
}

bool InternetSetOptionA(HINTERNET handle, DWORD option, const void* buffer, DWORD length) {
  if (!buffer || length != sizeof(DWORD)) return false;
  DWORD value;
  std::memcpy(&value, buffer, sizeof value);
  switch (option) {
    case INTERNET_OPTION_SECURITY_FLAGS:
      return FindRequest(handle) && SetInternetOption(handle, option, value & kPassedSecurityFlags);
    case INTERNET_OPTION_CONNECT_TIMEOUT:
    case INTERNET_OPTION_SEND_TIMEOUT:
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
      return SetInternetOption(handle, option, value);
    default:
      return false;
  }
}

bool HttpSendRequestA(HINTERNET requestHandle, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength) {
  auto request = FindRequest(requestHandle);
  if (!request) return false;
  std::string headerBytes;
  if (headers) {
    headerBytes =
        headersLength == 0xFFFFFFFF ? std::string(headers) : std::string(headers, headersLength);
  }
  std::string body;
  if (optional && optionalLength > 0)
    body.assign(static_cast<const char*>(optional), optionalLength);
  // Closing the WinINet handle is how WinINet ends a request that runs on another thread.
  auto cancel = [request, requestHandle] {
    if (!request->closed.exchange(true)) CloseInternetHandle(requestHandle);
  };
  RunBlockingCall(
      [&] {
        request->reply = SendHttpRequest(request->connection, requestHandle, request->host,
                                         Utf16FromGbk(headerBytes), body, kBodyLimit);
      },
      cancel);
  request->readOffset = 0;
  if (!request->reply.complete) {
    lastError = request->closed ? ERROR_INTERNET_OPERATION_CANCELLED : request->reply.error;
  }
  return request->reply.complete;
}

bool InternetReadFile(HINTERNET requestHandle, void* buffer, DWORD toRead, DWORD* read) {
  if (read) *read = 0;
  auto request = FindRequest(requestHandle);
  if (!request || !read || (!buffer && toRead > 0)) return false;
  *read = CopyBodyBytes(request->reply.body, request->readOffset, buffer, toRead);
  return true;
}

bool HttpQueryInfoA(HINTERNET requestHandle, DWORD infoLevel, void* buffer, DWORD* length, DWORD*) {
  auto request = FindRequest(requestHandle);
  if (!request || !length || infoLevel != HTTP_QUERY_RAW_HEADERS_CRLF) return false;
  const std::string& raw = request->reply.rawHeaders;
  if (raw.empty()) return false;
  return CopyRawHeaders(raw, buffer, length);
}

bool InternetCloseHandle(HINTERNET handle) {
  if (!handle) return false;
  std::shared_ptr<RequestState> request;
  {
    std::lock_guard lock(tableMutex);
    connectionHosts.erase(handle);
    auto found = requests.find(handle);
    if (found != requests.end()) {
      request = found->second;
      requests.erase(found);
    }
  }
  // A request cancelled while it ran has its WinINet handle closed already.
  if (request && request->closed.exchange(true)) return true;
  return CloseInternetHandle(handle);
}

DWORD GetLastError() { return lastError; }

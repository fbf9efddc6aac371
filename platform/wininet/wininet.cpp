// The handle calls: a table of open handles, each holding what its request will need.
#include "platform/wininet/wininet.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/blocking/blocking.h"
#include "platform/wininet/buffered_reply.h"
#include "platform/wininet/transfer.h"

namespace {

struct Handle {
  virtual ~Handle() = default;
  Timeouts timeouts;
  std::atomic<bool> closed = false;  // a request still running on it ends
};

struct InternetHandle : Handle {
  std::string agent;
  std::string proxyList;  // empty: direct access
  std::string bypassList;
};

struct ConnectionHandle : Handle {
  std::shared_ptr<const InternetHandle> internet;  // outlives an early close of its parent
  std::string host;
  INTERNET_PORT port = 0;
};

struct RequestHandle : Handle {
  std::shared_ptr<const ConnectionHandle> connection;
  std::string verb;
  std::string objectName;
  DWORD flags = 0;
  DWORD securityFlags = 0;
  TransferReply reply;
  std::size_t readOffset = 0;
};

thread_local DWORD lastError = 0;

std::mutex tableMutex;
std::map<HINTERNET, std::shared_ptr<Handle>> openHandles;
Timeouts processTimeouts;  // what InternetSetOptionA on a null handle changes

HINTERNET Register(std::shared_ptr<Handle> handle) {
  HINTERNET key = handle.get();
  std::lock_guard lock(tableMutex);
  openHandles[key] = std::move(handle);
  return key;
}

template <typename Kind>
std::shared_ptr<Kind> Find(HINTERNET key) {
  std::lock_guard lock(tableMutex);
  auto found = openHandles.find(key);
  if (found == openHandles.end()) return nullptr;
  return std::dynamic_pointer_cast<Kind>(found->second);
}

std::string OrEmpty(const char* text) { return text ? text : ""; }

// Bytes a URL may not carry as they are (controls, space, everything from 0x7F) are escaped.
std::string EscapeObjectName(const std::string& objectName) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped = objectName.empty() || objectName[0] != '/' ? "/" : "";
  for (unsigned char c : objectName) {
    if (c <= 0x20 || c >= 0x7F) {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 0xF];
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

std::string RequestUrl(const RequestHandle& request, const std::string& scheme) {
  const std::string& host = request.connection->host;
  std::string hostPart = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return scheme + "://" + hostPart + ":" + std::to_string(request.connection->port) +
         EscapeObjectName(request.objectName);
}

bool SetTimeout(Timeouts& timeouts, DWORD option, DWORD value) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT:
      timeouts.connectMs = value;
      return true;
    case INTERNET_OPTION_SEND_TIMEOUT:
      timeouts.sendMs = value;
      return true;
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
      timeouts.receiveMs = value;
      return true;
    default:
      return false;
  }
}

}  // namespace

HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy,
                        const char* proxyBypass, DWORD) {
  if (accessType != INTERNET_OPEN_TYPE_DIRECT && accessType != INTERNET_OPEN_TYPE_PROXY)
    return nullptr;
  auto handle = std::make_shared<InternetHandle>();
  handle->agent = OrEmpty(agent);
  if (accessType == INTERNET_OPEN_TYPE_PROXY) {
    handle->proxyList = OrEmpty(proxy);
    handle->bypassList = OrEmpty(proxyBypass);
  }
  {
    std::lock_guard lock(tableMutex);
    handle->timeouts = processTimeouts;
  }
  return Register(handle);
}

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char*, const char*, DWORD service, DWORD, std::uintptr_t) {
  auto parent = Find<InternetHandle>(internet);
  if (!parent || service != INTERNET_SERVICE_HTTP || OrEmpty(serverName).empty()) return nullptr;
  auto handle = std::make_shared<ConnectionHandle>();
  handle->internet = parent;
  handle->timeouts = parent->timeouts;
  handle->host = serverName;
  handle->port = serverPort;
  return Register(handle);
}

HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName, const char*,
                           const char*, const char**, DWORD flags, std::uintptr_t) {
  auto parent = Find<ConnectionHandle>(connect);
  if (!parent) return nullptr;
  auto handle = std::make_shared<RequestHandle>();
  handle->connection = parent;
  handle->timeouts = parent->timeouts;
  handle->verb = verb && *verb ? verb : "GET";
  handle->objectName = objectName && *objectName ? objectName : "/";
  handle->flags = flags;
  return Register(handle);
}

bool InternetSetOptionA(HINTERNET handle, DWORD option, const void* buffer, DWORD length) {
  if (!buffer || length != sizeof(DWORD)) return false;
  DWORD value;
  std::memcpy(&value, buffer, sizeof value);
  if (!handle) {
    std::lock_guard lock(tableMutex);
    return SetTimeout(processTimeouts, option, value);
  }
  if (option == INTERNET_OPTION_SECURITY_FLAGS) {
    auto request = Find<RequestHandle>(handle);
    if (!request) return false;
    request->securityFlags = value;
    return true;
  }
  auto target = Find<Handle>(handle);
  return target && SetTimeout(target->timeouts, option, value);
}

bool HttpSendRequestA(HINTERNET requestHandle, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength) {
  auto request = Find<RequestHandle>(requestHandle);
  if (!request) return false;
  const InternetHandle& internet = *request->connection->internet;
  bool secure = request->flags & INTERNET_FLAG_SECURE;
  std::string scheme = secure ? "https" : "http";

  TransferRequest transfer;
  transfer.url = RequestUrl(*request, scheme);
  transfer.verb = request->verb;
  if (headers) {
    transfer.headers =
        headersLength == 0xFFFFFFFF ? std::string(headers) : std::string(headers, headersLength);
  }
  transfer.hasBody = optional && optionalLength > 0;
  if (transfer.hasBody) transfer.body.assign(static_cast<const char*>(optional), optionalLength);
  transfer.agent = internet.agent;
  transfer.proxy = ChooseProxy(internet.proxyList, internet.bypassList, scheme);
  transfer.timeouts = request->timeouts;
  transfer.useCookieStore = !(request->flags & INTERNET_FLAG_NO_COOKIES);
  transfer.followRedirects = !(request->flags & INTERNET_FLAG_NO_AUTO_REDIRECT);
  transfer.followToHttps = (request->flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) ||
                           (request->securityFlags & SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS);

  transfer.cancelled = [&] { return request->closed.load(); };

  RunBlockingCall([&] { request->reply = PerformTransfer(transfer); },
                  [&] { request->closed = true; });
  request->readOffset = 0;
  if (!request->reply.complete) lastError = request->reply.error;
  return request->reply.complete;
}

bool InternetReadFile(HINTERNET requestHandle, void* buffer, DWORD toRead, DWORD* read) {
  if (read) *read = 0;
  auto request = Find<RequestHandle>(requestHandle);
  if (!request || !read || (!buffer && toRead > 0)) return false;
  *read = CopyBodyBytes(request->reply.body, request->readOffset, buffer, toRead);
  return true;
}

bool HttpQueryInfoA(HINTERNET requestHandle, DWORD infoLevel, void* buffer, DWORD* length, DWORD*) {
  auto request = Find<RequestHandle>(requestHandle);
  if (!request || !length || infoLevel != HTTP_QUERY_RAW_HEADERS_CRLF) return false;
  if (!request->reply.headersComplete) return false;
  const std::string& raw = request->reply.rawHeaders;
  return CopyRawHeaders(raw, buffer, length);
}

bool InternetCloseHandle(HINTERNET handle) {
  std::shared_ptr<Handle> closing;  // freed outside the lock
  std::lock_guard lock(tableMutex);
  auto found = openHandles.find(handle);
  if (found == openHandles.end()) return false;
  closing = std::move(found->second);
  closing->closed = true;
  openHandles.erase(found);
  return true;
}

DWORD GetLastError() { return lastError; }

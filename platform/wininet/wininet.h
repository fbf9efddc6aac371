// The internet client calls the web request is written against, shaped as the Windows ones and
// carried out by libcurl. All calls are synchronous and thread-safe.
//
// Handles: an internet handle (agent, proxy, time-outs) gives connection handles (host, port),
// which give request handles (verb, path, flags). A handle may be closed before or after the
// handles made from it; each one is freed when it is closed. Certificates are always verified
// against the system's authorities plus the one fixed at build time.
//
// On Windows WinINet itself carries them out, its handle rules included (closing a handle closes
// the handles made from it); text crosses through code page 936.
#pragma once

#include <cstdint>

using HINTERNET = void*;
using DWORD = std::uint32_t;
using INTERNET_PORT = std::uint16_t;

// Why the last call of this thread failed; set by HttpSendRequestA when no whole reply came.
DWORD GetLastError();
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;  // the client itself cannot work
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;  // its handle was closed meanwhile
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
constexpr DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;

// Access types of InternetOpenA.
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// Service of InternetConnectA.
constexpr DWORD INTERNET_SERVICE_HTTP = 3;

// Request flags of HttpOpenRequestA.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;            // never answered from a cache
constexpr DWORD INTERNET_FLAG_NEED_FILE = 0x00000010;         // accepted; nothing is cached
constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000;        // keep off the shared cookie store
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;  // hand back a 3xx as it is
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;            // https
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;  // follow http -> https

// Options of InternetSetOptionA; time-outs are DWORD milliseconds. The receive time-out counts
// whole seconds without data (rounded up); 0 sets no limit of our own.
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD INTERNET_OPTION_SECURITY_FLAGS = 31;

// Security flags: follow a redirect that switches to https / to http. A secure request is never
// redirected to http, whatever the flags say, and no flag turns certificate checks off.
constexpr DWORD SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
constexpr DWORD SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000;

// Info level of HttpQueryInfoA: status line and header lines of the final reply, each ended by
// CR LF, then an empty line.
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;

// A new internet handle; null for an unknown access type. proxy is a list of "host:port"
// (every scheme), "http=host:port", "https=host:port" or "SOCKS=host:port" entries separated by
// spaces or ";"; proxyBypass lists hosts reached directly. Default time-outs: 60 s to connect,
// 30 s without data (see InternetSetOptionA).
HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy,
                        const char* proxyBypass, DWORD flags);

// A connection handle for host:port under an internet handle; null when the handle is not an
// internet handle, the service is not HTTP or the host is empty. User name, password, flags and
// context are accepted and not used.
HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char* userName, const char* password, DWORD service, DWORD flags,
                           std::uintptr_t context);

// A request handle for verb (null: "GET") and objectName (path and query; null: "/") on a
// connection handle; null when the handle is not a connection handle. The request speaks
// HTTP/1.1 whatever version says; referrer and acceptTypes are not used.
HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           DWORD flags, std::uintptr_t context);

// Sets a time-out (on a handle and the handles made from it later; on a null handle for every
// internet handle opened later) or the security flags of a request handle. buffer points to a
// DWORD and length is 4. False for an unknown option, a wrong length or a wrong handle.
bool InternetSetOptionA(HINTERNET handle, DWORD option, const void* buffer, DWORD length);

// Sends the request: the header lines as given and in their order (headersLength bytes, or up to
// the NUL when it is 0xFFFFFFFF) after the Host and User-Agent lines, then the body (for every
// verb, HEAD included). Follows redirects unless told not to. Blocks until the whole reply is read
// (the body is kept up to 64 MiB); true when a reply arrived in full, else GetLastError says why.
// Closing the request handle or one of its parents from another thread ends the call
// (ERROR_INTERNET_OPERATION_CANCELLED).
bool HttpSendRequestA(HINTERNET request, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength);

// Copies up to toRead further body bytes into buffer and sets *read to their count; 0 at the end.
bool InternetReadFile(HINTERNET request, void* buffer, DWORD toRead, DWORD* read);

// Copies the final reply's raw headers (HTTP_QUERY_RAW_HEADERS_CRLF) with a terminating NUL
// into buffer and sets *length to their length without the NUL. Fails, writing nothing, when no
// reply headers arrived or they do not fit (then *length is the size needed).
bool HttpQueryInfoA(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* length, DWORD* index);

// Frees a handle, ending a request still running on it; false when it is not an open handle.
bool InternetCloseHandle(HINTERNET handle);

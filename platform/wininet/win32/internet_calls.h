// WinINet's own calls as the win32 backend of wininet.h makes them: UTF-16 text, plain types.
// Kept apart from wininet.h, whose names are the layer's contract and clash with <wininet.h>.
#pragma once

#include <cstdint>
#include <string>

using InternetHandle = void*;

InternetHandle OpenInternet(const std::u16string& agent, std::uint32_t accessType,
                            const std::u16string* proxy, const std::u16string* bypass);
InternetHandle ConnectInternet(InternetHandle internet, const std::u16string& host,
                               std::uint16_t port, std::uint32_t service);
InternetHandle OpenHttpRequest(InternetHandle connection, const std::u16string& verb,
                               const std::u16string& objectName, std::uint32_t flags);
// A DWORD option on a handle (null: the process's defaults).
bool SetInternetOption(InternetHandle handle, std::uint32_t option, std::uint32_t value);
// Closes a handle; a request running on it from another thread ends (operation cancelled).
bool CloseInternetHandle(InternetHandle handle);

struct HttpExchange {
  bool complete = false;    // the reply arrived in full (its body within the limit)
  std::uint32_t error = 0;  // WinINet's error code when it did not
  std::string rawHeaders;   // HTTP_QUERY_RAW_HEADERS_CRLF, as bytes; empty when none arrived
  std::string body;
};

// Sends the request and reads its whole reply, at most bodyLimit bytes of body. Certificates are
// checked by WinINet against the user's authorities; a server whose chain ends in an authority
// of our own (the build's, or one added for tests) is accepted once that chain and the host name
// (host, as the request names it) are verified against that authority alone. connection is the
// request's parent.
HttpExchange SendHttpRequest(InternetHandle connection, InternetHandle request,
                             const std::u16string& host, const std::u16string& headers,
                             const std::string& body, std::size_t bodyLimit);

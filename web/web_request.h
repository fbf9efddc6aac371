// One HTTP or HTTPS request through the internet client, blocking until the whole reply body
// has been read.
#pragma once

#include "text/text.h"

// Sends url with the verb of method (0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE,
// 7 CONNECT; any other index is GET) and returns the reply body, empty when nothing was read or
// the request could not be set up (a failure cannot be told from an empty body).
//
// Out and in-out parameters are pointers to the caller's variables; a null one stands for a
// scratch value. cookies is in-out and its null-ness matters: given (even empty) it is sent as a
// Cookie line, keeps the request off the process-wide cookie store and is merged with the
// reply's cookies; null leaves cookie handling to the process-wide store.
//   postText            body when *postBytes is empty (not for GET)
//   returnedCookies     receives the name=value of every "Set-Cookie" reply line, "; "-joined,
//                       or their merge with *cookies
//   extraHeaders        request header lines joined by CR LF
//   returnedHeaders     receives the raw reply headers; 5000 spaces when there are none or they
//                       do not fit in 5000 bytes
//   postBytes           body as bytes, taking precedence; receives postText's bytes when empty
//   proxy               host:port, empty for direct access; proxyIsSocks for a SOCKS proxy
//   autoMergeCookies, addDefaultHeaders, normaliseHeaderNames: the steps they name
ByteSet WebRequest(const Text& url, int method = 0, const Text& postText = "",
                   Text* cookies = nullptr, Text* returnedCookies = nullptr,
                   const Text& extraHeaders = "", Text* returnedHeaders = nullptr,
                   bool noAutoRedirect = false, ByteSet* postBytes = nullptr,
                   const Text& proxy = "", bool autoMergeCookies = true,
                   bool addDefaultHeaders = true, bool normaliseHeaderNames = true,
                   bool proxyIsSocks = false);

// One HTTP or HTTPS request through the internet client, blocking until the whole reply body
// has been read.
#pragma once

#include <cstdint>

#include "text/text.h"

enum class Verb { Get, Post, Head, Put, Options, Delete, Trace, Connect };

// Everything but the URL, each with its default; name only what differs:
//   WebRequest(url, {.method = Verb::Post, .postText = "a=1", .returnedHeaders = &headers});
// Out and in-out members point to the caller's variables; a null one stands for a scratch value.
struct WebRequestOptions {
  Verb method = Verb::Get;
  // Body when *postBytes is empty; a GET never carries one.
  Text postText = {};
  // In-out, and its null-ness matters: given (even empty) it is sent as a Cookie line, keeps the
  // request off the process-wide cookie store and is merged with the reply's cookies; null leaves
  // cookie handling to the process-wide store.
  Text* cookies = nullptr;
  // Receives the name=value of every "Set-Cookie" reply line, "; "-joined, or their merge with
  // *cookies.
  Text* returnedCookies = nullptr;
  // Request header lines joined by CR LF.
  Text extraHeaders = {};
  // Receives the raw reply headers; 5000 spaces when there are none or they do not fit.
  Text* returnedHeaders = nullptr;
  bool noAutoRedirect = false;
  // In-out: the body as bytes, taking precedence; receives postText's bytes when empty.
  ByteSet* postBytes = nullptr;
  // host:port, empty for direct access; proxyIsSocks for a SOCKS proxy.
  Text proxy = {};
  bool autoMergeCookies = true;
  bool addDefaultHeaders = true;
  bool normaliseHeaderNames = true;
  bool proxyIsSocks = false;
  // The whole request (connect, send and the entire reply) ends after this many milliseconds,
  // as if nothing had come back; 0 sets no limit beyond the internet client's own time-outs.
  std::uint32_t deadlineMs = 0;
  // Receives the internet client's error code when no whole reply came (ERROR_INTERNET_TIMEOUT
  // when the deadline passed), 0 when one did.
  std::uint32_t* failure = nullptr;
};

// Sends url and returns the reply body, empty when nothing was read or the request could not be
// set up; in the latter case no out member is written.
ByteSet WebRequest(const Text& url, const WebRequestOptions& options = {});

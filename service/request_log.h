#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace step_service {

struct RequestLine {
  std::string_view method;
  std::string_view path;     // without the query, which may hold a password
  std::string_view account;  // empty when the request named none
  std::string_view outcome;
  int status = 0;
  std::chrono::steady_clock::duration duration{};
  bool timed = true;  // false when the request failed before it could be timed
};

// Writes one line to standard error, e.g.
// 2026-12-11T08:30:00.123Z GET /api/mi account="li" outcome=accepted status=200 ms=41.7
// Bytes that could disturb the log (controls, quotes, bidirectional overrides, invalid UTF-8)
// are written as \xNN.
void WriteRequestLine(const RequestLine& line);

// A message of the service itself, on a line of its own with the same time stamp.
void WriteServiceLine(std::string_view message);

// `text` with every byte that could disturb a log line written as \xNN: ASCII and C1
// controls, quotes, backslashes, bidirectional marks, embeddings, overrides and isolates, line
// and paragraph separators (each byte of their UTF-8 form), and in text that is not UTF-8 every
// byte above 0x7E.
std::string LogSafe(std::string_view text);

}  // namespace step_service
